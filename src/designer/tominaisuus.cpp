#include "designer/tominaisuus.h"

#include "base/hex.h"
#include "base/text_numbers.h"
#include "designer/figure_values.h"
#include "designer/modem_type_files.h"
#include "designer/tarvotaulu.h"
#include "designer/tkuvio.h"
#include "designer/tpiirtopohja.h"
#include "platform/dialogs_in_front.h"
#include "platform/latin1.h"
#include "platform/message_box.h"
#include "platform/window_caption.h"
#include "platform/window_message.h"
#include "shell/main_window_services.h"
#include "ui_tominaisuus.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <filesystem>

namespace {

// Where the value controls stand in a column at least (further right when a label
// of the type file needs the room), and the height of a row.
constexpr int kValueX = 110;
constexpr int kLabelGap = 6;
constexpr int kRowStep = 25;
constexpr int kFormWidth = 310;
// The conversion arrows stand in this gap between the two columns.
constexpr int kArrowGap = 12;
// Space below the buttons.
constexpr int kBottomMargin = 16;
constexpr const char* kHexRefused = "Not allowed hexadesimal value\r\nAllodew values 0..9 and A..F/a..f";
constexpr const char* kTypeKeptUnderRun =
    "The modem's values are being transferred: its smf-file type can not be changed now";

bool FactoryMode() {
    return Pohjafrm && Pohjafrm->FactoryMode();
}

// The property of a text field that holds its limit on typing.
constexpr const char* kTypingLimit = "typingLimit";

// The edit's own limit follows its text down to the typing limit: a longer text
// the program put in stays whole and may be shortened, and no key makes a text
// longer than the limit.
void FitLengthToText(QLineEdit* edit) {
    edit->setMaxLength(std::max(edit->property(kTypingLimit).toInt(), static_cast<int>(edit->text().size())));
}

// Holds typing in a text field to its length (the terminal address to the
// project's address length), as an edit control's text limit does.
void LimitTyping(QLineEdit* edit, int limit) {
    if (!edit->property(kTypingLimit).isValid())
        QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] { FitLengthToText(edit); });
    edit->setProperty(kTypingLimit, limit);
    FitLengthToText(edit);
}

// A text the program puts into a limited field (a stored or reported value, "No
// address", an address of a longer setting) stays whole.
void PutText(QLineEdit* edit, const QString& text) {
    edit->setMaxLength(std::max(edit->maxLength(), static_cast<int>(text.size())));
    edit->setText(text);
}

std::string TypeStem(const std::string& typeFile) {
    return std::filesystem::path(typeFile).stem().string();
}

// The glyph of the conversion arrows: a red arrow pointing right (greyed by the
// style when the arrow is disabled).
QIcon ArrowIcon() {
    QPixmap glyph(16, 16);
    glyph.fill(Qt::transparent);
    QPainter painter(&glyph);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::red);
    painter.drawRect(1, 6, 8, 4);
    painter.drawPolygon(QPolygon({QPoint(8, 2), QPoint(15, 8), QPoint(8, 14)}));
    return QIcon(glyph);
}

// A hint of the form "short|long": the short part as the tool tip, the long one on
// the status line.
void SetHint(QWidget* control, const std::string& hint) {
    const QString text = fromLatin1(hint);
    control->setToolTip(text.section('|', 0, 0));
    control->setStatusTip(text.section('|', -1));
}

void SetTextColour(QWidget* control, const QColor& colour) {
    QPalette palette = control->palette();
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        palette.setColor(role, colour);
    control->setPalette(palette);
}

QColor WindowTextColour() {
    return QApplication::palette().color(QPalette::WindowText);
}

// An edit shows the button face or the window colour behind its text.
void SetEditLook(QLineEdit* edit, bool readOnly, bool buttonFace) {
    edit->setReadOnly(readOnly);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base,
                     QApplication::palette().color(buttonFace ? QPalette::Button : QPalette::Base));
    edit->setPalette(palette);
}

// An edit that the user cannot change shows the button face, as a read-only field.
void SetEditable(QLineEdit* edit, bool editable) {
    SetEditLook(edit, !editable, !editable);
}

// An edit or list is at least the text width; a check box, which stands at the
// label column, reaches as far as an edit of the value column.
QWidget* CreateControl(const ParameterField& field, QWidget* parent, int textWidth, int checkWidth) {
    switch (field.letter) {
    case 'S':
    case 'H': {
        auto* edit = new QLineEdit(parent);
        LimitTyping(edit, static_cast<int>(field.letter == 'S' ? kMaxTextLength : kMaxHexLength));
        edit->resize(textWidth, edit->sizeHint().height());
        return edit;
    }
    case 'B':
    case 'W': {
        auto* spin = new QSpinBox(parent);
        spin->setRange(0, field.letter == 'B' ? 255 : 65535);
        return spin;
    }
    case 'M': {
        auto* check = new QCheckBox(fromLatin1(field.label), parent);
        check->resize(std::max(check->sizeHint().width(), checkWidth), check->sizeHint().height());
        return check;
    }
    case 'R':
    case 'C': {
        auto* list = new QComboBox(parent);
        int widest = 0;
        for (const ParameterItem& item : field.items) {
            list->addItem(fromLatin1(item.text));
            widest = std::max(widest, list->fontMetrics().horizontalAdvance(fromLatin1(item.text)));
        }
        list->resize(std::max(textWidth, widest + 16 + list->sizeHint().height()), list->sizeHint().height());
        return list;
    }
    default:
        return nullptr;
    }
}

FieldValue ReadControl(QWidget* control) {
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return {toLatin1(edit->text()), 0};
    if (auto* spin = qobject_cast<QSpinBox*>(control))
        return {"", spin->value()};
    if (auto* check = qobject_cast<QCheckBox*>(control))
        return {"", check->isChecked() ? 1 : 0};
    if (auto* list = qobject_cast<QComboBox*>(control))
        return {"", list->currentIndex()};
    return {};
}

void WriteControl(QWidget* control, const FieldValue& value) {
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        PutText(edit, fromLatin1(value.text));
    else if (auto* spin = qobject_cast<QSpinBox*>(control))
        spin->setValue(value.number);
    else if (auto* check = qobject_cast<QCheckBox*>(control))
        check->setChecked(value.number != 0);
    else if (auto* list = qobject_cast<QComboBox*>(control))
        list->setCurrentIndex(value.number);
}

// Moves a control into another group box, keeping whether it is shown.
void MoveInto(QWidget* control, QWidget* parent) {
    if (control->parentWidget() == parent)
        return;
    const bool shown = !control->isHidden();
    control->setParent(parent);
    control->setVisible(shown);
}

} // namespace

Tominaisuus::Tominaisuus(QWidget* parent) : QWidget(parent), ui(new Ui::Tominaisuus) {
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
    ui->vieritys->verticalScrollBar()->setSingleStep(4);
    connect(ui->ok, &QPushButton::clicked, this, [this] { okClick(ui->ok); });
    connect(ui->pois, &QPushButton::clicked, this, &Tominaisuus::poisClick);
    connect(ui->no_address, &QCheckBox::clicked, this, &Tominaisuus::no_addressClick);
    connect(ui->receivebtn, &QPushButton::clicked, this, &Tominaisuus::receivebtnClick);
    connect(ui->transmitbtn, &QPushButton::clicked, this, &Tominaisuus::transmitbtnClick);
    connect(ui->Multibtn, &QPushButton::clicked, this, &Tominaisuus::MultibtnClick);
    connect(ui->ConvAll, &QPushButton::clicked, this, &Tominaisuus::ConvAllClick);
    ui->MultiMemo->installEventFilter(this);
    FormCreate();
}

Tominaisuus::~Tominaisuus() {
    delete ui;
}

void Tominaisuus::FormCreate() {
    resize(kFormWidth, height());
    ui->Bevel1->resize(kFormWidth - 38, ui->Bevel1->height());
    ui->valiviiva->resize(ui->Bevel1->width(), ui->valiviiva->height());
    if (Pohjafrm && Pohjafrm->Window())
        move(Pohjafrm->Window()->geometry().center() - rect().center());
    ui->pois->setEnabled(true);
    securityChar_ = 0;
}

void Tominaisuus::SetFigure(Tpiirtopohja* designer, TKuvio* figure) {
    designer_ = designer;
    hideFixedFields_ = designer && designer->SingleModem();
    if (figure == figure_.get())
        return;
    HoldFigure(designer, figure);
    valuesShown_ = false;
    // Shown at once unless the caller goes on to show it, or to mark its values.
    if (isVisible())
        QTimer::singleShot(0, this, [this] { ShowHeldFigure(); });
}

void Tominaisuus::HoldFigure(Tpiirtopohja* designer, TKuvio* figure) {
    figure_.Hold(designer ? &designer->Design() : nullptr, figure);
    ++figureTurn_;
}

// A question the load asks (a conflict with the type file) lets the posted call
// in: the load is not begun twice.
void Tominaisuus::ShowHeldFigure() {
    if (!HasFigure() || valuesShown_ || busy_)
        return;
    busy_ = true;
    LoadNewest(false);
    busy_ = false;
}

void Tominaisuus::SetConversionTarget(const std::string& typeName) {
    targetTypeName_ = typeName;
    convert_ = true;
}

SchemaView Tominaisuus::View() const {
    return {hideFixedFields_, FactoryMode(), securityChar_};
}

char Tominaisuus::DesignerSecurityChar() const {
    return SecurityChar(designer_ ? designer_->SecurityLevel() : 0);
}

bool Tominaisuus::RightColumnShowing() const {
    return !ui->Bevel2->isHidden();
}

bool Tominaisuus::NeedsRebuild(bool convert) const {
    return figure_->GetSmfFileName() != loadedTypeFile_ || securityChar_ != DesignerSecurityChar() ||
           convert || RightColumnShowing();
}

// The type file's check and reading may show boxes: the rows are built for the
// type file the figure had at the start.
bool Tominaisuus::Rebuild(bool convert) {
    const uint64_t figureTurn = figureTurn_;
    const std::string typeFile = figure_->GetSmfFileName();
    CheckModemTypeFile(typeFile, FactoryMode());
    if (figureTurn != figureTurn_)
        return false;
    securityChar_ = DesignerSecurityChar();
    FreeFieldLists();
    if (convert) {
        BuildPropertyEditor(1);
        // The right column's caption names the figure: one gone under a box of the
        // left column's read is read no further.
        if (figureTurn != figureTurn_)
            return false;
        resize(width() * 2, height());
        BuildPropertyEditor(3);
    } else {
        BuildPropertyEditor(0);
    }
    loadedTypeFile_ = typeFile;
    return figureTurn == figureTurn_;
}

void Tominaisuus::ShowModemProperties(bool convert) {
    if (!HasFigure() || busy_)
        return;
    busy_ = true;
    // A view shown without the conversion (a run's values) ends a conversion that
    // was open.
    convert_ = convert;
    if (!LoadNewest(convert)) {
        busy_ = false;
        return;
    }
    ui->vieritys->verticalScrollBar()->setValue(0);
    // The window takes the keyboard from the designer, so that a typed name,
    // Return and Escape reach the focused field.
    ShowInFront(this);
    FocusFirstField();
    busy_ = false;
}

// A figure given to the window under the conflict question is the one shown, in
// the plain view: the conversion was asked for the figure before it.
bool Tominaisuus::LoadNewest(bool convert) {
    bool loaded = LoadFigure(convert);
    while (!loaded && HasFigure()) {
        convert_ = false;
        loaded = LoadFigure(false);
    }
    return loaded;
}

bool Tominaisuus::LoadFigure(bool convert) {
    typeChanged_ = figure_->GetSmfFileName() != loadedTypeFile_;
    if (NeedsRebuild(convert) && !Rebuild(convert))
        return false;
    return ShowFigureValues(convert);
}

// The name, or with the fixed rows hidden the first field the user may change
// that is shown: a hidden field cannot take the keyboard, and the message is for a
// type that shows no field at all. The focused field's text is selected, so that
// typing replaces it.
void Tominaisuus::FocusFirstField() {
    if (!hideFixedFields_) {
        ui->nimi->setFocus();
        ui->nimi->selectAll();
        return;
    }
    for (size_t i = 0; i < main_.controls.size(); ++i) {
        QWidget* control = main_.controls[i];
        if (control && ParameterSchema::Enabled(main_.schema.fields[i], View()) && !control->isHidden()) {
            control->setFocus();
            if (auto* edit = qobject_cast<QLineEdit*>(control))
                edit->selectAll();
            else if (auto* spin = qobject_cast<QSpinBox*>(control))
                spin->selectAll();
            return;
        }
    }
    ShowMessage("There is somethig wrong on " + figure_->GetSmfFileName() +
                " SMF file\r\nThere is no visible parameters field");
}

void Tominaisuus::BuildPropertyEditor(int mode) {
    if (securityChar_ == 0)
        securityChar_ = DesignerSecurityChar();
    widestList_ = 0;
    const bool right = mode == 3;
    QGroupBox* parent = right ? ui->Bevel2 : ui->Bevel1;
    const int x0 = right ? 20 : 10;
    SetUpColumns(right);
    int y = mode == 1 || mode == 3 ? ui->Label_oldvalues->geometry().bottom() + 1 : 0;
    ui->factory_lbl->hide();
    ui->valiviiva->hide();
    ui->vieritys->verticalScrollBar()->setValue(0);
    const std::string typeFile = right ? targetTypeName_ + ".smf" : figure_->GetSmfFileName();
    parent->setTitle(fromLatin1(TypeStem(typeFile)));
    setWindowTitle(fromLatin1("Modem " + TypeStem(figure_->GetSmfFileName()) +
                              " properties, version:" + std::to_string(figure_->versionFromType)));
    // Reading the file may show a box: nothing below reads the figure.
    Column& column = right ? second_ : main_;
    column.schema = ReadParameterSchema(ProgramFileIgnoringCase(typeFile));
    valueX_ = ValueColumn(column.schema, x0);
    LayOutFixedRows(parent, x0, y);

    const size_t separator = column.schema.FactorySeparatorIndex(View());
    for (size_t i = 0; i < column.schema.fields.size(); ++i) {
        y = AddFieldRow(column, i, parent, x0, y);
        if (i == separator)
            PlaceFactorySeparator(column.controls[i], column.labels[i], parent, y);
    }
    const int bottom = PlaceButtons(mode, x0, y);
    PlaceWindow(right ? ui->Bevel2 : ui->Bevel1, bottom);
    if (right)
        CreateConversionArrows();
    ui->ConvAll->setVisible(right);
}

// Only the labels the window shows count: the fixed rows' unless they are hidden,
// and those of the shown parameters.
int Tominaisuus::ValueColumn(const ParameterSchema& schema, int x0) const {
    const QFontMetrics metrics = ui->Label_nimi->fontMetrics();
    int widest = 0;
    if (!hideFixedFields_)
        for (QLabel* label : {ui->Label_nimi, ui->Label_os, ui->Label_sysadd})
            widest = std::max(widest, metrics.horizontalAdvance(label->text()));
    for (const ParameterField& field : schema.fields)
        if (field.HasControl() && field.letter != 'M' && ParameterSchema::Shown(field, View()))
            widest = std::max(widest, metrics.horizontalAdvance(fromLatin1(field.label + ":")));
    return std::max(kValueX, x0 + widest + kLabelGap);
}

// The fixed controls go into the column that shows the figure: the right one in the
// conversion view, where they are read-only.
void Tominaisuus::SetUpColumns(bool right) {
    QGroupBox* parent = right ? ui->Bevel2 : ui->Bevel1;
    ui->Bevel2->setVisible(right);
    ui->Label_oldvalues->setVisible(right);
    if (right) {
        ui->Bevel2->setGeometry(ui->Bevel1->geometry().right() + 1 + kArrowGap, ui->Bevel1->y(),
                                ui->Bevel1->width(), ui->Bevel1->height());
        resize(2 * (ui->Bevel1->x() + ui->Bevel1->width()) + kArrowGap, height());
    }
    SetEditable(ui->nimi, !right);
    SetEditable(ui->osoite, !right);
    for (QWidget* control : FixedControls())
        MoveInto(control, parent);
}

std::vector<QWidget*> Tominaisuus::FixedControls() const {
    return {ui->Label_nimi, ui->Label_hex, ui->Label_hex1,   ui->Label_os, ui->Label_sysadd, ui->nimi,
            ui->no_address, ui->osoite,    ui->systemosoite, ui->Multibtn, ui->MultiMemo};
}

void Tominaisuus::LayOutFixedRows(QGroupBox* column, int x0, int& y) {
    if (hideFixedFields_) {
        for (QWidget* control : FixedControls())
            control->hide();
        y += 20;
        return;
    }
    const int addressWidth = ui->osoite->fontMetrics().horizontalAdvance("xxxxxbbbbb") + 8;
    for (QLabel* label : {ui->Label_nimi, ui->Label_os, ui->Label_sysadd, ui->Label_hex, ui->Label_hex1})
        label->resize(label->sizeHint().width(), ui->nimi->height());
    ui->Label_nimi->move(x0, 20);
    ui->nimi->move(valueX_, 20);
    ui->no_address->move(x0, 45);
    ui->Label_os->move(x0, 70);
    ui->osoite->setGeometry(valueX_, 70, addressWidth, ui->osoite->height());
    ui->Label_hex->move(valueX_ + addressWidth + 8, 70);
    ui->Multibtn->move(valueX_ + addressWidth + 4, 70);
    ui->MultiMemo->move(valueX_, 70);
    ui->Label_sysadd->move(x0, 95);
    ui->systemosoite->setGeometry(valueX_, 95, addressWidth, ui->systemosoite->height());
    ui->Label_hex1->move(valueX_ + addressWidth + 8, 95);
    for (QWidget* control :
         std::initializer_list<QWidget*>{ui->Label_nimi, ui->nimi, ui->no_address, ui->Label_os, ui->osoite,
                                         ui->Label_hex, ui->Label_sysadd, ui->systemosoite})
        control->show();
    ui->MultiMemo->raise();
    column->update();
    y = 120;
}

int Tominaisuus::AddFieldRow(Column& column, size_t index, QGroupBox* parent, int x0, int y) {
    const ParameterField& field = column.schema.fields[index];
    QWidget* control = CreateControl(field, parent, ui->nimi->width(), valueX_ - x0 + ui->nimi->width());
    QLabel* label = nullptr;
    column.kept.push_back(DefaultFieldValue(field));
    if (control) {
        const bool shown = ParameterSchema::Shown(field, View());
        control->setObjectName(fromLatin1(field.key));
        control->move(field.letter == 'M' ? x0 : valueX_, y);
        control->setEnabled(ParameterSchema::Enabled(field, View()));
        SetTextColour(control, WindowTextColour());
        SetHint(control, field.hint);
        WriteControl(control, column.kept.back());
        if (field.letter == 'H')
            control->installEventFilter(this);
        if (field.letter == 'R' || field.letter == 'C')
            widestList_ = std::max(widestList_, control->width());
        if (field.letter != 'M') {
            label = new QLabel(fromLatin1(field.label + ":"), parent);
            label->setGeometry(x0, y, valueX_ - x0, control->height());
            label->setVisible(shown);
        }
        control->setVisible(shown);
        if (shown)
            y += kRowStep;
    }
    column.controls.push_back(control);
    column.labels.push_back(label);
    return y;
}

void Tominaisuus::PlaceFactorySeparator(QWidget* control, QLabel* label, QGroupBox* parent, int& y) {
    MoveInto(ui->valiviiva, parent);
    MoveInto(ui->factory_lbl, parent);
    ui->valiviiva->setGeometry(4, y - 6 - control->height(), parent->width() - 8, ui->valiviiva->height());
    ui->valiviiva->show();
    ui->factory_lbl->move(label ? label->x() : control->x(), y - kRowStep);
    ui->factory_lbl->show();
    control->move(control->x(), y);
    if (label)
        label->move(label->x(), y);
    y += kRowStep;
}

// The column's group box takes the rows' height and the width of its widest
// control; the buttons follow below it. Returns the bottom of the content.
int Tominaisuus::PlaceButtons(int mode, int x0, int y) {
    QGroupBox* column = mode == 3 ? ui->Bevel2 : ui->Bevel1;
    int widest = std::max(widestList_, ui->nimi->width());
    for (QWidget* control : (mode == 3 ? second_ : main_).controls)
        if (control && !control->isHidden())
            widest = std::max(widest, control->x() - valueX_ + control->width());
    column->resize(widest + valueX_ + x0, column->height());
    if (mode == 3) {
        ui->receivebtn->hide();
        ui->transmitbtn->hide();
        if (ui->Bevel1->height() >= y) {
            ui->Bevel2->resize(ui->Bevel2->width(), ui->Bevel1->height());
            return ui->pois->geometry().bottom() + 2;
        }
        ui->Bevel1->resize(ui->Bevel1->width(), y);
    }
    column->resize(column->width(), y);
    const int left = ui->Bevel1->x();
    y += ui->Bevel1->y() + kRowStep;
    ui->receivebtn->move(left, y);
    ui->transmitbtn->move(left + ui->receivebtn->width() + 8, y);
    ui->receivebtn->setVisible(mode != 3);
    ui->transmitbtn->setVisible(mode != 3);
    y += ui->receivebtn->height() + 2;
    ui->ok->move(left, y);
    ui->pois->move(left + ui->ok->width() + 8, y);
    ui->ConvAll->move(ui->pois->geometry().right() + 9, y);
    return ui->ok->height() + y + 2;
}

// A new window stands near the main window's left edge; it is never higher than
// the main window, and scrolls when its rows do not fit.
void Tominaisuus::PlaceWindow(QGroupBox* column, int bottom) {
    const QSize content(column->x() + column->width() + 24, bottom + kBottomMargin);
    ui->sisalto->resize(content);
    QWidget* main = Pohjafrm ? Pohjafrm->Window() : nullptr;
    int height = content.height();
    if (main)
        height = std::min(height, main->height());
    const bool scrolls = height < content.height();
    resize(std::max(content.width() + (scrolls ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0),
                    CaptionWidth(windowTitle())),
           height);
    if (!isVisible() && main) {
        const int designerHeight = designer_ ? designer_->height() : height;
        move(main->x() + 5,
             main->y() + (main->height() < bottom ? 32 : std::abs(designerHeight - height) / 2 + 8));
    }
}

void Tominaisuus::CreateConversionArrows() {
    const std::vector<std::pair<size_t, size_t>> pairs = ConversionPairs();
    for (size_t n = 0; n < pairs.size(); ++n) {
        auto* arrow = new QPushButton(ui->sisalto);
        arrow->setIcon(ArrowIcon());
        arrow->setGeometry(ui->Bevel2->x() - 15, main_.controls[pairs[n].first]->y() + ui->Bevel1->y(), 30,
                           15);
        arrow->setEnabled(PairConvertible(pairs[n]));
        arrow->setProperty("tag", static_cast<int>(n));
        connect(arrow, &QPushButton::clicked, this, [this, n] { ConvertFieldValue(static_cast<int>(n)); });
        arrow->show();
        arrows_.push_back(arrow);
    }
}

void Tominaisuus::FreeFieldLists() {
    for (Column* column : {&main_, &second_}) {
        for (QWidget* control : column->controls)
            delete control;
        for (QLabel* label : column->labels)
            delete label;
        *column = Column();
    }
    ++rowsTurn_;
    valuesShown_ = false;
    responseCursor_.reset();
}

bool Tominaisuus::ShowFigureValues(bool readOnly) {
    if (!HasFigure())
        return false;
    ShowFixedFields(readOnly);
    const Standing before = Now();
    // The walk stops at the question when its figure or rows went under it.
    const std::vector<FieldValue> values =
        LoadFieldValues(main_.schema, *figure_, [this, before](const TKuvio& figure) {
            return AskContinueOnConflict(figure) && StillStands(before);
        });
    if (!StillStands(before))
        return false;
    for (size_t i = 0; i < values.size(); ++i)
        ShowValue(main_, i, values[i], false);
    valuesShown_ = true;
    return true;
}

void Tominaisuus::RefreshPropertyForm() {
    ShowHeldFigure();
    if (HasFigure())
        ShowFixedFields(false);
}

bool Tominaisuus::IsVirtualMaster() const {
    return designer_ && designer_->Design().properties.IsVirtualRouting() &&
           designer_->Design().master == figure_.get();
}

void Tominaisuus::ShowFixedFields(bool readOnly) {
    const bool multiport = figure_->Multiport();
    // With the fixed rows hidden the address button would stand over the parameter rows.
    ui->Multibtn->setVisible(multiport && !hideFixedFields_);
    ui->Label_hex->setVisible(!multiport && !hideFixedFields_);
    ui->no_address->setEnabled(!(IsVirtualMaster() || multiport || readOnly));
    ui->no_address->setChecked(figure_->NoTerminalAddress());
    ui->nimi->setText(fromLatin1(figure_->GetModemName()));
    // A multiport modem's addresses are edited in the memo: its address field is
    // read-only but keeps the window colour.
    SetEditLook(ui->osoite, multiport || readOnly || figure_->NoTerminalAddress(),
                readOnly || figure_->NoTerminalAddress());
    PutText(ui->osoite, fromLatin1(figure_->GetTerminalAddress()));
    if (multiport) {
        QStringList addresses;
        for (const std::string& address : figure_->TerminalAddresses())
            addresses << fromLatin1(address);
        ui->MultiMemo->setPlainText(addresses.join('\n'));
        ui->MultiMemo->document()->setModified(false);
    }
    ui->systemosoite->setText(fromLatin1(IntToHex(figure_->identifier, 4)));
}

FieldValue Tominaisuus::ReadValue(const Column& column, size_t index) const {
    QWidget* control = column.controls[index];
    return control ? ReadControl(control) : column.kept[index];
}

std::vector<FieldValue> Tominaisuus::ReadValues(const Column& column) const {
    std::vector<FieldValue> values;
    for (size_t i = 0; i < column.controls.size(); ++i)
        values.push_back(ReadValue(column, i));
    return values;
}

void Tominaisuus::ShowValue(Column& column, size_t index, const FieldValue& value, bool red) {
    QWidget* control = column.controls[index];
    if (!control) {
        column.kept[index] = value;
        return;
    }
    WriteControl(control, value);
    SetTextColour(control, red ? QColor(Qt::red) : WindowTextColour());
}

bool Tominaisuus::BuildIfStale() {
    return !NeedsRebuild(false) || (Rebuild(false) && ShowFigureValues(false));
}

void Tominaisuus::PutReportedValue(size_t field, char letter, const std::string& value) {
    FieldValue shown = ReadValue(main_, field);
    switch (ApplyReportedValue(main_.schema.fields[field], letter, value, shown)) {
    case ResponseResult::Applied:
        ShowValue(main_, field, shown, true);
        break;
    case ResponseResult::Mismatch:
        ShowMessage("Field mismatch on modem response message !!!");
        break;
    case ResponseResult::NotANumber:
        ShowMessage("'" + value + "' is not a valid integer value");
        break;
    case ResponseResult::Ignored:
        break;
    }
}

bool Tominaisuus::ReadyForReports() {
    if (!HasFigure())
        return false;
    ShowHeldFigure();
    return HasFigure() && BuildIfStale();
}

std::optional<size_t> Tominaisuus::KnownField(std::optional<size_t> field, int index) {
    if (!field)
        ShowMessage("Modem has more fields than SMF" + std::to_string(index));
    return field;
}

void Tominaisuus::ApplyResponseFields(int index, char letter, const std::string& value) {
    if (!ReadyForReports())
        return;
    responseCursor_ = KnownField(main_.schema.ReportedField(responseCursor_, index), index);
    if (responseCursor_)
        PutReportedValue(*responseCursor_, letter, value);
}

// The figure's entries follow the field list, so an entry's number names its own
// field, whichever entries the transfer passed over.
void Tominaisuus::MarkNmsWriteResult(int failed, int index, const std::string& value, char letter) {
    if (!ReadyForReports())
        return;
    const bool listed = index >= 1 && static_cast<size_t>(index) <= main_.schema.fields.size();
    const std::optional<size_t> field =
        KnownField(listed ? std::optional<size_t>(index - 1) : std::nullopt, index);
    if (field && failed != 0)
        PutReportedValue(*field, letter, value);
}

void Tominaisuus::PostInvalidParameter() {
    PostMessage(this, WM_INVALID_PARAMETER);
}

void Tominaisuus::ShowInvalidParameterError() {
    ShowMessage("ERROR: One of parameters send to modem was invalid !\r\nPlease check parameters.");
}

void Tominaisuus::EnableCancel() {
    ui->pois->setEnabled(true);
}

bool Tominaisuus::event(QEvent* event) {
    if (const WindowMessage* message = WindowMessage::from(event)) {
        if (message->number() == WM_INVALID_PARAMETER) {
            ShowInvalidParameterError();
            return true;
        }
    }
    return QWidget::event(event);
}

bool Tominaisuus::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->MultiMemo) {
        const bool escape =
            event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
        if (escape || event->type() == QEvent::FocusOut)
            ui->MultiMemo->hide();
        return escape;
    }
    if (event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.size() == 1 && RefusedHexKey(static_cast<char>(text[0].toLatin1()))) {
            ShowMessage(kHexRefused);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Tominaisuus::StoreFixedFields() {
    figure_->SetModemName(toLatin1(ui->nimi->text()));
    figure_->SetNoTerminalAddress(ui->no_address->isChecked());
    if (figure_->Multiport()) {
        figure_->SetTerminalAddressAt(-1, "");
        const QStringList lines = ui->MultiMemo->toPlainText().split('\n');
        for (int i = 0; i < lines.size(); ++i)
            if (!lines[i].trimmed().isEmpty())
                figure_->SetTerminalAddressAt(i, toLatin1(lines[i]));
    } else {
        figure_->SetTerminalAddress(toLatin1(ui->osoite->text()));
    }
    figure_->identifier = static_cast<uint16_t>(ParseHex(toLatin1(ui->systemosoite->text())).value_or(0));
}

// The figure takes the target type of the conversion view: its type file, the
// type's version values and the picture that goes with them.
bool Tominaisuus::ChangeFigureType(const HeldFigure& figure) {
    figure->SetTypeName(targetTypeName_);
    ModemTypeVersionReader reader(FactoryMode());
    const ModemTypeVersion& version = reader.VersionOf(figure->GetSmfFileName());
    if (!figure.get())
        return false;
    ApplyModemTypeVersion(*figure, version);
    if (figure->Mobile())
        figure->SetMobileLook();
    else if (figure->Multiport())
        figure->SetMultiLook();
    else if (figure->MasterLook())
        figure->SetMasterLook();
    else
        figure->SetModemLook();
    return true;
}

bool Tominaisuus::StoreFigure() {
    const uint64_t figureTurn = figureTurn_;
    ShowHeldFigure();
    if (figureTurn != figureTurn_ || !valuesShown_)
        return false;
    const bool converting = RightColumnShowing();
    // A run stores the modem's values by position into the fields of the type it
    // started with: the type stays until the run ends.
    if (converting && designer_ && designer_->Programming().run.Programs(*figure_)) {
        ShowMessage(kTypeKeptUnderRun);
        return false;
    }
    const Column& column = converting ? second_ : main_;
    const std::vector<FieldValue> values = ReadValues(column);
    if (const std::optional<size_t> notHex = FirstInvalidHexField(column.schema, values)) {
        const Standing before = Now();
        ShowMessage(kHexRefused);
        if (StillStands(before))
            column.controls[*notHex]->setFocus();
        return false;
    }
    StoreFixedFields();
    // Without rows (the type file is missing or holds no parameters) the window
    // shows none of the modem's values, so it keeps them all. The new type's file
    // check may show a box: the values go on into the figure OK was pressed for,
    // unless it went meanwhile.
    if (!column.schema.fields.empty()) {
        HeldFigure figure;
        figure.Hold(designer_ ? &designer_->Design() : nullptr, figure_.get());
        const SchemaView view = View();
        const ParameterSchema schema = column.schema;
        figure->ResetPropertyList(typeChanged_ || converting);
        if (converting && !ChangeFigureType(figure))
            return false;
        StoreFieldValues(*figure, schema, values, view);
    }
    // Receive and Transmit store the values as OK does, and mark the design as OK
    // does: else a later close would not ask to save what the figure now holds, and
    // Transmit would program routes built with the terminal address before the edit.
    if (designer_) {
        designer_->Design().modified = true;
        if (ui->osoite->isModified() || ui->MultiMemo->document()->isModified())
            designer_->SetRoutesDirty();
        designer_->RedrawRoutes();
    }
    RefreshPropertyTable(designer_);
    return true;
}

void Tominaisuus::okClick(QObject* sender) {
    if (!HasFigure())
        return;
    const bool exchange = sender == ui->receivebtn || sender == ui->transmitbtn;
    if (!exchange)
        ui->ok->setFocus();
    // A box of the store may give the window another figure, which stays shown.
    const uint64_t figureTurn = figureTurn_;
    if (!StoreFigure() || exchange || figureTurn != figureTurn_)
        return;
    figure_->newFigure = false;
    Dismiss();
}

void Tominaisuus::poisClick() {
    if (HasFigure() && figure_->newFigure)
        okClick(ui->pois);
    Dismiss();
}

void Tominaisuus::Dismiss() {
    ui->vieritys->verticalScrollBar()->setValue(0);
    hide();
    HoldFigure(nullptr, nullptr);
    convert_ = false;
}

// Return is OK (or the focused button) and Escape is Cancel, as in a dialog: the
// keys reach the window when the focused control has no use for them.
void Tominaisuus::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    auto* focused = qobject_cast<QPushButton*>(focusWidget());
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter))
        (focused ? focused : ui->ok)->click();
    else if (plain && event->key() == Qt::Key_Escape)
        ui->pois->click();
    else
        QWidget::keyPressEvent(event);
}

void Tominaisuus::closeEvent(QCloseEvent* event) {
    if (HasFigure() && figure_->newFigure)
        okClick(ui->pois);
    FreeFieldLists();
    loadedTypeFile_.clear();
    HoldFigure(nullptr, nullptr);
    convert_ = false;
    QWidget::closeEvent(event);
}

void Tominaisuus::hideEvent(QHideEvent* event) {
    if (!keepCancelDisabled_)
        ui->pois->setEnabled(true);
    keepCancelDisabled_ = false;
    qDeleteAll(arrows_);
    arrows_.clear();
    QWidget::hideEvent(event);
}

void Tominaisuus::showEvent(QShowEvent* event) {
    const int addressLength = 2 * (designer_ ? designer_->Design().properties.length : 1);
    LimitTyping(ui->osoite, addressLength);
    QWidget::showEvent(event);
}

void Tominaisuus::no_addressClick() {
    if (IsVirtualMaster()) {
        ui->no_address->setChecked(false);
    } else {
        PutText(ui->osoite, ui->no_address->isChecked() ? QStringLiteral("No address") : QStringLiteral("0"));
        ui->osoite->setModified(true);
    }
    SetEditable(ui->osoite, !ui->no_address->isChecked());
}

void Tominaisuus::MultibtnClick() {
    ui->MultiMemo->setVisible(ui->MultiMemo->isHidden());
    if (!ui->MultiMemo->isHidden())
        ui->MultiMemo->setFocus();
}

std::vector<std::pair<size_t, size_t>> Tominaisuus::ConversionPairs() const {
    const std::vector<size_t> left = main_.schema.ShownFields(View());
    const std::vector<size_t> right = second_.schema.ShownFields(View());
    std::vector<std::pair<size_t, size_t>> pairs;
    for (size_t n = 0; n < left.size() && n < right.size(); ++n)
        pairs.emplace_back(left[n], right[n]);
    return pairs;
}

bool Tominaisuus::PairConvertible(const std::pair<size_t, size_t>& pair) const {
    const ParameterField& right = second_.schema.fields[pair.second];
    return main_.schema.fields[pair.first].letter == right.letter && ParameterSchema::Enabled(right, View());
}

std::string Tominaisuus::RowText(const Column& column, size_t index) const {
    const ParameterField& field = column.schema.fields[index];
    const FieldValue value = ReadValue(column, index);
    if (field.letter == 'M')
        return field.label + ": " + (value.number != 0 ? " Checked" : " Not Checked");
    return field.label + ": " + FieldDisplayText(field, value);
}

void Tominaisuus::CopyFieldValue(const std::pair<size_t, size_t>& pair) {
    const FieldValue value = ReadValue(main_, pair.first);
    ShowValue(second_, pair.second, ClampedFieldValue(second_.schema.fields[pair.second], value), false);
}

void Tominaisuus::ConvertFieldValue(int pair) {
    const std::vector<std::pair<size_t, size_t>> pairs = ConversionPairs();
    if (pair < 0 || static_cast<size_t>(pair) >= pairs.size())
        return;
    const auto& [left, right] = pairs[static_cast<size_t>(pair)];
    const Standing before = Now();
    if (MessageBox("Converting value\r\n" + RowText(second_, right) + "\r\nto\r\n" + RowText(main_, left) +
                       "\r\n\r\nAre you sure you want to convert this value ?",
                   "Confirm", MB_YESNO | MB_ICONQUESTION) == IDYES &&
        StillStands(before))
        CopyFieldValue(pairs[static_cast<size_t>(pair)]);
}

void Tominaisuus::ConvAllClick() {
    if (MessageBox("Convert all matching values (red arrows)\r\n\r\nAre you sure you want to continue ?",
                   "Confirm", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    for (const auto& pair : ConversionPairs())
        if (PairConvertible(pair))
            CopyFieldValue(pair);
}

bool Tominaisuus::CanStartRun() const {
    return designer_ && HasFigure() && !designer_->Programming().PortHeld();
}

// The buttons act only when their store succeeded, and on the figure they were
// pressed for: a refusal's box lets the window be given another figure.
bool Tominaisuus::StoredForExchange(bool storeAlways) {
    const uint64_t figureTurn = figureTurn_;
    if ((storeAlways || figure_->newFigure) && !StoreFigure())
        return false;
    return figureTurn == figureTurn_ && designer_ && HasFigure();
}

void Tominaisuus::receivebtnClick() {
    if (!CanStartRun() || !StoredForExchange(false))
        return;
    ui->pois->setEnabled(false);
    keepCancelDisabled_ = true;
    designer_->ReceiveValues(*figure_);
}

void Tominaisuus::transmitbtnClick() {
    if (!CanStartRun() || !StoredForExchange(true))
        return;
    ui->pois->setEnabled(false);
    designer_->TransmitValues(*figure_);
}
