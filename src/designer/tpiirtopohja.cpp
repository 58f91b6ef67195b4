#include "designer/tpiirtopohja.h"

#include "base/text_lines.h"
#include "designer/designer_canvas.h"
#include "designer/file_dialogs.h"
#include "designer/modem_data_file.h"
#include "designer/project_file.h"
#include "designer/tprj_ominaisuus.h"
#include "designer/tsuoja.h"
#include "platform/latin1.h"
#include "platform/message_box.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "platform/window_message.h"
#include "shell/main_window_services.h"
#include "ui_tpiirtopohja.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <filesystem>

namespace {

constexpr const char* kSingleModemCaption = "Setup single modem : ";
constexpr const char* kProjectFilter = "Project files|*.spf";
constexpr const char* kSingleModemFilter = "Single modem files|*.ssf";
constexpr const char* kModemDataFilter = "Modem setup files|*.ssf";
// Where the Modem menu's new modems go.
const QPoint kModemMenuOrigin(30, 50);

bool FactoryMode() {
    return Pohjafrm && Pohjafrm->FactoryMode();
}

std::string ProgramVersion() {
    return Pohjafrm ? Pohjafrm->VersionText() : std::string();
}

std::string MainCaption() {
    return Pohjafrm ? toLatin1(Pohjafrm->Window()->windowTitle()) : std::string();
}

// The main-window commands that a designer holds back while it is open.
void EnableMainWindowCommands(bool enabled) {
    if (!Pohjafrm)
        return;
    for (MainCommand command :
         {MainCommand::TermOpenCloseAll, MainCommand::SpeedButton2, MainCommand::StartLog})
        Pohjafrm->SetCommandEnabled(command, enabled);
    Pohjafrm->SetCommandEnabled(MainCommand::logsize_lbl, enabled);
    Pohjafrm->SetCommandEnabled(MainCommand::logsize_nbr, enabled);
    for (MainCommand command :
         {MainCommand::OpenBtn, MainCommand::DrawingBtn, MainCommand::SingleModemBtn, MainCommand::FlashBtn,
          MainCommand::FlashmBtn, MainCommand::Flashm2Btn, MainCommand::Flashm3Btn, MainCommand::Flashm4Btn})
        Pohjafrm->SetCommandEnabled(command, enabled);
}

void EnableCopyAndPaste(bool enabled) {
    if (!Pohjafrm)
        return;
    Pohjafrm->SetCommandEnabled(MainCommand::CopyBtn, enabled);
    Pohjafrm->SetCommandEnabled(MainCommand::PasteBtn, enabled);
}

void ShowFileError(const EFileError& failure) {
    MessageBox(failure.what(), "Error", MB_OK | MB_ICONERROR);
}

} // namespace

Tpiirtopohja::Tpiirtopohja(bool singleModem, QWidget* parent)
    : QMainWindow(parent), ui(new Ui::Tpiirtopohja), design_(singleModem), typeReader_(FactoryMode()),
      canvas_(new DesignerCanvas(design_)), scrollArea_(new QScrollArea(this)), PopupMenu1(new QMenu(this)) {
    ui->setupUi(this);
    scrollArea_->setWidget(canvas_);
    scrollArea_->setWidgetResizable(true);
    setCentralWidget(scrollArea_);
    Luouusi1 = PopupMenu1->addMenu("&New modem");
    NewMobile2 = PopupMenu1->addMenu("New &mobile");
    Newmulti1 = PopupMenu1->addMenu("New m&ultiterminal");
    Ominaisuudet1 = PopupMenu1->addAction("&Properties");

    connect(ui->Uusi1, &QAction::triggered, this, &Tpiirtopohja::Uusi1Click);
    connect(ui->Avaa1, &QAction::triggered, this, &Tpiirtopohja::Avaa1Click);
    connect(ui->Tallenna1, &QAction::triggered, this, &Tpiirtopohja::Tallenna1Click);
    connect(ui->Tallennanimell1, &QAction::triggered, this, &Tpiirtopohja::Tallennanimell1Click);
    connect(ui->Sulje1, &QAction::triggered, this, &QWidget::close);
    connect(ui->Lopeta1, &QAction::triggered, this, &Tpiirtopohja::Lopeta1Click);
    connect(ui->LataaModeemi1, &QAction::triggered, this, &Tpiirtopohja::LataaModeemi1Click);
    connect(ui->TallennaModeemi1, &QAction::triggered, this, &Tpiirtopohja::TallennaModeemi1Click);
    connect(ui->Ominaisuudet3, &QAction::triggered, this, &Tpiirtopohja::Ominaisuudet3Click);
    connect(Ominaisuudet1, &QAction::triggered, this, &Tpiirtopohja::Ominaisuudet3Click);
    connect(ui->Suojaustaso1, &QAction::triggered, this, &Tpiirtopohja::Suojaustaso1Click);
    connect(canvas_, &DesignerCanvas::figurePressed, this, [this](TKuvio* figure, Qt::MouseButton) {
        design_.context = figure;
        SelectFigure(figure);
    });
    connect(canvas_, &DesignerCanvas::areaPressed, this, [this](Qt::MouseButton button, QPoint point) {
        if (button == Qt::RightButton)
            ShowPopupMenu(point);
    });

    if (singleModem) {
        setWindowTitle(kSingleModemCaption);
        EnableCopyAndPaste(false);
        if (!FactoryMode()) {
            ui->Projekti1->menuAction()->setVisible(false);
        } else {
            for (QAction* item : {ui->MobileRoutes1, ui->Ominaisuudet3}) {
                item->setEnabled(false);
                item->setVisible(false);
            }
        }
    }
    if (!FactoryMode()) {
        ui->Suojaustaso1->setEnabled(false);
        ui->Suojaustaso1->setVisible(false);
    }
    ResetZoom();
    PostMessage(this, WM_DESIGNER_CREATE_HELPERS);
    FormCreate();
}

Tpiirtopohja::~Tpiirtopohja() {
    design_.DeleteAllFigures();
    delete ui;
}

void Tpiirtopohja::FormCreate() {
    design_.context = nullptr;
    ReadPortSettings();
    EnableMainWindowCommands(false);
    BuildModemTypeMenus();
    firstShow_ = true;
}

void Tpiirtopohja::ReadPortSettings() {
    TIniFile settings(SettingsFileName());
    port_.portNumber = settings.ReadInteger("Properties", "Port number", 1);
    port_.speed = settings.ReadInteger("Properties", "Speed", 9600);
    port_.dataBits = settings.ReadInteger("Properties", "Datalen", 8);
    port_.stopBits = settings.ReadInteger("Properties", "Datastop", 1);
    port_.parity = settings.ReadInteger("Properties", "Dataparity", 0);
    port_.timeout = settings.ReadInteger("Properties", "Timeout", 0);
    if (port_.timeout >= 1)
        return;
    port_.timeout = 3;
    try {
        settings.WriteInteger("Properties", "Timeout", port_.timeout);
    } catch (const EIniFileException&) {
        MessageBox("Unable to write ini file. Access denied", "Error", MB_OK | MB_ICONERROR);
    }
}

void Tpiirtopohja::BuildModemTypeMenus() {
    const std::vector<std::string> types = BuildModemTypeCatalogue(SingleModem());
    const std::pair<QMenu*, NewModemKind> parents[] = {
        {Luouusi1, NewModemKind::Normal},     {ui->Luouusi2, NewModemKind::Normal},
        {NewMobile2, NewModemKind::Mobile},   {ui->NewMobile1, NewModemKind::Mobile},
        {Newmulti1, NewModemKind::Multiport}, {ui->Newmulti2, NewModemKind::Multiport}};
    for (const auto& [menu, kind] : parents) {
        menu->setEnabled(!types.empty());
        const bool modemMenu = menu->parent() != PopupMenu1;
        for (const std::string& type : types) {
            QAction* item = menu->addAction(fromLatin1(Trimmed(type)));
            item->setData(static_cast<int>(kind));
            item->setToolTip(fromLatin1("modem " + type));
            item->setStatusTip(item->toolTip());
            connect(item, &QAction::triggered, this, [this, item, modemMenu] {
                if (modemMenu)
                    NewModemFigureAtOrigin(item);
                else
                    NewModemFigure(item);
            });
        }
    }
}

bool Tpiirtopohja::event(QEvent* event) {
    if (const WindowMessage* message = WindowMessage::from(event)) {
        if (message->number() == WM_DESIGNER_OPEN_FILE) {
            OpenStartFile();
            return true;
        }
        if (message->number() == WM_DESIGNER_CREATE_HELPERS) {
            CreateHelpers();
            return true;
        }
    }
    return QMainWindow::event(event);
}

void Tpiirtopohja::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    PostMessage(this, WM_DESIGNER_OPEN_FILE);
}

void Tpiirtopohja::CreateHelpers() {
    // The tool windows outlive their designer: the main window owns them.
    QWidget* owner = Pohjafrm ? Pohjafrm->Window() : this;
    prj_ominaisuus = new Tprj_ominaisuus(owner);
    suoja = new Tsuoja(owner);
}

void Tpiirtopohja::OpenStartFile() {
    if (!firstShow_)
        return;
    firstShow_ = false;
    const std::string latest =
        TIniFile(SettingsFileName())
            .ReadString(SingleModem() ? "One Modem File List" : "File List", "Latest", "");
    std::error_code error;
    if (latest.empty() || !std::filesystem::is_regular_file(latest, error)) {
        Uusi1Click();
        return;
    }
    LoadProjectFile(latest);
    SetFileNameOfMode(latest);
    design_.routesDirty = true;
}

void Tpiirtopohja::SetFileNameOfMode(const std::string& fileName) {
    if (SingleModem())
        singleModemFileName_ = fileName;
    else
        projectFileName_ = fileName;
}

void Tpiirtopohja::ResetZoom() {
    design_.zoom = 100.0f;
    if (Pohjafrm)
        Pohjafrm->ShowZoomScale("100");
}

// The file dialog of the project commands (of the single-modem setup in that mode).
FileDialogRequest Tpiirtopohja::ProjectFileRequest(bool save, const std::string& title) const {
    FileDialogRequest request;
    request.save = save;
    request.title = title;
    request.filter = SingleModem() ? kSingleModemFilter : kProjectFilter;
    request.defaultExtension = SingleModem() ? "ssf" : "spf";
    request.fileName = FileName();
    request.initialFolder = ProgramFolder();
    return request;
}

// The file dialog of the selected modem's data commands.
FileDialogRequest Tpiirtopohja::ModemDataRequest(bool save, const std::string& title) const {
    FileDialogRequest request;
    request.save = save;
    request.title = title;
    request.filter = kModemDataFilter;
    request.defaultExtension = "ssf";
    request.fileName = modemFileName_;
    request.initialFolder = ProgramFolder();
    return request;
}

bool Tpiirtopohja::AskSaveChanges() {
    if (design_.modified) {
        const int answer = MessageBox("Save changes to file ?", "Warning", MB_YESNOCANCEL | MB_ICONWARNING);
        if (answer == IDCANCEL)
            return false;
        if (answer == IDYES) {
            // A cancelled dialog or a failed save keeps the design: nothing is lost.
            const std::optional<std::string> chosen = ChooseFileName(this, ProjectFileRequest(true, ""));
            if (!chosen || !SaveProjectFile(*chosen))
                return false;
            SetFileNameOfMode(*chosen);
        }
    }
    design_.DeleteAllFigures();
    RedrawRoutes();
    design_.modified = false;
    return true;
}

void Tpiirtopohja::Uusi1Click() {
    if (!AskSaveChanges())
        return;
    if (!SingleModem() && prj_ominaisuus)
        prj_ominaisuus->ShowNewProject(this);
    design_.routesDirty = false;
    design_.figureCounter = 0;
    design_.routesGenerated = false;
    projectFileName_ = "noname.spf";
    singleModemFileName_ = "default.ssf";
    fileNamed_ = false;
    if (SingleModem())
        setWindowTitle(QString(kSingleModemCaption) + "default.ssf");
    ResetZoom();
}

void Tpiirtopohja::Avaa1Click() {
    const std::optional<std::string> chosen = ChooseFileName(
        this, ProjectFileRequest(false, SingleModem() ? "Open one modem setup" : "Open project"));
    if (!chosen || !AskSaveChanges())
        return;
    ui->MobileRoutes1->setChecked(false);
    design_.figureCounter = 1;
    LoadProjectFile(*chosen);
    SetFileNameOfMode(*chosen);
    design_.routesDirty = true;
    fileNamed_ = true;
    ResetZoom();
}

void Tpiirtopohja::LoadProjectFile(const std::string& fileName) {
    fileNamed_ = true;
    LoadOptions options;
    options.clientWidth = scrollArea_->viewport()->width();
    options.clientHeight = scrollArea_->viewport()->height();
    options.typeReader = &typeReader_;
    try {
        ::LoadProjectFile(design_, fileName, options);
    } catch (const EFileError& failure) {
        ShowFileError(failure);
    }
    if (SingleModem()) {
        setWindowTitle(fromLatin1(kSingleModemCaption + fileName));
    } else {
        UpdateCaption(fileName);
        ui->MobileRoutes1->setEnabled(!design_.properties.IsVirtualRouting());
    }
    RedrawRoutes();
}

bool Tpiirtopohja::SaveProjectFile(const std::string& fileName) {
    scrollArea_->verticalScrollBar()->setValue(0);
    scrollArea_->horizontalScrollBar()->setValue(0);
    try {
        ::SaveProjectFile(design_, fileName, ProgramVersion(), MainCaption());
        return true;
    } catch (const EFileError& failure) {
        ShowFileError(failure);
        return false;
    }
}

void Tpiirtopohja::Tallenna1Click() {
    const bool named = SingleModem() ? singleModemFileName_ != "default.ssf" : fileNamed_;
    if (named)
        SaveProjectFile(FileName());
    else
        Tallennanimell1Click();
}

void Tpiirtopohja::Tallennanimell1Click() {
    const std::optional<std::string> chosen = ChooseFileName(
        this, ProjectFileRequest(true, SingleModem() ? "Save single modem setup as" : "Save project as"));
    if (!chosen)
        return;
    SetFileNameOfMode(*chosen);
    if (SingleModem())
        setWindowTitle(fromLatin1(kSingleModemCaption + *chosen));
    else
        UpdateCaption(*chosen);
    if (SaveProjectFile(*chosen))
        fileNamed_ = true;
}

void Tpiirtopohja::Lopeta1Click() {
    if (Pohjafrm)
        Pohjafrm->CloseMainWindow();
}

void Tpiirtopohja::LataaModeemi1Click() {
    if (!design_.active) {
        ShowMessage("Select modem first");
        return;
    }
    const std::optional<std::string> chosen =
        ChooseFileName(this, ModemDataRequest(false, "Open modem data"));
    if (!chosen)
        return;
    try {
        LoadModemData(*design_.active, *chosen);
    } catch (const EFileError& failure) {
        ShowFileError(failure);
    }
    modemFileName_ = *chosen;
}

void Tpiirtopohja::TallennaModeemi1Click() {
    if (!design_.active) {
        ShowMessage("Select modem first");
        return;
    }
    if (design_.active->PropertyEntries().empty()) {
        ShowMessage("Setup modems properties first");
        return;
    }
    const std::optional<std::string> chosen =
        ChooseFileName(this, ModemDataRequest(true, "Save modem data as"));
    if (!chosen)
        return;
    try {
        SaveModemData(*design_.active, *chosen);
        modemFileName_ = *chosen;
    } catch (const EFileError& failure) {
        ShowFileError(failure);
    }
}

void Tpiirtopohja::NewModemFigure(QAction* item) {
    const auto* menu = qobject_cast<QMenu*>(item->parent());
    const std::string key =
        toLatin1((menu ? menu->objectName() + menu->title() : QString()) + ":" + item->text());
    design_.NewModemFigure(toLatin1(item->text()), static_cast<NewModemKind>(item->data().toInt()),
                           pointer_.x(), pointer_.y(), key, typeReader_);
    RedrawRoutes();
}

void Tpiirtopohja::NewModemFigureAtOrigin(QAction* item) {
    pointer_ = kModemMenuOrigin;
    NewModemFigure(item);
}

void Tpiirtopohja::ShowPopupMenu(const QPoint& point) {
    pointer_ = point;
    PopupMenu1->popup(canvas_->mapToGlobal(point));
}

void Tpiirtopohja::SelectFigure(TKuvio* figure) {
    design_.active = figure;
    RedrawRoutes();
}

void Tpiirtopohja::Ominaisuudet3Click() {
    if (prj_ominaisuus)
        prj_ominaisuus->ShowFor(this);
}

void Tpiirtopohja::Suojaustaso1Click() {
    if (suoja)
        suoja->ShowFor(this);
}

void Tpiirtopohja::ProjectPropertiesAccepted(bool newProject) {
    ShowProjectCaption();
    design_.modified = true;
    if (newProject)
        UpdateCaption(projectFileName_);
    if (design_.properties.IsVirtualRouting()) {
        ui->MobileRoutes1->setChecked(false);
        ui->MobileRoutes1->setEnabled(false);
        if (design_.master)
            design_.master->SetNoTerminalAddress(false);
    } else {
        ui->MobileRoutes1->setEnabled(true);
    }
    RedrawRoutes();
}

void Tpiirtopohja::ShowProjectCaption() {
    if (!SingleModem())
        setWindowTitle(fromLatin1("Project: " + design_.properties.name));
}

void Tpiirtopohja::UpdateCaption(const std::string& fileName) {
    if (!SingleModem())
        setWindowTitle(fromLatin1("Project: " + design_.properties.name + " | file: " + fileName));
}

void Tpiirtopohja::RedrawRoutes() {
    canvas_->Refresh();
}

bool Tpiirtopohja::FormCloseQuery() {
    if (!AskSaveChanges())
        return false;
    for (QWidget* helper : std::initializer_list<QWidget*>{prj_ominaisuus, suoja})
        if (helper)
            helper->hide();
    return true;
}

void Tpiirtopohja::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void Tpiirtopohja::FormClose() {
    EnableMainWindowCommands(true);
    design_.DeleteAllFigures();
    if (SingleModem())
        EnableCopyAndPaste(true);
}

Tpiirtopohja* CreateDesigner(bool singleModem) {
    auto* designer = new Tpiirtopohja(singleModem);
    if (!Pohjafrm) {
        designer->setAttribute(Qt::WA_DeleteOnClose);
        designer->show();
        return designer;
    }
    QMdiSubWindow* child = Pohjafrm->MdiArea()->addSubWindow(designer);
    child->setAttribute(Qt::WA_DeleteOnClose);
    if (singleModem)
        child->showNormal();
    else
        child->showMaximized();
    return designer;
}
