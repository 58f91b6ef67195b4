#include "app/tpohjafrm.h"

#include "app/factory_commands.h"
#include "app/port_handover.h"
#include "app/taboutfrm.h"
#include "app/window_layout.h"
#include "designer/tpiirtopohja.h"
#include "firmware/build_sizes.h"
#include "firmware/tcmultiflashdlg.h"
#include "firmware/tcsingleflashdlg.h"
#include "platform/device_broadcast.h"
#include "platform/dialogs_in_front.h"
#include "platform/latin1.h"
#include "platform/message_box.h"
#include "platform/modal_box.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "platform/window_message.h"
#include "serial/tquovixcommport.h"
#include "shell/close_query.h"
#include "shell/mdi_child.h"
#include "shell/serial_port_list.h"
#include "shell/terminal_window_link.h"
#include "shell/window_placement.h"
#include "terminal/terminal_log.h"
#include "terminal/tpuskuriensaato.h"
#include "terminal/tscriptsetup.h"
#include "terminal/tterminaali.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>
#include <filesystem>
#include <map>

namespace {
const char* const kStartPosition = "Start Position";
const char* const kTesti = "Testi";
const char* const kAllLogSettings = "All log settings";
const char* const kWriteFailed = "Unable to write ini file. Access denied";
const char* const kReadOnlySettings = " voi vain lukea";

enum SavedWindowState { StateNormal = 0, StateMinimised = 1, StateMaximised = 2 };

// A firmware window is centred once shown, then kept within reach: one that
// would stand partly outside the client area is pulled in, one larger than the
// area keeps its title bar in reach and the area scrolls to the rest.
void MoveCentredChild(QMdiSubWindow& child, const WindowPoint& at) {
    child.move(at.left, at.top);
    KeepWithinReach(child);
}
constexpr int kDefaultPosition = 0;
constexpr int kDefaultSize = 200;
constexpr int kFactoryLabelDrop = 4;
constexpr int kDefaultLogSplitSize = 10;
constexpr int kMaxLogSplitSize = 1000;
// How often, and how many times at most, remote use looks whether the window
// system has shown the main window.
constexpr int kShownPollMs = 10;
constexpr int kShownPolls = 200;

std::vector<std::string> ProgramArguments() {
    std::vector<std::string> arguments;
    for (const QString& argument : QCoreApplication::arguments())
        arguments.push_back(toLatin1(argument));
    return arguments;
}

// A file counts as read-only when no one may write it, whoever runs the program.
bool IsReadOnlyFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status))
        return false;
    const fs::perms anyWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return (status.permissions() & anyWrite) == fs::perms::none;
}

} // namespace

TPohjafrm::TPohjafrm(QWidget* parent) : TPohjafrm(ProgramArguments(), parent) {}

TPohjafrm::TPohjafrm(const std::vector<std::string>& commandLine, QWidget* parent)
    : QMainWindow(parent), printer_(std::make_unique<QPrinter>()),
      handoverClock_(std::make_unique<SleepingClock>()) {
    setupUi(this);
    CreateToolBarWidgets();
    CreateOtherComponents();
    version_text = "5.2.1";
    setWindowTitle(fromLatin1("TERAMONDO Quovix " + version_text));
    Pohjafrm = this;
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            MarkTerminalActive();
        else
            MarkTerminalInactive();
    });
    ConnectCommands();
    // A child that closes, whichever way, hands the keyboard to the one the user
    // was in before it, not to the one made first.
    mdiClient->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    connect(mdiClient, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* child) {
        if (child != nullptr && child->widget() != nullptr) {
            child->installEventFilter(this);
            child->widget()->installEventFilter(this);
        }
        UpdateToolBarButtons();
        GiveKeyboardToWorkingControl(child);
    });
    FormCreate(commandLine);
    UpdateToolBarButtons();
}

TPohjafrm::~TPohjafrm() {
    if (Pohjafrm == this)
        Pohjafrm = nullptr;
    // The MDI area, deleted with the frame's children after this destructor,
    // announces that no child is active any more; this window is gone by then.
    disconnect(mdiClient, nullptr, this, nullptr);
}

void TPohjafrm::CreateToolBarWidgets() {
    TehdasLabel1 = new QLabel("Tehdasversio", SpeedPanel);
    TehdasLabel1->setObjectName("TehdasLabel1");
    SpeedPanel->insertWidget(Flashm2Btn, TehdasLabel1);

    logsize_lbl = new QLabel("Log size", SpeedPanel);
    logsize_lbl->setObjectName("logsize_lbl");
    logsize_nbr = new QSpinBox(SpeedPanel);
    logsize_nbr->setObjectName("logsize_nbr");
    logsize_nbr->setRange(0, kMaxLogSplitSize);
    logsize_nbr->setValue(kDefaultLogSplitSize);
    SpeedPanel->insertWidget(SpeedButton2, logsize_lbl);
    SpeedPanel->insertWidget(SpeedButton2, logsize_nbr);

    Zoom_scale = new QLabel("Zoom_scale", SpeedPanel);
    Zoom_scale->setObjectName("Zoom_scale");
    SpeedPanel->addWidget(Zoom_scale);
    SetToolBarWidgetVisible(Zoom_scale, false);

    // Glyphs of the buttons; the multi firmware buttons carry their number beside
    // the glyph and the all-terminal buttons only their caption.
    const std::pair<QAction*, QStyle::StandardPixmap> glyphs[] = {
        {OpenBtn, QStyle::SP_ComputerIcon},
        {SetupBtn, QStyle::SP_FileDialogDetailedView},
        {CopyBtn, QStyle::SP_FileDialogNewFolder},
        {PasteBtn, QStyle::SP_DialogOpenButton},
        {TietojaBtn, QStyle::SP_MessageBoxInformation},
        {PrintBtn, QStyle::SP_DriveFDIcon},
        {SpeedButton1, QStyle::SP_FileDialogInfoView},
        {DrawingBtn, QStyle::SP_DriveNetIcon},
        {FlashBtn, QStyle::SP_ArrowDown},
        {FlashmBtn, QStyle::SP_ArrowDown},
        {ProgramBtn, QStyle::SP_BrowserReload},
        {SingleModemBtn, QStyle::SP_DesktopIcon},
        {Flashm2Btn, QStyle::SP_ArrowDown},
        {Flashm3Btn, QStyle::SP_ArrowDown},
        {Flashm4Btn, QStyle::SP_ArrowDown}};
    for (const auto& [button, glyph] : glyphs)
        button->setIcon(style()->standardIcon(glyph));
    const auto setButtonStyle = [this](std::initializer_list<QAction*> buttons,
                                       Qt::ToolButtonStyle buttonStyle) {
        for (QAction* button : buttons)
            if (auto* toolButton = qobject_cast<QToolButton*>(SpeedPanel->widgetForAction(button)))
                toolButton->setToolButtonStyle(buttonStyle);
    };
    setButtonStyle({TermOpenCloseAll, StartLog, SpeedButton2}, Qt::ToolButtonTextOnly);
    setButtonStyle({FlashmBtn, Flashm2Btn, Flashm3Btn, Flashm4Btn}, Qt::ToolButtonTextBesideIcon);
}

void TPohjafrm::CreateOtherComponents() {
    // A menu's hint shows in the status bar while the pointer is on its title.
    for (QAction* title : MainMenu1->actions())
        if (QMenu* menu = title->menu())
            title->setStatusTip(menu->statusTip());
    statusBar()->setSizeGripEnabled(true);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    PopupMenu1->addActions({NewPort1, Drawing1, Singlemodem1, SingleFlash1, MultiFlash1, MultiFlash21,
                            MultiFlash31, MultiFlash41});
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName("PopupMenu2");
    PopupMenu2->addAction(NewPort2);

    SaveLog = new QFileDialog(this, "Save Log File");
    SaveLog->setObjectName("SaveLog");
    SaveLog->setNameFilters({"Text file (*.txt)", "All (*.*)"});
    SaveLog->setDefaultSuffix("txt");
    SaveLog->setAcceptMode(QFileDialog::AcceptSave);

    SpeedPanel->installEventFilter(this);
    mdiClient->viewport()->installEventFilter(this);
}

void TPohjafrm::ConnectCommands() {
    connect(Tiedosto1, &QMenu::aboutToShow, this, &TPohjafrm::Tiedosto1Click);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TPohjafrm::PopupMenu1Popup);
    const auto on = [this](QAction* command, auto handler) {
        connect(command, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    for (QAction* terminal : {Uusi1, NewPort1, NewPort2, OpenBtn})
        on(terminal, &TPohjafrm::Uusi1Click);
    for (QAction* designer : {Piirtopohja1, SingleModemSetup1, DrawingBtn, SingleModemBtn, Drawing1})
        connect(designer, &QAction::triggered, this, [this, designer] { Piirtopohja1Click(designer); });
    on(Singlemodem1, &TPohjafrm::Singlemodem1Click);
    for (QAction* single : {Flashyksi1, SingleFlash1, FlashBtn})
        on(single, &TPohjafrm::Flashyksi1Click);
    for (QAction* first : {Flashmonta1, MultiFlash1, FlashmBtn})
        on(first, &TPohjafrm::Flashmonta1Click);
    for (QAction* second : {Flashmonta2, MultiFlash21, Flashm2Btn})
        on(second, &TPohjafrm::Flashmonta2Click);
    for (QAction* third : {Flashmonta3, MultiFlash31, Flashm3Btn})
        on(third, &TPohjafrm::Flashmonta3Click);
    for (QAction* fourth : {Flashmonta4, MultiFlash41, Flashm4Btn})
        on(fourth, &TPohjafrm::Flashmonta4Click);
    on(makesmf1, &TPohjafrm::makesmf1Click);
    on(loadermnu, &TPohjafrm::loadermnuClick);
    on(Lasku, &TPohjafrm::LaskuClick);
    on(Lopeta1, &TPohjafrm::Lopeta1Click);
    connect(Limittin1, &QAction::triggered, this, &TPohjafrm::CascadeChildren);
    connect(Jrjest1, &QAction::triggered, this, [this] { TileChildren(TileOrientation::Vertical); });
    connect(TileHorizontal1, &QAction::triggered, this,
            [this] { TileChildren(TileOrientation::Horizontal); });
    on(Redraw1, &TPohjafrm::Redraw1Click);
    for (QAction* about : {Tietoja1, TietojaBtn})
        on(about, &TPohjafrm::Tietoja1Click);
    on(SetupBtn, &TPohjafrm::SetupBtnClick);
    on(ProgramBtn, &TPohjafrm::ProgramBtnClick);
    on(CopyBtn, &TPohjafrm::CopyBtnClick);
    on(PasteBtn, &TPohjafrm::PasteBtnClick);
    on(PrintBtn, &TPohjafrm::PrintBtnClick);
    connect(SpeedButton1, &QAction::triggered, this, [this] { SpeedButton1Click(); });
    on(TermOpenCloseAll, &TPohjafrm::TermOpenCloseAllClick);
    on(StartLog, &TPohjafrm::StartLogClick);
    on(SpeedButton2, &TPohjafrm::SpeedButton2Click);
}

void TPohjafrm::SetCommandEnabled(QAction* command, bool enabled) {
    command->setEnabled(enabled);
}

void TPohjafrm::SetCommandEnabled(MainCommand command, bool enabled) {
    switch (command) {
    case MainCommand::logsize_lbl:
        logsize_lbl->setEnabled(enabled);
        return;
    case MainCommand::logsize_nbr:
        logsize_nbr->setEnabled(enabled);
        return;
    default:
        break;
    }
    const std::map<MainCommand, QAction*> actions{
        {MainCommand::OpenBtn, OpenBtn},
        {MainCommand::DrawingBtn, DrawingBtn},
        {MainCommand::SingleModemBtn, SingleModemBtn},
        {MainCommand::FlashBtn, FlashBtn},
        {MainCommand::FlashmBtn, FlashmBtn},
        {MainCommand::Flashm2Btn, Flashm2Btn},
        {MainCommand::Flashm3Btn, Flashm3Btn},
        {MainCommand::Flashm4Btn, Flashm4Btn},
        {MainCommand::ProgramBtn, ProgramBtn},
        {MainCommand::SetupBtn, SetupBtn},
        {MainCommand::CopyBtn, CopyBtn},
        {MainCommand::PasteBtn, PasteBtn},
        {MainCommand::TermOpenCloseAll, TermOpenCloseAll},
        {MainCommand::SpeedButton2, SpeedButton2},
        {MainCommand::StartLog, StartLog},
    };
    SetCommandEnabled(actions.at(command), enabled);
}

int TPohjafrm::LogSliceSizeMb() const {
    return logsize_nbr->value();
}

void TPohjafrm::ShowZoomScale(const std::string& percent) {
    Zoom_scale->setText(fromLatin1(percent));
}

// A widget on a tool bar is shown and hidden through the action that holds it.
void TPohjafrm::SetToolBarWidgetVisible(QWidget* widget, bool visible) {
    for (QAction* action : SpeedPanel->actions())
        if (SpeedPanel->widgetForAction(action) == widget)
            action->setVisible(visible);
}

void TPohjafrm::FormCreate(const std::vector<std::string>& commandLine) {
    ApplyStartPosition();
    ApplyCommandLine(ParseCommandLine(commandLine));
    SaveLog->setDirectory(QDir::currentPath());
    PostMessage(this, WM_RESTORE_LAYOUT);
}

void TPohjafrm::ApplyStartPosition() {
    const TIniFile ini(SettingsFileName());
    switch (ini.ReadInteger(kStartPosition, "WindowState", StateMaximised)) {
    case StateMaximised:
        setWindowState(Qt::WindowMaximized);
        break;
    case StateMinimised:
        setWindowState(Qt::WindowMinimized);
        break;
    default:
        setWindowState(Qt::WindowNoState);
        break;
    }
    if (!isMaximized()) {
        const WindowRect saved{ini.ReadInteger(kStartPosition, "Left", kDefaultPosition),
                               ini.ReadInteger(kStartPosition, "Top", kDefaultPosition),
                               ini.ReadInteger(kStartPosition, "Width", kDefaultSize),
                               ini.ReadInteger(kStartPosition, "Height", kDefaultSize)};
        SetWindowPlace(*this, ClampToDesktop(saved, VirtualDesktop()));
    }
    loader_path = ini.ReadString(kTesti, "loader", kNoLoaderPath);
}

void TPohjafrm::ApplyCommandLine(const CommandLineModes& modes) {
    modes_ = modes;
    factory_mode = modes.factory;
    for (QAction* factoryCommand : {FlashmBtn, Flashm2Btn, Flashm3Btn, Flashm4Btn, makesmf1, loadermnu})
        factoryCommand->setVisible(factory_mode);
    TehdasLabel1->setContentsMargins(0, factory_mode ? kFactoryLabelDrop : 0, 0, 0);
    SetToolBarWidgetVisible(TehdasLabel1, factory_mode);
    StartLog->setVisible(factory_mode);
    SetCommandEnabled(StartLog, factory_mode);
    SetToolBarWidgetVisible(logsize_lbl, factory_mode);
    SetToolBarWidgetVisible(logsize_nbr, factory_mode);
    logsize_nbr->setEnabled(factory_mode);
    if (!factory_mode)
        logsize_nbr->setValue(0);
    if (modes.remoteUse)
        PostMessage(this, WM_REMOTE_START);
    dsr_mode = modes.dsr;
    bootflash_mode = modes.bootFlash;
}

bool TPohjafrm::event(QEvent* event) {
    if (const WindowMessage* message = WindowMessage::from(event))
        if (Dispatch(*message))
            return true;
    return QMainWindow::event(event);
}

bool TPohjafrm::Dispatch(const WindowMessage& message) {
    switch (message.number()) {
    case WM_REMOTE_START:
        StartRemoteMultiFlash();
        return true;
    case WM_CLOSE:
        close();
        return true;
    case WM_RESTORE_LAYOUT:
        RestoreWindowLayout();
        return true;
    case WM_TERMINALS_CHANGED:
        // The changes that come together, from every terminal of a suspend or
        // of a restored layout, are counted once after the last of them, so
        // the wait before the count holds the program once.
        if (!recountQueued_) {
            recountQueued_ = true;
            QTimer::singleShot(0, this, [this] {
                recountQueued_ = false;
                UpdateTerminalButtons();
            });
        }
        return true;
    case WM_POWERBROADCAST:
        OnPowerBroadcast(message);
        return true;
    case WM_DEVICECHANGE:
        OnDeviceChange(message);
        return true;
    default:
        return false;
    }
}

// Remote use runs one multi-modem load unattended and then ends the program; a run
// without its four arguments cannot load anything, so it says so and ends.
void TPohjafrm::StartRemoteMultiFlash() {
    if (!modes_.remoteArgumentsValid) {
        MessageBox("Remote use needs four arguments after the access code: port digit, channel mask digit, "
                   "update digit and firmware file name.",
                   "Quovix 5", MB_OK | MB_ICONERROR);
        SetExitStatus(1);
        PostMessage(this, WM_CLOSE);
        return;
    }
    // The window system gives a maximised main window its size only once it shows
    // it, and the load's window is centred in that size. A main window that is
    // never shown (minimised) is waited for a bounded time.
    const bool shown = windowHandle() != nullptr && windowHandle()->isExposed();
    if (!shown && ++remoteStartPolls_ <= kShownPolls) {
        QTimer::singleShot(kShownPollMs, this, [this] { PostMessage(this, WM_REMOTE_START); });
        return;
    }
    Flashmonta1Click();
    const RemoteLoadArguments& load = modes_.remoteLoad;
    CMultiFlashDlg[0]->RemoteStartFlash(load.portDigit, load.channelMaskDigit, load.fileName,
                                        load.updateDigit);
}

void TPohjafrm::closeEvent(QCloseEvent* event) {
    if (!AllChildrenAgreeToClose()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

bool TPohjafrm::AllChildrenAgreeToClose() {
    for (QMdiSubWindow* child : mdiClient->subWindowList())
        if (auto* query = dynamic_cast<CloseQuery*>(child->widget()))
            if (!query->FormCloseQuery())
                return false;
    return true;
}

void TPohjafrm::FormClose() {
    // Script sets being edited are kept as the set-up window's OK keeps them.
    if (ScriptSetup != nullptr && ScriptSetup->isVisible())
        ScriptSetup->OkbtnClick(nullptr);
    if (IsReadOnlyFile(SettingsFileName()))
        ShowMessage(kReadOnlySettings);
    // The layout and the window's own keys are each tried, and each failure is
    // reported: the program still ends.
    for (const auto& write : {std::function<void()>([this] { SaveWindowLayout(SettingsFileName()); }),
                              std::function<void()>([this] { WriteOwnSettings(); })}) {
        try {
            write();
        } catch (const EIniFileException&) {
            ShowMessage(kWriteFailed);
        }
    }
}

void TPohjafrm::WriteOwnSettings() {
    TIniFile ini(SettingsFileName());
    ini.BeginUpdate();
    if (!isMaximized()) {
        const WindowRect place = WindowPlace(*this);
        ini.WriteInteger(kStartPosition, "Left", place.left);
        ini.WriteInteger(kStartPosition, "Top", place.top);
        ini.WriteInteger(kStartPosition, "Width", place.width);
        ini.WriteInteger(kStartPosition, "Height", place.height);
    }
    const int state = isMinimized() ? StateMinimised : isMaximized() ? StateMaximised : StateNormal;
    ini.WriteInteger(kStartPosition, "WindowState", state);
    if (loader_path != kNoLoaderPath)
        ini.WriteString(kTesti, "loader", loader_path);
    if (factory_mode)
        ini.WriteInteger(kAllLogSettings, "All log split size", logsize_nbr->value());
    ini.UpdateFile();
}

bool TPohjafrm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == SpeedPanel && event->type() == QEvent::MouseButtonPress)
        SpeedPanelMouseDown(static_cast<QMouseEvent*>(event));
    else if (watched == mdiClient->viewport() && event->type() == QEvent::MouseButtonRelease)
        FormMouseUp(static_cast<QMouseEvent*>(event));
    else if (event->type() == QEvent::Hide && watched != SpeedPanel && watched != mdiClient->viewport())
        // A child or its window that closes changes no activation when it was
        // not active.
        QTimer::singleShot(0, this, &TPohjafrm::UpdateToolBarButtons);
    return QMainWindow::eventFilter(watched, event);
}

void TPohjafrm::SpeedPanelMouseDown(QMouseEvent* event) {
    const Qt::KeyboardModifiers both = Qt::ShiftModifier | Qt::ControlModifier;
    if (event->button() != Qt::RightButton || (event->modifiers() & both) != both)
        return;
    Tterminaali* terminal = ActiveTerminal();
    if (terminal == nullptr || puskuriensaato == nullptr)
        return;
    // The dialog stays open while the user works on: its target may close meanwhile.
    QPointer<Tterminaali> target(terminal);
    puskuriensaato->SetTarget([target](int receiveSize, int transmitSize) {
        if (target.isNull())
            return;
        TQuovixCommPort& port = *target->CommPort1;
        port.vaihda_rx_size(receiveSize);
        port.vaihda_tx_size(transmitSize);
        port.vaihda_rx_raja(receiveSize);
    });
    puskuriensaato->rx_pituus->setValue(terminal->CommPort1->RX_puskurin_koko());
    puskuriensaato->tx_pituus->setValue(terminal->CommPort1->TX_puskurin_koko());
    ShowInFront(puskuriensaato);
}

void TPohjafrm::FormMouseUp(QMouseEvent* event) {
    if (event->button() != Qt::RightButton)
        return;
    const QPoint where = mdiClient->viewport()->mapToGlobal(event->position().toPoint());
    const QList<QMdiSubWindow*> children = ChildrenInActivationOrder();
    if (children.isEmpty())
        PopupMenu1->popup(where);
    else if (qobject_cast<Tterminaali*>(children.first()->widget()) != nullptr)
        PopupMenu2->popup(where);
}

std::string TPohjafrm::ListSerialPorts() {
    com_list = ReadSerialPortList();
    return com_list;
}

void TPohjafrm::Tiedosto1Click() {
    for (QAction* multi : {Flashmonta1, Flashmonta2, Flashmonta3, Flashmonta4}) {
        multi->setVisible(factory_mode);
        SetCommandEnabled(multi, factory_mode);
    }
}

void TPohjafrm::PopupMenu1Popup() {
    for (QAction* multi : {MultiFlash1, MultiFlash21, MultiFlash31, MultiFlash41})
        multi->setVisible(factory_mode);
}

void TPohjafrm::Singlemodem1Click() {
    Piirtopohja1Click(Singlemodem1);
}

void TPohjafrm::Lopeta1Click() {
    close();
}

void TPohjafrm::Tietoja1Click() {
    if (aboutfrm == nullptr)
        return;
    const QPoint centre = geometry().center();
    aboutfrm->adjustSize();
    aboutfrm->move(centre.x() - aboutfrm->width() / 2, centre.y() - aboutfrm->height() / 2);
    RunModal(*aboutfrm);
}

bool TPohjafrm::SpeedButton1Click() {
    QPrintDialog dialog(printer_.get(), this);
    dialog.setWindowTitle("Printer setup");
    return RunModal(dialog) == QDialog::Accepted;
}

void TPohjafrm::TileChildren(TileOrientation orientation) {
    QList<QMdiSubWindow*> children;
    for (QMdiSubWindow* child : mdiClient->subWindowList())
        if (child->isVisible() && !child->isMinimized())
            children.append(child);
    const QSize area = mdiClient->viewport()->size();
    const std::vector<WindowRect> tiles =
        TileRects(children.size(), area.width(), area.height(), orientation);
    for (qsizetype i = 0; i < children.size(); ++i) {
        const WindowRect& tile = tiles[static_cast<size_t>(i)];
        children[i]->showNormal();
        children[i]->setGeometry(tile.left, tile.top, tile.width, tile.height);
    }
}

// The windows keep their order front to back, the front one ending lowest and
// rightmost; each keeps a size to work in.
void TPohjafrm::CascadeChildren() {
    QList<QMdiSubWindow*> children;
    for (QMdiSubWindow* child : mdiClient->subWindowList(QMdiArea::StackingOrder))
        if (child->isVisible() && !child->isMinimized())
            children.append(child);
    if (children.isEmpty())
        return;
    const QSize area = mdiClient->viewport()->size();
    const int step =
        children.front()->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, children.front());
    const std::vector<WindowRect> places = CascadeRects(children.size(), area.width(), area.height(), step);
    for (qsizetype i = 0; i < children.size(); ++i) {
        const WindowRect& place = places[static_cast<size_t>(i)];
        children[i]->showNormal();
        children[i]->setGeometry(place.left, place.top, place.width, place.height);
        children[i]->raise();
    }
}

// Creates a terminal (settings dialog at once), keeps it in `terminaali`, shows
// the tool bar and counts it in open_terminals.
void TPohjafrm::Uusi1Click() {
    terminaali = Tterminaali::CreateTerminal(nullptr, 1);
    SpeedPanel->setVisible(true);
    open_terminals = static_cast<int32_t>(TerminalWindows().size());
}

// Opens a network designer: routing mode for Piirtopohja1, DrawingBtn and
// Drawing1, single-modem mode for any other sender.
void TPohjafrm::Piirtopohja1Click(QObject* Sender) {
    const bool routing = Sender == Piirtopohja1 || Sender == DrawingBtn || Sender == Drawing1;
    CreateDesigner(!routing);
}

// The single firmware window, and multi firmware windows 1 to 4, placed by
// CentredFirmwareWindow.
void TPohjafrm::Flashyksi1Click() {
    if (CSingleFlashDlg && !CSingleFlashDlg->Closed()) {
        mdiClient->setActiveSubWindow(ChildHolding(CSingleFlashDlg));
        return;
    }
    CSingleFlashDlg = new TCSingleFlashDlg(nullptr);
    QMdiSubWindow* child = ChildHolding(CSingleFlashDlg);
    const QSize main = frameGeometry().size();
    const WindowPoint at = CentredFirmwareWindow(main.width(), main.height(), child->width(), child->height(),
                                                 SpeedPanel->height(), 1);
    MoveCentredChild(*child, at);
}
void TPohjafrm::Flashmonta1Click() {
    OpenMultiFlashWindow(1);
}

void TPohjafrm::Flashmonta2Click() {
    OpenMultiFlashWindow(2);
}

void TPohjafrm::Flashmonta3Click() {
    OpenMultiFlashWindow(3);
}

void TPohjafrm::Flashmonta4Click() {
    OpenMultiFlashWindow(4);
}

// The terminal's variant (instance 0) takes the place of window 1, and a new one
// is centred in the main window.
void TPohjafrm::OpenMultiFlashWindow(int instance) {
    const int place = std::max(instance, 1);
    QPointer<TCMultiFlashDlg>& window = CMultiFlashDlg[static_cast<size_t>(place - 1)];
    if (window && !window->Closed()) {
        BringMdiChildForward(window);
        return;
    }
    window = instance == 0 ? new TCMultiFlashDlg(nullptr) : new TCMultiFlashDlg(nullptr, instance);
    QMdiSubWindow* child = ChildHolding(window);
    // The terminal's variant is centred by the main window's height, frame
    // included; the others by the height below its menu bar.
    const QSize main = frameGeometry().size();
    const int clientHeight = height() - menuBar()->height();
    const WindowPoint at =
        instance == 0 ? CentredInMainWindow(main.width(), main.height(), child->width(), child->height())
                      : CentredFirmwareWindow(main.width(), clientHeight, child->width(), child->height(),
                                              SpeedPanel->height(), place);
    MoveCentredChild(*child, at);
}

// Factory tools.
void TPohjafrm::makesmf1Click() {
    MakeSmfFromDialogs(*this);
}

void TPohjafrm::loadermnuClick() {
    LoaderToHexText(*this);
}

void TPohjafrm::LaskuClick() {
    ShowMessage(SumBuildSizes());
}

// The active designer redraws its route graph.
void TPohjafrm::Redraw1Click() {
    if (auto* designer = ActiveChild<Tpiirtopohja>())
        designer->RedrawRoutes();
}

// The active terminal's settings dialog and programming-mode toggle.
void TPohjafrm::SetupBtnClick() {
    if (Tterminaali* terminal = ActiveTerminal())
        terminal->Asetukset1Click(false);
}

void TPohjafrm::ProgramBtnClick() {
    if (Tterminaali* terminal = ActiveTerminal())
        terminal->ProgSettings1Click();
}

// Copy and paste go to the active terminal, or put the active designer into copy
// mode; print prints the active terminal's text or designer's graph. The active
// child's own kind decides: OpenBtn cannot tell it, as closing one designer
// enables that button while another is open, and a designer or a firmware window
// disables it while a terminal is the active window.
void TPohjafrm::CopyBtnClick() {
    if (Tterminaali* terminal = ActiveTerminal())
        terminal->Kopioi1Click();
    else
        DesignerCopyMode();
}

void TPohjafrm::PasteBtnClick() {
    if (Tterminaali* terminal = ActiveTerminal())
        terminal->Liit1Click();
    else
        DesignerCopyMode();
}

void TPohjafrm::DesignerCopyMode() {
    if (auto* designer = ActiveChild<Tpiirtopohja>())
        designer->Copy2Click();
}

void TPohjafrm::PrintBtnClick() {
    if (Tterminaali* terminal = ActiveTerminal())
        terminal->Print1Click();
    else if (auto* designer = ActiveChild<Tpiirtopohja>())
        designer->Drawing1Click();
}

// The active terminal's active flag follows the application's; an active designer
// redraws its graph when the application comes back.
void TPohjafrm::MarkTerminalActive() {
    if (Tterminaali* terminal = ActiveTerminal())
        terminal->SetFocused(true);
    else if (auto* designer = ActiveChild<Tpiirtopohja>())
        designer->RedrawRoutes();
}

void TPohjafrm::MarkTerminalInactive() {
    if (Tterminaali* terminal = ActiveTerminal())
        terminal->SetFocused(false);
}

// The current child, not only the active one: while the program is in the
// background no child is active, and the deactivation hook still needs it.
Tterminaali* TPohjafrm::ActiveTerminal() const {
    return ActiveChild<Tterminaali>();
}

// --- The terminal table, the all-terminal commands, port hand-over and the window
// layout.

namespace {
// The Window menu's own items: Cascade, the two tilings, a separator, Redraw and
// the separator after which the terminals' entries follow.
constexpr qsizetype kFirstTerminalEntry = 5;
// UpdateTerminalButtons lets the ports settle before it counts them.
constexpr int kButtonsSettleMs = 100;
const char* const kAllLogSplitSize = "All log split size";

// A terminal is the MDI child itself or the widget it holds.
TerminalWindowLink* TerminalIn(QMdiSubWindow* child) {
    if (auto* terminal = dynamic_cast<TerminalWindowLink*>(child))
        return terminal;
    return dynamic_cast<TerminalWindowLink*>(child->widget());
}

ChildKind KindOf(QMdiSubWindow* child) {
    const QWidget* window = child->widget();
    if (TerminalIn(child) != nullptr)
        return ChildKind::Terminal;
    if (qobject_cast<const Tpiirtopohja*>(window) != nullptr)
        return ChildKind::Designer;
    if (qobject_cast<const TCSingleFlashDlg*>(window) != nullptr)
        return ChildKind::SingleFlash;
    if (qobject_cast<const TCMultiFlashDlg*>(window) != nullptr)
        return ChildKind::MultiFlash;
    return ChildKind::Other;
}

// A closed child, or one whose window closed inside its frame, is hidden until
// it is deleted; a minimised or shaded child hides only its window.
bool ChildShown(QMdiSubWindow* child) {
    const QWidget* window = child->widget();
    return !child->isHidden() && window != nullptr &&
           (child->isMinimized() || child->isShaded() || !window->isHidden());
}

bool IsSingleModemDesigner(QMdiSubWindow* child) {
    const auto* designer = qobject_cast<const Tpiirtopohja*>(child->widget());
    return designer != nullptr && designer->SingleModem();
}

TerminalWindowLink* TerminalOf(const QAction* item) {
    return static_cast<TerminalWindowLink*>(item->data().value<void*>());
}
} // namespace

void TPohjafrm::AddWindowMenuEntry(TerminalWindowLink* terminal, const std::string& caption) {
    auto* item = new QAction(fromLatin1(caption), this);
    item->setStatusTip(fromLatin1("Open window " + caption));
    item->setToolTip(item->statusTip());
    item->setData(QVariant::fromValue(static_cast<void*>(terminal)));
    connect(item, &QAction::triggered, this, [this, item] { ActivateFromWindowMenu(item); });
    Ikkunat1->addAction(item);
    const auto freeSlot = std::find(terminal_table.begin(), terminal_table.end(), nullptr);
    if (freeSlot != terminal_table.end())
        *freeSlot = terminal;
}

void TPohjafrm::RemoveWindowMenuEntry(TerminalWindowLink* terminal, const std::string&) {
    const QList<QAction*> items = Ikkunat1->actions();
    for (qsizetype i = kFirstTerminalEntry; i < items.size(); ++i)
        if (TerminalOf(items[i]) == terminal) {
            Ikkunat1->removeAction(items[i]);
            delete items[i];
            break;
        }
    std::replace(terminal_table.begin(), terminal_table.end(), terminal,
                 static_cast<TerminalWindowLink*>(nullptr));
}

void TPohjafrm::RenameWindowMenuEntry(const std::string& oldCaption, const std::string& newCaption) {
    const QList<QAction*> items = Ikkunat1->actions();
    for (qsizetype i = kFirstTerminalEntry; i < items.size(); ++i)
        if (items[i]->text() == fromLatin1(oldCaption)) {
            items[i]->setText(fromLatin1(newCaption));
            return;
        }
}

void TPohjafrm::ActivateFromWindowMenu(QAction* item) {
    TerminalWindowLink* terminal = TerminalOf(item);
    QMdiSubWindow* child = terminal ? ChildHolding(terminal->terminalWindow()) : nullptr;
    if (child == nullptr)
        return;
    if (child->isMinimized())
        child->showNormal();
    mdiClient->setActiveSubWindow(child);
    child->raise();
}

void TPohjafrm::BroadcastKeyToTerminals(TerminalWindowLink* sender, char key) {
    for (TerminalWindowLink* terminal : terminal_table)
        if (terminal != nullptr && terminal != sender && terminal->mirrors())
            terminal->typeMirroredKey(key);
}

void TPohjafrm::BroadcastDataToTerminals(TerminalWindowLink* sender, std::string_view data) {
    for (TerminalWindowLink* terminal : terminal_table)
        if (terminal != nullptr && terminal != sender && terminal->mirrors())
            terminal->sendMirroredData(data);
}

void TPohjafrm::ShowScriptSetName(const std::string& name) {
    for (TerminalWindowLink* terminal : TerminalChildren())
        terminal->showScriptSetName(name);
}

void TPohjafrm::SetHint(QAction* action, const char* hint) {
    action->setToolTip(hint);
    action->setStatusTip(hint);
}

void TPohjafrm::TermOpenCloseAllClick() {
    if (Tag != 0) {
        ReopenAllTerminalPorts(false);
        SetHint(TermOpenCloseAll, "Close serial port on all terminals.");
    } else {
        CloseAllTerminalPorts();
        SetHint(TermOpenCloseAll, "Open serial port on all terminals.");
    }
    PostMessage(this, WM_TERMINALS_CHANGED);
}

void TPohjafrm::SetOpenCloseAllCaption(int flag) {
    Tag = flag == 1 ? 1 : 0;
    TermOpenCloseAll->setText(Tag == 1 ? "OpenAll" : "CloseAll");
}

void TPohjafrm::SpeedButton2Click() {
    for (TerminalWindowLink* terminal : TerminalChildren())
        terminal->clearScreen();
}

void TPohjafrm::StartLogClick() {
    const LocalDateTime now = CurrentLocalDateTime();
    if (!StartLog->isChecked()) {
        StartLog->setText("Start Log");
        SetHint(StartLog, "Start loging all terminals.");
        StopLogAllTerminals();
        return;
    }
    if (RunModal(*SaveLog) != QDialog::Accepted || SaveLog->selectedFiles().isEmpty()) {
        StartLog->setChecked(false);
        return;
    }
    StartLog->setText("Stop Log");
    SetHint(StartLog, "Stop loging all terminals.");
    StartLogAllTerminals(TimeStampedLogName(toLatin1(SaveLog->selectedFiles().front()), now),
                         logsize_nbr->value());
}

void TPohjafrm::StartLogAllTerminals(const std::string& baseName, int splitSize) {
    for (TerminalWindowLink* terminal : TerminalChildren())
        terminal->startSlicedLog(baseName, splitSize);
}

void TPohjafrm::StopLogAllTerminals() {
    for (TerminalWindowLink* terminal : TerminalChildren())
        terminal->stopLogging();
}

void TPohjafrm::UpdateTerminalButtons() {
    if (!mdiClient->subWindowList().isEmpty())
        handoverClock_->wait(kButtonsSettleMs);
    const std::vector<TerminalWindowLink*> terminals = TerminalChildren();
    const auto open = std::count_if(terminals.begin(), terminals.end(),
                                    [](const TerminalWindowLink* terminal) { return terminal->portOpen(); });
    const auto total = static_cast<qsizetype>(terminals.size());
    UpdateToolBarButtons();
    if (total == 0)
        return;
    if (open > 0)
        SetOpenCloseAllCaption(0);
    if (open == 0)
        SetOpenCloseAllCaption(1);
}

void TPohjafrm::UpdateToolBarButtons() {
    OpenWindows open;
    for (QMdiSubWindow* child : mdiClient->subWindowList()) {
        if (!ChildShown(child))
            continue;
        const ChildKind kind = KindOf(child);
        open.terminals += kind == ChildKind::Terminal ? 1 : 0;
        open.designer = open.designer || kind == ChildKind::Designer;
        open.singleModemDesigner = open.singleModemDesigner || IsSingleModemDesigner(child);
        open.singleFlash = open.singleFlash || kind == ChildKind::SingleFlash;
        open.multiFlash = open.multiFlash || kind == ChildKind::MultiFlash;
    }
    QMdiSubWindow* active = mdiClient->currentSubWindow();
    open.active = active != nullptr && ChildShown(active) ? KindOf(active) : ChildKind::None;
    for (const auto& [command, enabled] : EnabledCommands(open))
        SetCommandEnabled(command, enabled);
}

void TPohjafrm::ReleaseTerminalPort(int comNumber) {
    const std::vector<TerminalWindowLink*> terminals = TerminalChildren();
    ::ReleaseTerminalPort({terminals.begin(), terminals.end()}, comNumber);
}

void TPohjafrm::RestoreTerminalPort(int comNumber) {
    const std::vector<TerminalWindowLink*> terminals = TerminalChildren();
    ::RestoreTerminalPort({terminals.begin(), terminals.end()}, comNumber);
}

void TPohjafrm::CloseAllTerminalPorts() {
    const std::vector<TerminalWindowLink*> terminals = TerminalChildren();
    ::CloseAllTerminalPorts({terminals.begin(), terminals.end()});
}

void TPohjafrm::ReopenAllTerminalPorts(bool retry) {
    const std::vector<TerminalWindowLink*> terminals = TerminalChildren();
    ::ReopenAllTerminalPorts({terminals.begin(), terminals.end()}, retry, *handoverClock_,
                             !mdiClient->subWindowList().isEmpty());
    PostMessage(this, WM_TERMINALS_CHANGED);
}

void TPohjafrm::OnPowerBroadcast(const WindowMessage& message) {
    // Every terminal hears of the event too and notes it on its screen. The
    // power source reaches the main window only, so the event goes on from here.
    for (TerminalWindowLink* terminal : TerminalChildren())
        PostMessage(terminal->terminalWindow(), WM_POWERBROADCAST, message.wParam(), message.lParam());
    switch (message.wParam()) {
    case PBT_APMSUSPEND:
        CloseAllTerminalPorts();
        break;
    case PBT_APMRESUMECRITICAL:
    case PBT_APMRESUMESUSPEND:
        ReopenAllTerminalPorts(true);
        break;
    default:
        break;
    }
}

void TPohjafrm::OnDeviceChange(const WindowMessage& message) {
    const DEV_BROADCAST_PORT* header = DeviceHeader(message);
    if (header == nullptr || header->dbcp_devicetype != DBT_DEVTYP_PORT)
        return;
    const int portIndex = DevicePortIndex(header->dbcp_name);
    const std::vector<TerminalWindowLink*> found = TerminalChildren();
    const HandoverTerminals terminals(found.begin(), found.end());
    switch (message.wParam()) {
    case DBT_DEVICEREMOVECOMPLETE:
    case DBT_DEVICEREMOVEPENDING:
        ClosePortOnRemoval(terminals, portIndex);
        break;
    case DBT_DEVICEARRIVAL:
        ReopenPortOnArrival(terminals, portIndex);
        break;
    default:
        return;
    }
    PostMessage(this, WM_TERMINALS_CHANGED);
}

void TPohjafrm::SetHandoverClock(std::unique_ptr<HandoverClock> clock) {
    handoverClock_ = std::move(clock);
}

void TPohjafrm::SaveWindowLayout(const std::string& path) {
    std::vector<LayoutChild> children;
    for (QMdiSubWindow* child : ChildrenInActivationOrder()) {
        // A frame whose window has gone is no window of the layout.
        if (child->widget() == nullptr)
            continue;
        LayoutChild saved;
        saved.window.place = WindowPlace(*child);
        if (TerminalWindowLink* terminal = TerminalIn(child)) {
            saved.window.type = kLayoutTerminal;
            saved.writeOwnKeys = [terminal](TIniFile& ini, const std::string& section) {
                terminal->saveTerminalSettings(ini, section);
            };
        } else if (auto* designer = dynamic_cast<Tpiirtopohja*>(child->widget())) {
            saved.window.type = designer->SingleModem() ? kLayoutSingleModem : kLayoutDesigner;
        } else if (qobject_cast<TCSingleFlashDlg*>(child->widget()) != nullptr) {
            saved.window.type = kLayoutSingleFlash;
        } else if (auto* multi = qobject_cast<TCMultiFlashDlg*>(child->widget())) {
            saved.window.type = kLayoutMultiFlash;
            saved.window.info = multi->Instance();
        }
        children.push_back(std::move(saved));
    }
    TIniFile ini(path);
    ini.BeginUpdate();
    SaveLayout(ini, children);
    ini.UpdateFile();
}

void TPohjafrm::RestoreWindowLayout() {
    const TIniFile ini(SettingsFileName());
    logsize_nbr->setValue(ini.ReadInteger(kAllLogSettings, kAllLogSplitSize, kDefaultLogSplitSize));
    for (const SavedWindow& saved : ReadLayout(ini))
        RestoreSavedWindow(ini, saved);
    PostMessage(this, WM_TERMINALS_CHANGED);
}

void TPohjafrm::RestoreSavedWindow(const TIniFile& ini, const SavedWindow& saved) {
    const WindowRect& place = saved.window.place;
    switch (saved.window.type) {
    case kLayoutTerminal:
        if (TerminalWindowLink* terminal = CreateLayoutTerminal ? CreateLayoutTerminal() : nullptr) {
            ++open_terminals;
            PlaceChild(ChildHolding(terminal->terminalWindow()), place);
            terminal->loadTerminalSettings(ini, LayoutSectionName(saved.index));
        }
        break;
    case kLayoutSingleFlash:
        OpenAndPlace([this] { Flashyksi1Click(); }, place);
        break;
    case kLayoutMultiFlash: {
        void (TPohjafrm::*const instances[])() = {&TPohjafrm::Flashmonta1Click, &TPohjafrm::Flashmonta2Click,
                                                  &TPohjafrm::Flashmonta3Click, &TPohjafrm::Flashmonta4Click};
        OpenAndPlace([this, open = instances[saved.window.info - 1]] { (this->*open)(); }, place);
        break;
    }
    case kLayoutDesigner:
        OpenAndPlace([this] { Piirtopohja1Click(Piirtopohja1); }, place);
        break;
    case kLayoutSingleModem:
        OpenAndPlace([this] { Piirtopohja1Click(Singlemodem1); }, place);
        break;
    default:
        break;
    }
}

// A command opens its window, or brings it to the front when it is open already.
void TPohjafrm::OpenAndPlace(const std::function<void()>& command, const WindowRect& place) {
    const QList<QMdiSubWindow*> before = mdiClient->subWindowList();
    command();
    for (QMdiSubWindow* child : mdiClient->subWindowList())
        if (!before.contains(child)) {
            PlaceChild(child, place);
            return;
        }
    PlaceChild(mdiClient->activeSubWindow(), place);
}

// A saved place is that of a normal window: a window that opens maximised (a
// project designer) is shown normal there.
void TPohjafrm::PlaceChild(QMdiSubWindow* child, const WindowRect& place) {
    if (child == nullptr)
        return;
    if (child->isMaximized() || child->isMinimized())
        child->showNormal();
    SetWindowPlace(*child, place);
}

// Qt keeps the activation history oldest first.
QList<QMdiSubWindow*> TPohjafrm::ChildrenInActivationOrder() const {
    QList<QMdiSubWindow*> children = mdiClient->subWindowList(QMdiArea::ActivationHistoryOrder);
    std::reverse(children.begin(), children.end());
    return children;
}

std::vector<TerminalWindowLink*> TPohjafrm::TerminalChildren() const {
    std::vector<TerminalWindowLink*> terminals;
    for (QMdiSubWindow* child : ChildrenInActivationOrder())
        if (TerminalWindowLink* terminal = TerminalIn(child))
            terminals.push_back(terminal);
    return terminals;
}

QMdiSubWindow* TPohjafrm::ChildHolding(QWidget* window) const {
    for (QMdiSubWindow* child : mdiClient->subWindowList())
        if (child == window || child->widget() == window)
            return child;
    return nullptr;
}
