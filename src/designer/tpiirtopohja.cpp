#include "designer/tpiirtopohja.h"

#include "base/text_lines.h"
#include "designer/designer_canvas.h"
#include "designer/figure_values.h"
#include "designer/held_figure.h"
#include "designer/modem_data_file.h"
#include "designer/project_file.h"
#include "designer/tarvotaulu.h"
#include "designer/tinfo.h"
#include "designer/tominaisuus.h"
#include "designer/tprj_ominaisuus.h"
#include "designer/tsuoja.h"
#include "designer/zoom.h"
#include "platform/file_contents.h"
#include "platform/file_dialogs.h"
#include "platform/latin1.h"
#include "platform/message_box.h"
#include "platform/modal_box.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "platform/window_message.h"
#include "serial/tquovixcommport.h"
#include "shell/main_window_services.h"
#include "shell/mdi_child.h"
#include "ui_tpiirtopohja.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QWheelEvent>

namespace {

constexpr const char* kSingleModemCaption = "Setup single modem : ";
constexpr const char* kProjectFilter = "Project files|*.spf";
constexpr const char* kSingleModemFilter = "Single modem files|*.ssf";
constexpr const char* kModemDataFilter = "Modem setup files|*.ssf";
// Where the Modem menu's new modems go.
const QPoint kModemMenuOrigin(30, 50);
// Pixels of one scroll step of the wheel and the arrow keys.
constexpr int kScrollStep = 8;
// How far a zoom step moves the scroll bars.
constexpr int kZoomScrollShift = 5;
// The choices of the ping port settings: a menu item per value.
constexpr int kPingSpeeds[] = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
constexpr int kPingDataBits[] = {7, 8};
constexpr int kPingStopBits[] = {1, 2};
const char* const kParityNames[] = {"None", "Odd", "Even"};

bool FactoryMode() {
    return Pohjafrm && Pohjafrm->FactoryMode();
}

std::string ProgramVersion() {
    return Pohjafrm ? Pohjafrm->VersionText() : std::string();
}

std::string MainCaption() {
    return Pohjafrm ? toLatin1(Pohjafrm->Window()->windowTitle()) : std::string();
}

void ShowFileError(const EFileError& failure) {
    MessageBox(failure.what(), "Error", MB_OK | MB_ICONERROR);
}

void ShowZoomScale(float zoom) {
    if (Pohjafrm)
        Pohjafrm->ShowZoomScale(ZoomText(zoom));
}

void Apply(QAction* item, const ItemState& state) {
    if (state)
        item->setEnabled(*state);
}

void Apply(QMenu* menu, const ItemState& state) {
    Apply(menu->menuAction(), state);
}

const char* RouteCaption(bool hide) {
    return hide ? "&Hide route" : "&Show route";
}

// A radio menu of values; the item whose value is the chosen one is ticked.
void AddChoiceItems(QMenu* menu, const std::vector<std::pair<QString, int>>& items, int chosen) {
    auto* group = new QActionGroup(menu);
    for (const auto& [text, value] : items) {
        QAction* item = menu->addAction(text);
        item->setCheckable(true);
        item->setData(value);
        item->setChecked(value == chosen);
        group->addAction(item);
    }
}

} // namespace

Tpiirtopohja::Tpiirtopohja(bool singleModem, QWidget* parent)
    : QMainWindow(parent), PopupMenu1(new QMenu(this)), PopupMenu2(new QMenu(this)), ui(new Ui::Tpiirtopohja),
      design_(singleModem), editor_(design_), typeReader_(FactoryMode()), recentFiles_(singleModem),
      canvas_(new DesignerCanvas(editor_)), scrollArea_(new QScrollArea(this)) {
    ui->setupUi(this);
    scrollArea_->setWidget(canvas_);
    scrollArea_->setWidgetResizable(true);
    setCentralWidget(scrollArea_);
    canvas_->setFocusPolicy(Qt::StrongFocus);
    canvas_->installEventFilter(this);
    scrollArea_->viewport()->installEventFilter(this);
    BuildMenus();
    ConnectMenuCommands();
    CreateProgramming();
    editor_.SetHooks({[this] { Ominaisuudet2Click(); }, [this] { ActiveFigureChanged(); },
                      [this](TKuvio& figure) { FigureRemoved(figure); },
                      [this] { return ConvertingModemType(); }});
    connect(canvas_, &DesignerCanvas::edited, this, &Tpiirtopohja::EditedOnCanvas);
    connect(canvas_, &DesignerCanvas::panned, this, &Tpiirtopohja::Pan);
    connect(canvas_, &DesignerCanvas::figureMenuRequested, this, [this](QPoint global) {
        PopupMenu2Popup();
        PopupMenu2->popup(global);
    });
    connect(canvas_, &DesignerCanvas::areaMenuRequested, this, [this](QPoint global) {
        PopupMenu1Popup();
        PopupMenu1->popup(global);
    });

    if (singleModem) {
        setWindowTitle(kSingleModemCaption);
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
    programming_->Cancel();
    design_.DeleteAllFigures();
    // No other designer reaches this one's tool windows: they go with it.
    for (QWidget* window : std::initializer_list<QWidget*>{prj_ominaisuus_, ominaisuus_, suoja_})
        if (window)
            window->deleteLater();
    delete ui;
}

void Tpiirtopohja::BuildMenus() {
    ui->Reitit1->setEnabled(false);
    ui->Reitit1->setVisible(false);
    // Short cuts act while the designer has the focus, beside the main window's own.
    for (QAction* item : findChildren<QAction*>()) {
        if (item->shortcut().isEmpty())
            continue;
        item->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(item);
    }
    BuildPopupMenus();
}

void Tpiirtopohja::BuildPopupMenus() {
    Luouusi1 = PopupMenu1->addMenu("&New modem");
    NewMobile2 = PopupMenu1->addMenu("New &mobile");
    Newmulti1 = PopupMenu1->addMenu("New m&ultiterminal");
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(ui->Ominaisuudet1);

    PopupMenu2->addActions({ui->Viiva1, ui->Deleteconnection1, ui->Master1, ui->Copy1, ui->Poista1});
    PopupMenu2->addSeparator();
    PopupMenu2->addActions(
        {ui->Ominaisuudet2, ui->Nytreitti1, ui->Receivevalues1, ui->Transmitparrou1, ui->Pingmodem1});
    Konvert1 = PopupMenu2->addMenu("Change sm&f-file type to");
    PopupMenu2->addSeparator();
    PopupMenu2->addAction(ui->Piirruudestaan1);
}

void Tpiirtopohja::ConnectMenuCommands() {
    const std::pair<QAction*, void (Tpiirtopohja::*)()> commands[] = {
        {ui->Uusi1, &Tpiirtopohja::Uusi1Click},
        {ui->Avaa1, &Tpiirtopohja::Avaa1Click},
        {ui->Tallenna1, &Tpiirtopohja::Tallenna1Click},
        {ui->Tallennanimell1, &Tpiirtopohja::Tallennanimell1Click},
        {ui->Drawing1, &Tpiirtopohja::Drawing1Click},
        {ui->Properties1, &Tpiirtopohja::Properties1Click},
        {ui->Printproperties1, &Tpiirtopohja::Printproperties1Click},
        {ui->PrintSetup1, &Tpiirtopohja::PrintSetup1Click},
        {ui->Lopeta1, &Tpiirtopohja::Lopeta1Click},
        {ui->Yhdist1, &Tpiirtopohja::Yhdist1Click},
        {ui->Poista2, &Tpiirtopohja::Poista2Click},
        {ui->Copy2, &Tpiirtopohja::Copy2Click},
        {ui->Master2, &Tpiirtopohja::Master2Click},
        {ui->Ominaisuudet4, &Tpiirtopohja::Ominaisuudet4Click},
        {ui->NytReitti2, &Tpiirtopohja::NytReitti2Click},
        {ui->Haearvot1, &Tpiirtopohja::Haearvot1Click},
        {ui->Lhetarvot1, &Tpiirtopohja::Lhetarvot1Click},
        {ui->Print2, &Tpiirtopohja::Print2Click},
        {ui->LataaModeemi1, &Tpiirtopohja::LataaModeemi1Click},
        {ui->TallennaModeemi1, &Tpiirtopohja::TallennaModeemi1Click},
        {ui->Ominaisuudet3, &Tpiirtopohja::Ominaisuudet3Click},
        {ui->Reitit1, &Tpiirtopohja::Reitit1Click},
        {ui->MobileRoutes1, &Tpiirtopohja::MobileRoutes1Click},
        {ui->PropTable1, &Tpiirtopohja::PropTable1Click},
        {ui->Suojaustaso1, &Tpiirtopohja::Suojaustaso1Click},
        {ui->Ping1, &Tpiirtopohja::Ping1Click},
        {ui->PingAll1, &Tpiirtopohja::PingAll1Click},
        {ui->PingCount1, &Tpiirtopohja::PingCount1Click},
        {ui->Clearrssiinfos1, &Tpiirtopohja::Clearrssiinfos1Click},
        {ui->Ominaisuudet1, &Tpiirtopohja::Ominaisuudet3Click},
        {ui->Viiva1, &Tpiirtopohja::Viiva1Click},
        {ui->Deleteconnection1, &Tpiirtopohja::Deleteconnection1Click},
        {ui->Master1, &Tpiirtopohja::Master1Click},
        {ui->Copy1, &Tpiirtopohja::Copy1Click},
        {ui->Poista1, &Tpiirtopohja::Poista1Click},
        {ui->Ominaisuudet2, &Tpiirtopohja::Ominaisuudet2Click},
        {ui->Nytreitti1, &Tpiirtopohja::Nytreitti1Click},
        {ui->Receivevalues1, &Tpiirtopohja::Receivevalues1Click},
        {ui->Transmitparrou1, &Tpiirtopohja::Transmitparrou1Click},
        {ui->Pingmodem1, &Tpiirtopohja::Ping1Click},
        {ui->Piirruudestaan1, &Tpiirtopohja::Piirruudestaan1Click},
    };
    for (const auto& [item, handler] : commands)
        connect(item, &QAction::triggered, this, [this, handler = handler] { (this->*handler)(); });
    // Sulje1 closes through the close query, as closing the window does.
    connect(ui->Sulje1, &QAction::triggered, this, [this] { CloseMdiChild(this); });
    connect(ui->Tiedosto1, &QMenu::aboutToShow, this, &Tpiirtopohja::Tiedosto1Click);
    connect(ui->Modeemi1, &QMenu::aboutToShow, this, &Tpiirtopohja::Modeemi1Click);
    connect(ui->Projekti1, &QMenu::aboutToShow, this, &Tpiirtopohja::Projekti1Click);
    connect(ui->Testnet1, &QMenu::aboutToShow, this, &Tpiirtopohja::Testnet1Click);
    connect(ui->Numero1, &QMenu::triggered, this, &Tpiirtopohja::COM11Click);
    connect(ui->Numero1, &QMenu::aboutToShow, this,
            [this] { BuildPortMenu(*ui->Numero1, port_.portNumber); });
    connect(ui->Portspeedping1, &QMenu::triggered, this, &Tpiirtopohja::PortSpeedPingClick);
    connect(ui->PortDataping1, &QMenu::triggered, this, &Tpiirtopohja::PortDataPingClick);
    connect(ui->Portstopping1, &QMenu::triggered, this, &Tpiirtopohja::PortStopPingClick);
    connect(ui->PortParityping1, &QMenu::triggered, this, &Tpiirtopohja::PortParityPingClick);
    connect(Konvert1, &QMenu::triggered, this, &Tpiirtopohja::Konvert1Click);
}

// The port of the programming run: events on received characters and on an empty
// transmitter, in the background.
namespace {

// The status window is created at start-up; a designer opened without it (in a
// test) makes one.
TransferStatusWindow& StatusWindow() {
    if (!info)
        new Tinfo(Pohjafrm ? Pohjafrm->Window() : nullptr);
    return *info;
}

} // namespace

void Tpiirtopohja::CreateProgramming() {
    DesignerProgramming::Hooks hooks;
    hooks.redraw = [this] { RedrawRoutes(); };
    // The accepted level, not the "Level 9" tick, which a wrong password leaves ticked.
    hooks.factoryLevel = [this] { return securityLevel_ == 9; };
    hooks.mobileRoutes = [this] { return MobileView(); };
    hooks.enableTestNet = [this](bool enabled) { ui->Testnet1->menuAction()->setEnabled(enabled); };
    hooks.showRejected = [this](TKuvio& figure, const std::vector<DollarItem>& items, int firstIndex) {
        ShowRejectedValues(figure, items, firstIndex);
    };
    hooks.hideProperties = [this] {
        if (ominaisuus_)
            ominaisuus_->hide();
    };
    hooks.showProperties = [this](TKuvio& figure) { ShowProperties(figure); };
    hooks.enablePropertiesCancel = [this] {
        if (ominaisuus_)
            ominaisuus_->EnableCancel();
    };
    programming_ = std::make_unique<DesignerProgramming>(design_, StatusWindow(), port_, std::move(hooks));
    nms_ = std::make_unique<DesignerNms>(*this);
    UpdatePingCaption();
}

void Tpiirtopohja::FormCreate() {
    design_.context = nullptr;
    port_ = DesignerPortSettings::Read();
    BuildPingSettingMenus();
    BuildModemTypeMenus();
    recentFiles_.Read();
    BuildRecentFileMenu();
    firstShow_ = true;
}

// The radio items of the ping settings, ticked as the settings file says.
void Tpiirtopohja::BuildPingSettingMenus() {
    std::vector<std::pair<QString, int>> speeds, dataBits, stopBits, parities;
    for (int speed : kPingSpeeds)
        speeds.emplace_back(QString::number(speed), speed);
    for (int bits : kPingDataBits)
        dataBits.emplace_back(QString::number(bits), bits);
    for (int bits : kPingStopBits)
        stopBits.emplace_back(QString::number(bits), bits);
    for (int parity = 0; parity < static_cast<int>(std::size(kParityNames)); ++parity)
        parities.emplace_back(kParityNames[parity], parity);
    AddChoiceItems(ui->Portspeedping1, speeds, port_.speed);
    AddChoiceItems(ui->PortDataping1, dataBits, port_.dataBits);
    AddChoiceItems(ui->Portstopping1, stopBits, port_.stopBits);
    AddChoiceItems(ui->PortParityping1, parities, port_.parity);
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
    Konvert1->setEnabled(!types.empty());
    for (const std::string& type : types)
        Konvert1->addAction(fromLatin1(Trimmed(type)))->setStatusTip(fromLatin1("modem " + type));
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

// The tool windows stand beside the designers, so the main window owns them.
void Tpiirtopohja::CreateHelpers() {
    QWidget* owner = Pohjafrm ? Pohjafrm->Window() : this;
    prj_ominaisuus_ = new Tprj_ominaisuus(owner);
    // A project is captioned with its name from here on: the helpers come before
    // the start file (both are posted, the helpers at construction), so a start
    // file or the first New's properties give the caption that follows.
    ShowProjectCaption();
    ominaisuus_ = new Tominaisuus(owner);
    suoja_ = new Tsuoja(owner);
}

Tominaisuus* Tpiirtopohja::PropertiesWindow() const {
    return ominaisuus_;
}

Tprj_ominaisuus* Tpiirtopohja::ProjectPropertiesDialog() const {
    return prj_ominaisuus_;
}

Tsuoja* Tpiirtopohja::SecurityLevelDialog() const {
    return suoja_;
}

void Tpiirtopohja::OpenStartFile() {
    if (!firstShow_)
        return;
    firstShow_ = false;
    const std::string& latest = recentFiles_.Latest();
    if (latest.empty() || NothingAt(latest)) {
        Uusi1Click();
        return;
    }
    if (!LoadProjectFile(latest))
        return;
    SetFileNameOfMode(latest);
    design_.routesDirty = true;
}

void Tpiirtopohja::SetFileNameOfMode(const std::string& fileName) {
    if (SingleModem())
        singleModemFileName_ = fileName;
    else
        projectFileName_ = fileName;
}

// The file of the mode is the latest of the recent list, and the File menu shows
// the list anew.
void Tpiirtopohja::RecordRecentFile(const std::string& fileName) {
    recentFiles_.RecordAndWrite(fileName);
    RemoveRecentFileItems();
    BuildRecentFileMenu();
}

void Tpiirtopohja::BuildRecentFileMenu() {
    for (size_t slot = 1; slot < RecentFiles::kSlots; ++slot) {
        const std::string& path = recentFiles_.Slot(slot);
        if (path.empty())
            continue;
        QAction* item = ui->Tiedosto1->addAction(fromLatin1(path));
        item->setData(fromLatin1(path));
        item->setStatusTip(fromLatin1("File " + std::to_string(slot) + " " + path));
        connect(item, &QAction::triggered, this, [this, item] { OpenRecentFile(item); });
        recentItems_.push_back(item);
    }
}

void Tpiirtopohja::RemoveRecentFileItems() {
    for (QAction* item : recentItems_)
        delete item;
    recentItems_.clear();
}

// A file that is gone is reported as removed; one that is there but cannot be read
// (a folder, a pipe) is opened as Open opens it, which says why it cannot be read.
void Tpiirtopohja::OpenRecentFile(QAction* item) {
    const std::string path = toLatin1(item->data().toString());
    if (NothingAt(path)) {
        ShowMessage((SingleModem() ? "Single modem file " : "Project file ") + path +
                    " has been removed from disk");
        return;
    }
    if (AskSaveChanges())
        OpenDesignFile(path);
}

// Opens a file chosen by the user, after the save question: the normal view, the
// loaded design at 100 per cent, the file the latest of the recent list.
void Tpiirtopohja::OpenDesignFile(const std::string& fileName) {
    ui->MobileRoutes1->setChecked(false);
    editor_.SetMobileView(false);
    design_.figureCounter = 1;
    if (!LoadProjectFile(fileName))
        return;
    SetFileNameOfMode(fileName);
    design_.routesDirty = true;
    RecordRecentFile(fileName);
    fileNamed_ = true;
    ResetZoom();
}

void Tpiirtopohja::Tiedosto1Click() {
    if (!SingleModem()) {
        ui->Printproperties1->setEnabled(false);
        ui->Printproperties1->setVisible(false);
        return;
    }
    const std::tuple<QAction*, const char*, const char*> items[] = {
        {ui->Uusi1, "&New single", "Create new single setup modem"},
        {ui->Avaa1, "&Open single", "Open existing single modem setup file"},
        {ui->Tallennanimell1, "S&ave single as...", "Save current single modem setup file as given filename"},
        {ui->Tallenna1, "&Save single", "Save current single modem setup file"},
        {ui->Sulje1, "&Close single", "Close single form"}};
    for (const auto& [item, caption, hint] : items) {
        item->setText(caption);
        item->setStatusTip(hint);
    }
    ui->Print1->menuAction()->setEnabled(false);
    ui->Print1->menuAction()->setVisible(false);
}

void Tpiirtopohja::Projekti1Click() {
    if (!SingleModem())
        return;
    for (QAction* item : {ui->Reitit1, ui->MobileRoutes1, ui->Ominaisuudet3})
        item->setEnabled(false);
}

bool Tpiirtopohja::MobileView() const {
    return ui->MobileRoutes1->isChecked();
}

bool Tpiirtopohja::AllowedInMode(int mask) const {
    return ::AllowedInMode(mask, SingleModem(), FactoryMode());
}

void Tpiirtopohja::ResetZoom() {
    design_.ResetZoom();
    ShowZoomScale(design_.zoom);
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
    // Closing the properties window stores a new modem's shown values, so that
    // the design saved holds them.
    if (ominaisuus_)
        ominaisuus_->close();
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
            fileNamed_ = true;
        }
    }
    if (prj_ominaisuus_)
        prj_ominaisuus_->CloseFor(this);
    design_.DeleteAllFigures();
    RedrawRoutes();
    design_.modified = false;
    return true;
}

void Tpiirtopohja::Uusi1Click() {
    if (!AskSaveChanges())
        return;
    if (!SingleModem() && prj_ominaisuus_)
        prj_ominaisuus_->ShowNewProject(this);
    design_.routesDirty = false;
    design_.figureCounter = 0;
    design_.routesGenerated = false;
    ForgetFile();
    ResetZoom();
    RefreshPropertyTable(this);
}

// The window's file is one it read or wrote.
bool Tpiirtopohja::HasFile() const {
    return SingleModem() ? singleModemFileName_ != "default.ssf" : fileNamed_;
}

void Tpiirtopohja::ForgetFile() {
    projectFileName_ = "noname.spf";
    singleModemFileName_ = "default.ssf";
    fileNamed_ = false;
    if (SingleModem())
        setWindowTitle(QString(kSingleModemCaption) + "default.ssf");
}

void Tpiirtopohja::Avaa1Click() {
    const std::optional<std::string> chosen = ChooseFileName(
        this, ProjectFileRequest(false, SingleModem() ? "Open one modem setup" : "Open project"));
    if (chosen && AskSaveChanges())
        OpenDesignFile(*chosen);
}

bool Tpiirtopohja::LoadProjectFile(const std::string& fileName) {
    LoadOptions options;
    options.clientWidth = scrollArea_->viewport()->width();
    options.clientHeight = scrollArea_->viewport()->height();
    options.typeReader = &typeReader_;
    bool read = true;
    try {
        ::LoadProjectFile(design_, fileName, options);
    } catch (const EFileError& failure) {
        ShowFileError(failure);
        read = false;
    }
    if (!read) {
        // Named after a file it never read, the window would save the empty design
        // over that file.
        ForgetFile();
        ShowFileCaption(projectFileName_);
    } else {
        fileNamed_ = true;
        if (SingleModem()) {
            setWindowTitle(fromLatin1(kSingleModemCaption + fileName));
        } else {
            ShowFileCaption(fileName);
            ui->MobileRoutes1->setEnabled(!design_.properties.IsVirtualRouting());
        }
    }
    RedrawRoutes();
    RefreshPropertyTable(this);
    return read;
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
    if (HasFile())
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
        ShowFileCaption(*chosen);
    if (!SaveProjectFile(*chosen))
        return;
    RecordRecentFile(*chosen);
    fileNamed_ = true;
}

void Tpiirtopohja::Lopeta1Click() {
    if (Pohjafrm)
        Pohjafrm->CloseMainWindow();
}

// Load and Save take the modem active when chosen: a ping that goes on while the
// file dialog is open makes others active meanwhile.
void Tpiirtopohja::LataaModeemi1Click() {
    if (!design_.active) {
        ShowMessage("Select modem first");
        return;
    }
    const HeldFigure figure(design_, design_.active);
    const std::optional<std::string> chosen =
        ChooseFileName(this, ModemDataRequest(false, "Open modem data"));
    if (!chosen || !figure.get())
        return;
    try {
        LoadModemData(*figure, *chosen);
        modemFileName_ = *chosen;
    } catch (const EFileError& failure) {
        ShowFileError(failure);
    }
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
    const HeldFigure figure(design_, design_.active);
    const std::optional<std::string> chosen =
        ChooseFileName(this, ModemDataRequest(true, "Save modem data as"));
    if (!chosen || !figure.get())
        return;
    try {
        SaveModemData(*figure, *chosen);
        modemFileName_ = *chosen;
    } catch (const EFileError& failure) {
        ShowFileError(failure);
    }
}

void Tpiirtopohja::NewModemFigure(QAction* item) {
    const auto* menu = qobject_cast<QMenu*>(item->parent());
    const std::string key =
        toLatin1((menu ? menu->objectName() + menu->title() : QString()) + ":" + item->text());
    editor_.NewModemFigure(toLatin1(item->text()), static_cast<NewModemKind>(item->data().toInt()), key,
                           typeReader_);
    lastModemType_ = item;
    RedrawRoutes();
}

// Insert repeats the last modem type, once the modem before is placed: a second
// one would be left unplaced under the new one. A mobile modem would be hidden
// while the mobile routes are, so then the ordinary modem of that type is added.
QAction* Tpiirtopohja::InsertedModemType() const {
    if (design_.context && design_.context->dragging)
        return nullptr;
    if (!lastModemType_ || MobileView() ||
        lastModemType_->data().toInt() != static_cast<int>(NewModemKind::Mobile))
        return lastModemType_;
    for (QAction* item : Luouusi1->actions())
        if (item->text() == lastModemType_->text())
            return item;
    return nullptr;
}

void Tpiirtopohja::NewModemFigureAtOrigin(QAction* item) {
    editor_.SetPointer(kModemMenuOrigin);
    NewModemFigure(item);
}

MenuConditions Tpiirtopohja::CurrentMenuConditions() const {
    MenuConditions conditions;
    conditions.mobileView = MobileView();
    conditions.portOpen = programming_->PortHeld();
    conditions.modemTypes = !ui->Luouusi2->actions().isEmpty();
    conditions.level9 = suoja_ && suoja_->LevelNineTicked();
    return conditions;
}

void Tpiirtopohja::Modeemi1Click() {
    const ModemMenuState state = ModemMenuRules(design_, CurrentMenuConditions());
    Apply(ui->Luouusi2, state.newModem);
    Apply(ui->NewMobile1, state.newMobile);
    Apply(ui->Newmulti2, state.newMulti);
    Apply(ui->Yhdist1, state.connect);
    Apply(ui->Poista2, state.deleteItem);
    Apply(ui->Copy2, state.copy);
    Apply(ui->Master2, state.master);
    Apply(ui->Ominaisuudet4, state.properties);
    Apply(ui->NytReitti2, state.showRoute);
    Apply(ui->Haearvot1, state.receive);
    Apply(ui->Lhetarvot1, state.transmit);
    Apply(ui->Print2, state.printProperties);
    Apply(ui->LataaModeemi1, state.load);
    Apply(ui->TallennaModeemi1, state.save);
    ui->NytReitti2->setText(RouteCaption(state.hideRoute));
}

void Tpiirtopohja::PopupMenu1Popup() {
    const AreaPopupState state = AreaPopupRules(design_, CurrentMenuConditions());
    Apply(Luouusi1, state.newModem);
    Apply(NewMobile2, state.newMobile);
    Apply(Newmulti1, state.newMulti);
    Apply(ui->Ominaisuudet1, state.properties);
}

void Tpiirtopohja::PopupMenu2Popup() {
    if (!design_.context)
        return;
    const ModemPopupState state = ModemPopupRules(design_, *design_.context, CurrentMenuConditions());
    Apply(ui->Viiva1, state.connect);
    Apply(ui->Nytreitti1, state.showRoute);
    Apply(ui->Copy1, state.copy);
    Apply(ui->Master1, state.master);
    Apply(ui->Deleteconnection1, state.deleteConnection);
    Apply(ui->Transmitparrou1, state.transmit);
    Apply(ui->Receivevalues1, state.receive);
    Apply(ui->Pingmodem1, state.ping);
    Apply(Konvert1, state.changeType);
    ui->Nytreitti1->setText(RouteCaption(state.hideRoute));
}

void Tpiirtopohja::Yhdist1Click() {
    editor_.EnterConnectMode();
    RedrawRoutes();
}

void Tpiirtopohja::Poista2Click() {
    editor_.EnterDeleteMode();
    RedrawRoutes();
}

void Tpiirtopohja::Copy2Click() {
    editor_.EnterCopyMode();
    RedrawRoutes();
}

void Tpiirtopohja::Master2Click() {
    design_.context = design_.active;
    Master1Click();
}

void Tpiirtopohja::Ominaisuudet4Click() {
    design_.context = design_.active;
    Ominaisuudet2Click();
}

void Tpiirtopohja::NytReitti2Click() {
    design_.context = design_.active;
    Nytreitti1Click();
}

void Tpiirtopohja::Viiva1Click() {
    editor_.StartConnecting();
    RedrawRoutes();
}

void Tpiirtopohja::Poista1Click() {
    editor_.DeleteModem();
    RedrawRoutes();
}

void Tpiirtopohja::Master1Click() {
    editor_.MakeMaster();
    RedrawRoutes();
}

void Tpiirtopohja::Copy1Click() {
    editor_.CopyModem();
    RedrawRoutes();
}

void Tpiirtopohja::Deleteconnection1Click() {
    editor_.DeleteConnection();
    RedrawRoutes();
}

void Tpiirtopohja::Piirruudestaan1Click() {
    RedrawRoutes();
}

void Tpiirtopohja::MobileRoutes1Click() {
    editor_.SetMobileView(ui->MobileRoutes1->isChecked());
    RedrawRoutes();
}

// Before a figure is destroyed: a single-modem window has no file for the next one.
void Tpiirtopohja::FigureRemoved(TKuvio&) {
    if (SingleModem())
        ForgetFile();
}

void Tpiirtopohja::SetMasterNoAddress(bool on) {
    if (design_.master)
        design_.master->SetNoTerminalAddress(on);
}

void Tpiirtopohja::ShowProperties(TKuvio& figure) {
    if (!ominaisuus_)
        return;
    ominaisuus_->SetFigure(this, &figure);
    ominaisuus_->ShowModemProperties(false);
}

void Tpiirtopohja::Ominaisuudet2Click() {
    if (design_.context)
        ShowProperties(*design_.context);
    design_.context = nullptr;
}

// A shown properties window follows the selection.
void Tpiirtopohja::ActiveFigureChanged() {
    if (ominaisuus_ && ominaisuus_->isVisible() && design_.active)
        ShowProperties(*design_.active);
}

bool Tpiirtopohja::ConvertingModemType() const {
    return ominaisuus_ && ominaisuus_->Converting();
}

// Opens the two-column view that converts the context figure to the chosen type.
void Tpiirtopohja::Konvert1Click(QAction* item) {
    if (ominaisuus_ && design_.context) {
        ominaisuus_->SetFigure(this, design_.context);
        ominaisuus_->SetConversionTarget(toLatin1(item->text()));
        ominaisuus_->ShowModemProperties(true);
    }
    design_.context = nullptr;
}

// The values a modem refused, shown in red on its properties: the parameters are
// marked and the user told, the factory block's are shown as they come. A value
// may open a box: what comes after it goes on only while the window still shows
// the modem the reply was for.
void Tpiirtopohja::ShowRejectedValues(TKuvio& figure, const std::vector<DollarItem>& items, int firstIndex) {
    if (!ominaisuus_)
        return;
    const HeldFigure rejected(design_, &figure);
    const auto stillShown = [&] { return ominaisuus_ && rejected.get() && ominaisuus_->Figure() == &figure; };
    ominaisuus_->SetFigure(this, &figure);
    const bool factory = firstIndex != 1;
    if (factory)
        ominaisuus_->ShowModemProperties(false);
    for (size_t i = 0; i < items.size() && stillShown(); ++i)
        ominaisuus_->ApplyResponseFields(firstIndex + static_cast<int>(i), items[i].tag, items[i].value);
    if (factory || !stillShown())
        return;
    ominaisuus_->RefreshPropertyForm();
    if (!stillShown())
        return;
    ominaisuus_->PostInvalidParameter();
    ominaisuus_->ShowModemProperties(false);
}

void Tpiirtopohja::Reitit1Click() {
    programming_->routes.Generate();
}

void Tpiirtopohja::Nytreitti1Click() {
    programming_->routes.ShowRoute();
    RedrawRoutes();
}

void Tpiirtopohja::Haearvot1Click() {
    if (design_.active)
        ReceiveValues(*design_.active);
}

// The window's port is held by one run or ping at a time.
void Tpiirtopohja::ReceiveValues(TKuvio& figure) {
    if (programming_->PortHeld())
        return;
    if (figure.NmsSupport())
        nms_->Run(false, figure);
    else
        programming_->Receive(figure);
}

void Tpiirtopohja::Receivevalues1Click() {
    Haearvot1Click();
}

void Tpiirtopohja::Lhetarvot1Click() {
    if (design_.active)
        TransmitValues(*design_.active);
}

void Tpiirtopohja::TransmitValues(TKuvio& figure) {
    if (programming_->PortHeld() || !CheckHexValuesFit(figure))
        return;
    if (figure.NmsSupport())
        nms_->Run(true, figure);
    else
        programming_->Transmit(figure);
}

void Tpiirtopohja::Transmitparrou1Click() {
    Lhetarvot1Click();
}

void Tpiirtopohja::Testnet1Click() {
    const bool available = programming_->ping.PingsAvailable();
    for (QAction* item : {ui->Ping1, ui->PingAll1})
        item->setEnabled(available && !programming_->PortHeld());
    ui->Clearrssiinfos1->setEnabled(available);
}

void Tpiirtopohja::Ping1Click() {
    programming_->Ping();
}

void Tpiirtopohja::PingAll1Click() {
    programming_->PingAll();
}

void Tpiirtopohja::PingCount1Click() {
    QInputDialog dialog(this);
    dialog.setWindowTitle("How many times to ping modem");
    dialog.setLabelText("Ping count");
    dialog.setTextValue("1");
    const bool accepted = RunModal(dialog) == QDialog::Accepted;
    // A cancelled box answers its default text.
    programming_->ping.SetPingCount(accepted ? toLatin1(dialog.textValue()) : "1");
    UpdatePingCaption();
}

void Tpiirtopohja::UpdatePingCaption() {
    ui->Ping1->setText(fromLatin1(programming_->ping.PingCaption()));
}

void Tpiirtopohja::Clearrssiinfos1Click() {
    programming_->ping.Clearrssiinfos1Click();
}

void Tpiirtopohja::COM11Click(QAction* item) {
    item->setChecked(true);
    ChoosePortSetting(port_, PortChoice::PortNumber, item->data().toInt());
}

void Tpiirtopohja::PortSpeedPingClick(QAction* item) {
    ChoosePortSetting(port_, PortChoice::Speed, item->data().toInt());
}

void Tpiirtopohja::PortDataPingClick(QAction* item) {
    ChoosePortSetting(port_, PortChoice::DataBits, item->data().toInt());
}

void Tpiirtopohja::PortStopPingClick(QAction* item) {
    ChoosePortSetting(port_, PortChoice::StopBits, item->data().toInt());
}

void Tpiirtopohja::PortParityPingClick(QAction* item) {
    ChoosePortSetting(port_, PortChoice::Parity, item->data().toInt());
}

void Tpiirtopohja::Ominaisuudet3Click() {
    if (prj_ominaisuus_)
        prj_ominaisuus_->ShowFor(this);
}

void Tpiirtopohja::Suojaustaso1Click() {
    if (suoja_)
        suoja_->ShowFor(this);
}

void Tpiirtopohja::ProjectPropertiesAccepted(bool newProject) {
    ShowProjectCaption();
    design_.modified = true;
    if (newProject)
        UpdateCaption(design_.properties.name);
    if (design_.properties.IsVirtualRouting()) {
        ui->MobileRoutes1->setChecked(false);
        editor_.SetMobileView(false);
        ui->MobileRoutes1->setEnabled(false);
        SetMasterNoAddress(false);
    } else {
        ui->MobileRoutes1->setEnabled(true);
    }
    RefreshRouteWindows();
}

void Tpiirtopohja::ShowProjectCaption() {
    if (!SingleModem())
        setWindowTitle(fromLatin1("Project: " + design_.properties.name));
}

void Tpiirtopohja::ShowFileCaption(const std::string& fileName) {
    if (!SingleModem())
        setWindowTitle(fromLatin1("Project: " + design_.properties.name + " | file: " + fileName));
}

void Tpiirtopohja::UpdateCaption(const std::string& name) {
    projectFileName_ = name + ".spf";
    ShowFileCaption(projectFileName_);
    fileNamed_ = false;
}

void Tpiirtopohja::RefreshRouteWindows() {
    design_.CloseOtherRoutingLists();
    RedrawRoutes();
}
void Tpiirtopohja::ZoomStep(bool in) {
    QScrollBar* bars[] = {scrollArea_->verticalScrollBar(), scrollArea_->horizontalScrollBar()};
    const int saved[] = {bars[0]->value(), bars[1]->value()};
    in ? design_.ZoomIn() : design_.ZoomOut();
    ShowZoomScale(design_.zoom);
    RedrawRoutes();
    for (int i = 0; i < 2; ++i) {
        if (!bars[i]->isVisible())
            continue;
        if (in && saved[i] > 0)
            bars[i]->setValue(saved[i] - kZoomScrollShift);
        else if (!in && bars[i]->maximum() > saved[i])
            bars[i]->setValue(saved[i] + kZoomScrollShift);
    }
}

void Tpiirtopohja::ZoomIn() {
    if (CanZoomIn(design_.zoom))
        ZoomStep(true);
}

void Tpiirtopohja::ZoomOut() {
    if (CanZoomOut(design_.zoom))
        ZoomStep(false);
}

namespace {

ScrollBarState StateOf(const QScrollBar* bar) {
    return {bar->isVisible(), bar->value(), bar->maximum()};
}

} // namespace

void Tpiirtopohja::ScrollRight(int step) {
    QScrollBar* bar = scrollArea_->horizontalScrollBar();
    bar->setValue(ScrolledForward(StateOf(bar), step));
}

void Tpiirtopohja::ScrollLeft(int step) {
    QScrollBar* bar = scrollArea_->horizontalScrollBar();
    bar->setValue(ScrolledBack(StateOf(bar), step));
}

void Tpiirtopohja::ScrollDown(int step) {
    QScrollBar* bar = scrollArea_->verticalScrollBar();
    bar->setValue(ScrolledForward(StateOf(bar), step));
}

void Tpiirtopohja::ScrollUp(int step) {
    QScrollBar* bar = scrollArea_->verticalScrollBar();
    bar->setValue(ScrolledBack(StateOf(bar), step));
}

// The drawing moves with the pointer while the empty area is held.
void Tpiirtopohja::Pan(QPoint move) {
    QScrollBar* horizontal = scrollArea_->horizontalScrollBar();
    QScrollBar* vertical = scrollArea_->verticalScrollBar();
    horizontal->setValue(horizontal->value() - move.x());
    vertical->setValue(vertical->value() - move.y());
}

void Tpiirtopohja::EditedOnCanvas() {
    RedrawRoutes();
    if (editor_.Dragging())
        scrollArea_->ensureVisible(editor_.Pointer().x(), editor_.Pointer().y(), 30, 50);
}

bool Tpiirtopohja::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched == canvas_)
        return DrawingKey(*static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::Wheel && (watched == canvas_ || watched == scrollArea_->viewport())) {
        DrawingWheel(*static_cast<QWheelEvent*>(event));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Tpiirtopohja::DrawingWheel(const QWheelEvent& event) {
    const QPoint angle = event.angleDelta();
    const bool down = (angle.y() != 0 ? angle.y() : angle.x()) < 0;
    if (event.modifiers() & Qt::ControlModifier)
        down ? ZoomOut() : ZoomIn();
    else if (event.modifiers() & Qt::ShiftModifier)
        down ? ScrollRight(kScrollStep) : ScrollLeft(kScrollStep);
    else
        down ? ScrollDown(kScrollStep) : ScrollUp(kScrollStep);
}

bool Tpiirtopohja::DrawingKey(const QKeyEvent& event) {
    const bool control = event.modifiers() & Qt::ControlModifier;
    switch (event.key()) {
    case Qt::Key_Delete:
        if (design_.active) {
            design_.context = design_.active;
            Poista1Click();
        }
        return true;
    case Qt::Key_Insert:
        if (QAction* item = InsertedModemType())
            NewModemFigure(item);
        return true;
    // The main keyboard's + key is Shift+= on many keyboards: Ctrl+= zooms in too.
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        if (control)
            ZoomIn();
        return control;
    case Qt::Key_Minus:
        if (control)
            ZoomOut();
        return control;
    case Qt::Key_Left:
        ScrollRight(kScrollStep);
        return true;
    case Qt::Key_Right:
        ScrollLeft(kScrollStep);
        return true;
    case Qt::Key_Up:
        ScrollDown(kScrollStep);
        return true;
    case Qt::Key_Down:
        ScrollUp(kScrollStep);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        editor_.EnterKey();
        RedrawRoutes();
        return true;
    case Qt::Key_Escape:
        editor_.EscapeKey();
        RedrawRoutes();
        return true;
    default:
        return false;
    }
}

void Tpiirtopohja::RedrawRoutes() {
    canvas_->Refresh();
    Modeemi1Click();
}

bool Tpiirtopohja::FormCloseQuery() {
    // The save question closes the modem and the project properties too.
    if (!AskSaveChanges())
        return false;
    if (suoja_)
        suoja_->hide();
    // A "$" run or a ping still going ends with its port.
    programming_->Cancel();
    return true;
}

QWidget* Tpiirtopohja::WorkingControl() {
    return canvas_;
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
    ClosePropertyTable(this);
    programming_->Cancel();
    // Only the designer's own file is recorded: the list of a designer that worked
    // with another file since this one read it stays as that one wrote it.
    if (HasFile())
        recentFiles_.RecordAndWrite(FileName());
    design_.DeleteAllFigures();
}

Tpiirtopohja* CreateDesigner(bool singleModem) {
    auto* designer = new Tpiirtopohja(singleModem);
    const QSize formSize = designer->size();
    if (!Pohjafrm) {
        designer->setAttribute(Qt::WA_DeleteOnClose);
        designer->show();
        return designer;
    }
    QMdiSubWindow* child = Pohjafrm->MdiArea()->addSubWindow(designer);
    child->setAttribute(Qt::WA_DeleteOnClose);
    // The size that a maximized window returns to when it is made normal.
    child->resize(formSize);
    if (singleModem)
        child->showNormal();
    else
        child->showMaximized();
    return designer;
}
