#include "designer/tsuoja.h"

#include "designer/security_level.h"
#include "designer/tominaisuus.h"
#include "designer/tpiirtopohja.h"
#include "platform/dialogs_in_front.h"
#include "platform/latin1.h"
#include "platform/message_box.h"
#include "shell/main_window_services.h"
#include "ui_tsuoja.h"

Tsuoja::Tsuoja(QWidget* parent) : QDialog(parent), ui(new Ui::Tsuoja) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint);
    for (QRadioButton* level : {ui->taso_0, ui->taso_5, ui->taso_9})
        connect(level, &QRadioButton::toggled, this, &Tsuoja::LevelChosen);
    connect(ui->ok, &QPushButton::clicked, this, &Tsuoja::okClick);
    connect(ui->pois, &QPushButton::clicked, this, &Tsuoja::poisClick);
    LevelChosen();
}

Tsuoja::~Tsuoja() {
    delete ui;
}

void Tsuoja::ShowFor(Tpiirtopohja* designer) {
    designer_ = designer;
    level_ = designer->SecurityLevel();
    ShowInFront(this);
    FormActivate();
}

bool Tsuoja::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(event);
}

void Tsuoja::FormActivate() {
    (level_ == 9 ? ui->taso_9 : level_ == 5 ? ui->taso_5 : ui->taso_0)->setChecked(true);
    if (level_ != 0)
        ui->salasana->setFocus();
}

bool Tsuoja::LevelNineTicked() const {
    return ui->taso_9->isChecked();
}

void Tsuoja::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui->salasana->clear();
    const bool factory = Pohjafrm && Pohjafrm->FactoryMode();
    ui->taso_9->setVisible(factory);
    ui->taso_9->setEnabled(factory);
}

void Tsuoja::LevelChosen() {
    const bool needsPassword = !ui->taso_0->isChecked();
    ui->salasana->setEnabled(needsPassword);
    ui->Label1->setEnabled(needsPassword);
    if (needsPassword)
        ui->salasana->setFocus();
}

void Tsuoja::okClick() {
    const int chosen = ui->taso_9->isChecked() && ui->taso_9->isEnabled() ? 9
                       : ui->taso_5->isChecked()                          ? 5
                                                                          : 0;
    const SecurityChoice choice = ChooseSecurityLevel(chosen, toLatin1(ui->salasana->text()));
    level_ = choice.level;
    if (designer_)
        designer_->SetSecurityLevel(choice.level);
    if (!choice.accepted) {
        ShowMessage("Wrong password !!");
        ui->salasana->clear();
        ui->salasana->setFocus();
        return;
    }
    hide();
    // The designer's properties window, when on view, shows its modem again at
    // the new level.
    Tominaisuus* properties = designer_ ? designer_->PropertiesWindow() : nullptr;
    if (properties && properties->isVisible())
        properties->ShowModemProperties(properties->Converting());
}

void Tsuoja::poisClick() {
    hide();
}
