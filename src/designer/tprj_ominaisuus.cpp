#include "designer/tprj_ominaisuus.h"

#include "designer/tpiirtopohja.h"
#include "platform/dialogs_in_front.h"
#include "platform/latin1.h"
#include "ui_tprj_ominaisuus.h"

Tprj_ominaisuus::Tprj_ominaisuus(QWidget* parent) : QDialog(parent), ui(new Ui::Tprj_ominaisuus) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint);
    for (const std::string& type : ProjectProperties::AddressTypeNames())
        ui->addresstype->addItem(fromLatin1(type));
    ui->addresstype->setCurrentIndex(0);
    ApplyProtocolPreset(true);
    connect(ui->addresstype, &QComboBox::activated, this, [this] { ApplyProtocolPreset(true); });
    for (QRadioButton* routing : {ui->SourceRouting, ui->VirtualRouting})
        connect(routing, &QRadioButton::clicked, this, [this] {
            if (designer_)
                designer_->SetRoutesDirty();
        });
    connect(ui->OKBtn, &QPushButton::clicked, this, &Tprj_ominaisuus::OKBtnClick);
    connect(ui->CancelBtn, &QPushButton::clicked, this, &Tprj_ominaisuus::CancelBtnClick);
}

Tprj_ominaisuus::~Tprj_ominaisuus() {
    delete ui;
}

void Tprj_ominaisuus::ShowFor(Tpiirtopohja* designer) {
    designer_ = designer;
    ShowInFront(this);
    SetControls(designer->Design().properties);
}

void Tprj_ominaisuus::ShowNewProject(Tpiirtopohja* designer) {
    newProject_ = true;
    ShowFor(designer);
}

void Tprj_ominaisuus::CloseFor(const Tpiirtopohja* designer) {
    if (designer_ != designer)
        return;
    designer_ = nullptr;
    CancelBtnClick();
}

void Tprj_ominaisuus::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui->nimi->setFocus();
}

void Tprj_ominaisuus::SetControls(const ProjectProperties& values) {
    ui->nimi->setText(fromLatin1(values.name));
    ui->netid->setText(fromLatin1(values.netId));
    ui->addresstype->setCurrentIndex(values.addressType);
    ui->m->setValue(values.offset);
    ui->n->setMaximum(ProjectProperties::kMaxLength);
    ui->n->setValue(values.length);
    (values.IsVirtualRouting() ? ui->VirtualRouting : ui->SourceRouting)->setChecked(true);
    (values.addressFormat == 0 ? ui->DecimalFormat : ui->HexadecimalFormat)->setChecked(true);
    ApplyProtocolPreset(false);
}

ProjectProperties Tprj_ominaisuus::ControlValues() const {
    ProjectProperties values;
    values.name = toLatin1(ui->nimi->text());
    values.netId = toLatin1(ui->netid->text());
    values.addressType = ui->addresstype->currentIndex();
    values.offset = ui->m->value();
    values.length = ui->n->value();
    values.routingType = ui->VirtualRouting->isChecked() ? 1 : 0;
    values.addressFormat = ui->DecimalFormat->isChecked() ? 0 : 1;
    return values;
}

void Tprj_ominaisuus::ApplyProtocolPreset(bool setDefaults) {
    const int type = ui->addresstype->currentIndex();
    ui->m->setEnabled(type == 0);
    ui->n->setEnabled(type == 0 || type == 1);
    if (type == 0 || type == 1) {
        ProjectProperties chosen;
        chosen.addressType = type;
        ui->n->setMaximum(chosen.MaxLengthForAddressType());
    }
    if (setDefaults) {
        ui->n->setValue(1);
        ui->m->setValue(0);
    }
}

void Tprj_ominaisuus::OKBtnClick() {
    if (designer_) {
        designer_->Design().properties = ControlValues();
        designer_->ProjectPropertiesAccepted(newProject_);
    }
    newProject_ = false;
    hide();
}

void Tprj_ominaisuus::CancelBtnClick() {
    newProject_ = false;
    hide();
}
