#include "terminal/tterminaali.h"

#include "platform/device_broadcast.h"
#include "platform/dialogs_in_front.h"
#include "platform/latin1.h"
#include "platform/message_box.h"
#include "platform/modal_box.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "platform/window_message.h"
#include "serial/tquovixcommport.h"
#include "shell/main_window_services.h"
#include "shell/mdi_child.h"
#include "shell/window_placement.h"
#include "terminal/terminal_keys.h"
#include "terminal/terminal_layout.h"
#include "terminal/tlahetys.h"
#include "terminal/tportinasetus.h"
#include "terminal/tscriptsetup.h"
#include "terminal/ttxtestfrm.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QTextDocument>
#include <QThread>
#include <QTime>
#include <QTimer>
#include <cstdlib>
#include <cstring>

Tterminaali* terminaali = nullptr;

namespace {

// Offsets of the settings dialog and the transmit window from the terminal.
constexpr int kBesideLeft = 8;
constexpr int kBesideTop = 80;

// The port component's sizes for a terminal.
constexpr int kTerminalBufferSize = 2048;
// Pause between a port's events that the port component keeps.
constexpr int kPortEventInterval = 20;
// The send timer's interval; nothing runs on it, the send path only stops it.
constexpr int kSendTimerMs = 30;
// The transmit window's size when the layout keeps none.
constexpr int kTransmitWindowSize = 400;

constexpr int kStatusPanelWidths[] = {100, 100, 300, 100, 190};
constexpr size_t kRxPanel = 0;
constexpr size_t kTxPanel = 1;
constexpr size_t kLineStatePanel = 3;

// Event word of the port.
constexpr uint32_t kEventRing = 0x0100;
constexpr uint32_t kEventCarrier = 0x0020;
constexpr uint32_t kEventLineError = 0x0080;
constexpr uint32_t kWaitFailed = 0x10000;

const QColor kOpenBackground = Qt::white;
const QColor kClosedBackground(192, 192, 192);
const QColor kLentBackground(128, 128, 128);

constexpr std::string_view kRestartedLine = "\r\nERROR: Serial port error. Serial port restarted\n";

// Milliseconds within the hour: the colour counter's clock.
int MillisecondsInHour() {
    const QTime now = QTime::currentTime();
    return now.minute() * 60000 + now.second() * 1000 + now.msec();
}

// The character a key types: with Ctrl, a letter or one of @ [ \ ] ^ _ types
// its control character (Ctrl+C is 3), whatever text the platform gives. The
// keys that type a control character of their own (Esc, Tab, Backspace, Enter)
// keep it; any other key types nothing with Ctrl: it belongs to the script
// keys, though X gives Ctrl+2 to Ctrl+7 the texts NUL, ESC and 1C to 1F.
std::string TypedText(const QKeyEvent& key) {
    if (!(key.modifiers() & Qt::ControlModifier))
        return toLatin1(key.text());
    if (key.key() >= Qt::Key_At && key.key() <= Qt::Key_Underscore)
        return std::string(1, static_cast<char>(key.key() - Qt::Key_At));
    if (key.key() >= Qt::Key_Escape && key.key() <= Qt::Key_Enter)
        return toLatin1(key.text());
    return {};
}

} // namespace

std::vector<Tterminaali*> TerminalWindows() {
    std::vector<Tterminaali*> terminals;
    if (Pohjafrm == nullptr)
        return terminals;
    for (QMdiSubWindow* child : Pohjafrm->MdiArea()->subWindowList())
        if (auto* terminal = qobject_cast<Tterminaali*>(child->widget()))
            terminals.push_back(terminal);
    return terminals;
}

Tterminaali::Tterminaali(QWidget* owner, int openSettings)
    : QMainWindow(owner), CommPort1(std::make_unique<TQuovixCommPort>(this)), cr_interval(new QTimer(this)),
      lahtmr(new QTimer(this)), sendQueue_(*this, *this, options), escapeTimer_(new QTimer(this)) {
    setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    FormCreate();
    if (Pohjafrm != nullptr) {
        QMdiSubWindow* child = Pohjafrm->MdiArea()->addSubWindow(this);
        child->setAttribute(Qt::WA_DeleteOnClose);
        connect(Pohjafrm->MdiArea(), &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* active) {
            if (active != nullptr && active == subWindow())
                FormActivate();
            else if (focused_)
                FormDeactivate();
        });
        child->show();
    }
    SetupTerminal(openSettings);
    if (Pohjafrm != nullptr)
        PostMessage(Pohjafrm->Window(), WM_TERMINALS_CHANGED);
}

Tterminaali* Tterminaali::CreateTerminal(QWidget* owner, int openSettings) {
    return new Tterminaali(owner, openSettings);
}

Tterminaali::~Tterminaali() {
    // The transmit window goes first, while the terminal it calls is whole.
    delete transmitWindow.data();
    CommPort1->sulje();
    if (terminaali == this)
        terminaali = nullptr;
}

void Tterminaali::FormCreate() {
    CommPort1->vaihda_bitti_nop(br__9600);
    CommPort1->vaihda_rx_size(kTerminalBufferSize);
    CommPort1->vaihda_tx_size(kTerminalBufferSize);
    CommPort1->vaihda_rx_raja(kTerminalBufferSize);
    CommPort1->vaihda_tx_raja(kTerminalBufferSize);
    CommPort1->setdtrmode(dtrENABLE);
    CommPort1->SetEvents({ceRxChar, ceTxEmpty, ceErr});
    CommPort1->setvaliaika(kPortEventInterval);
    CommPort1->setover(true);
    CommPort1->tulleet_merkit = [this](TQuovixCommPort*) { CommPort1tulleet_merkit(); };
    CommPort1->lahteneet_merkit = [this](TQuovixCommPort*) { CommPort1lahteneet_merkit(); };
    CommPort1->tapahtumat = [this](TQuovixCommPort*) { CommPort1tapahtumat(); };

    cr_interval->setSingleShot(true);
    connect(cr_interval, &QTimer::timeout, this, &Tterminaali::cr_intervalTimer);
    lahtmr->setInterval(kSendTimerMs);
    escapeTimer_->setSingleShot(true);
    escapeTimer_->setTimerType(Qt::PreciseTimer);
    connect(escapeTimer_, &QTimer::timeout, this, [this] { sendQueue_.escapeTimer(); });

    const char* panelTexts[] = {"RX: 0", "TX: 0", "Script Set:", "", "Elog: P = 0, O = 0, F= 0"};
    for (size_t i = 0; i < statusPanels.size(); ++i) {
        statusPanels[i] = new QLabel(QString::fromLatin1(panelTexts[i]), this);
        // The line-state panel takes the width the others leave, as the bar's
        // width changes with the window.
        const bool lineStates = i == kLineStatePanel;
        if (!lineStates)
            statusPanels[i]->setMinimumWidth(kStatusPanelWidths[i]);
        StatusBar1->addWidget(statusPanels[i], lineStates ? 1 : 0);
    }
    for (const size_t counter : {kRxPanel, kTxPanel}) {
        statusPanels[counter]->setFixedHeight(statusPanels[counter]->sizeHint().height());
        FitCountPanel(counter);
    }
    statusPanels[4]->setIndent(12);
    statusPanels[4]->setAutoFillBackground(true);

    Logilappu->hide();
    teksti->installEventFilter(this);
    teksti->setScrollBack(options.highMark, options.lowMark);
    connect(teksti, &TerminalScreen::shown, this, &Tterminaali::ShowRxCount);
    ConnectCommands();
}

void Tterminaali::ConnectCommands() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->addActions({Asetukset2, Lhetys2, Scriptsetup2, LogFile2, LogFilesliced1});
    PopupMenu1->addSeparator();
    PopupMenu1->addActions({Kopioi2, Liit2, Valitsekaikki2, Clear1});
    PopupMenu1->addSeparator();
    PopupMenu1->addActions({ProgSettings1, closeport1, openport1});
    // The pop-up's shortcuts act wherever the terminal has the focus.
    addActions({Clear1, ProgSettings1});
    connect(PopupMenu1, &QMenu::aboutToShow, this, &Tterminaali::PopupMenu1Popup);
    connect(teksti, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        teksti->setFocus();
        PopupMenu1->popup(teksti->mapToGlobal(at));
    });
    connect(Tiedosto1, &QMenu::aboutToShow, this, &Tterminaali::Tiedosto1Click);

    const auto on = [this](QAction* command, void (Tterminaali::*handler)()) {
        connect(command, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    on(Uusi1, &Tterminaali::Uusi1Click);
    on(Suljeterminaali1, &Tterminaali::Suljeterminaali1Click);
    on(Print1, &Tterminaali::Print1Click);
    on(Printersetup1, &Tterminaali::Printersetup1Click);
    on(Lopeta1, &Tterminaali::Lopeta1Click);
    for (QAction* copy : {Kopioi1, Kopioi2})
        on(copy, &Tterminaali::Kopioi1Click);
    for (QAction* paste : {Liit1, Liit2})
        on(paste, &Tterminaali::Liit1Click);
    for (QAction* all : {Valitsekaikki1, Valitsekaikki2})
        on(all, &Tterminaali::Valitsekaikki1Click);
    on(Clear1, &Tterminaali::Clear1Click);
    on(ProgSettings1, &Tterminaali::ProgSettings1Click);
    on(closeport1, &Tterminaali::closeport1Click);
    on(openport1, &Tterminaali::openport1Click);
    for (QAction* settings : {Asetukset1, Asetukset2})
        connect(settings, &QAction::triggered, this, [this] { Asetukset1Click(false); });
    // Windows that join the program later: their commands wait for them.
    for (QAction* scripts : {Scriptsetup1, Scriptsetup2})
        on(scripts, &Tterminaali::Scriptsetup1Click);
    if (ScriptSetup != nullptr)
        connect(ScriptSetup, &TScriptSetup::ScriptSetChosen, this,
                [this](const QString& name) { showScriptSetName(toLatin1(name)); });
    for (QAction* transmit : {Lhetys1, Lhetys2})
        on(transmit, &Tterminaali::Lhetys1Click);
    for (QAction* whole : {Logfile1, LogFile2})
        on(whole, &Tterminaali::Logfile1Click);
    for (QAction* sliced : {LogFilesliced1, LogFilesliced2})
        on(sliced, &Tterminaali::LogFilesliced1Click);
    on(RadioTest1, &Tterminaali::RadioTest1Click);
    connect(MultiFlash1, &QAction::triggered, this, [] { Pohjafrm->OpenMultiFlashWindow(0); });
}

void Tterminaali::SetupTerminal(int openSettings) {
    sendQueue_.reset();
    sendQueue_.clearTransmittedCount();
    rxCount_ = 0;
    transmitWindow = nullptr;
    transmitShown = false;
    SetNmsReplyMode(false);
    renderer_.reset();
    colourCounter_.reset();
    showPortState();
    UpdateTerminalCaption(false);
    if (ScriptSetup != nullptr)
        statusPanels[2]->setText(fromLatin1(ScriptSetup->GetActiveScriptSet()));
    if (openSettings == 1)
        Asetukset1Click(true);
    if (Pohjafrm != nullptr)
        Pohjafrm->AddWindowMenuEntry(this, toLatin1(windowTitle()));
}

QMdiSubWindow* Tterminaali::subWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

// ---- Receive path ----

void Tterminaali::CommPort1tulleet_merkit() {
    const int count = CommPort1->merkkien_maara();
    if (count <= 0)
        return;
    char* received = CommPort1->lue_rx_char();
    if (received == nullptr)
        return;
    const std::string data(received, static_cast<size_t>(count));
    std::free(received);
    if (NmsReplyMode()) {
        if (nmsReplyCollector)
            nmsReplyCollector(data);
        return;
    }
    if (cr_interval->interval() != 0)
        cr_interval->start(); // restarts: it fires only after a pause
    if (cr_interval->interval() == 0 && options.timeStamp && !options.lineStart && !programmingMode_.active())
        chunkStampPending_ = true;
    if (chunkStampPending_) {
        AppendScreenText(StampText(), kStampColour);
        chunkStampPending_ = false;
    }
    DisplayReceived(data);
    rxCount_ += static_cast<uint32_t>(data.size());
    teksti->requestFrame();
}

// The count follows the screen's frames: a stream of chunks changes it far
// more often than anyone can read it.
void Tterminaali::ShowRxCount() {
    ShowCount(kRxPanel, QStringLiteral("RX: %1").arg(rxCount_));
}

void Tterminaali::cr_intervalTimer() {
    AppendScreenText("\r\n", kNormalColour);
    if (options.timeStamp && !options.lineStart)
        chunkStampPending_ = true;
    cr_interval->stop();
}

void Tterminaali::DisplayReceived(std::string_view data) {
    const TerminalRenderer::View view = options.view();
    const std::string stamp = view.timeStamp && view.lineStart ? StampText() : std::string();
    ScreenRuns runs;
    renderer_.render(view, data, stamp, runs);
    for (const ScreenRun& run : runs)
        AppendScreenText(run.text, run.kind);
}

void Tterminaali::AppendScreenText(std::string_view text, ColourKind kind) {
    if (!text.empty() && text.front() == '\n')
        text.remove_prefix(1);
    const size_t highlighted =
        options.colourCounter ? colourCounter_.highlight(text.size(), MillisecondsInHour(), NmsReplyMode())
                              : 0;
    teksti->appendText(text, kind, highlighted);
    if (log_.running()) {
        if (!log_.write(text))
            ShowLogFailureAfterThisText();
        ShowLogState();
    }
}

// The box waits until the text being shown is whole: a box shown here would let
// received data run through its event loop and onto the screen in the middle of
// a chunk, and would hold the port's reading while it is open.
void Tterminaali::ShowLogFailureAfterThisText() {
    QTimer::singleShot(0, this,
                       [failure = log_.failure()] { MessageBox(failure, "", MB_OK | MB_ICONERROR); });
}

void Tterminaali::AppendScreenBytes(const std::string& bytes) {
    if (teksti->endColumn() <= 1 && !bytes.empty() && bytes.front() == '\r')
        return;
    AppendScreenText(std::string_view(bytes).substr(0, bytes.find('\0')), kNormalColour);
}

// ---- Line events ----

void Tterminaali::CommPort1tapahtumat() {
    const uint32_t word = CommPort1->tapahtumasana;
    if (word & kEventLineError) {
        lineErrors_.count(CommPort1->linjavirheet);
        ShowLineErrors();
    }
    if (word & (kEventRing | kEventCarrier))
        ShowLineStates();
    if (word & kWaitFailed) {
        AppendScreenText(kRestartedLine, kErrorColour);
        // The port reopens quietly right after this event. When that fails the
        // terminal shows the port closed, as after the user closed it, and the
        // device's arrival opens it again.
        QTimer::singleShot(0, this, [this] { showPortState(); });
    }
}

// The RX and TX counts change with every chunk. Their panels keep a fixed size,
// the panel's width or what the text needs when more, so a new count repaints
// the panel without laying out the status bar again.
void Tterminaali::ShowCount(size_t panel, const QString& text) {
    QLabel* label = statusPanels[panel];
    // Only a count of another length can need another width, and measuring
    // the text costs more than showing it.
    const bool measure = text.size() != label->text().size();
    label->setText(text);
    if (measure)
        FitCountPanel(panel);
}

void Tterminaali::FitCountPanel(size_t panel) {
    QLabel* label = statusPanels[panel];
    label->setFixedWidth(std::max(kStatusPanelWidths[panel], label->sizeHint().width()));
}

void Tterminaali::ShowLineErrors() {
    QLabel* panel = statusPanels[4];
    panel->setText(fromLatin1(lineErrors_.text()));
    QPalette palette = StatusBar1->palette();
    if (lineErrors_.any()) {
        palette.setColor(QPalette::Window, QColor(255, 0, 0));
        palette.setColor(QPalette::WindowText, Qt::white);
    }
    panel->setPalette(palette);
}

void Tterminaali::ShowLineStates() {
    statusPanels[kLineStatePanel]->setText(QStringLiteral("C %1 R %2")
                                               .arg(CommPort1->CD_status() ? 1 : 0)
                                               .arg(CommPort1->RING_status() ? 1 : 0));
}

// ---- Send path ----

void Tterminaali::QueueSend(const std::string& data, bool fromUser) {
    sendQueue_.queueSend(data, fromUser);
}

void Tterminaali::StopSendTimer() {
    lahtmr->stop();
}

void Tterminaali::Lhetys1Click() {
    if (auto* existing = qobject_cast<TLahetys*>(transmitWindow.data())) {
        existing->showNormal();
        return;
    }
    auto* window = new TLahetys(*this, Pohjafrm != nullptr && Pohjafrm->FactoryMode(), this);
    window->setWindowTitle(TransmitWindowCaption());
    window->adjustSize();
    PlaceWindowOnScreen(*window, BesideTerminal(), *this);
    const QPointer<TLahetys> attached(window);
    transmitWindow = window;
    transmitSendsCommandLines = [attached] { return attached && attached->SendsCommandLines(); };
    nmsReplyCollector = [attached](std::string_view bytes) {
        if (attached)
            attached->FeedNmsReply(std::string(bytes));
    };
    focused_ = false;
    transmitShown = true;
    window->show();
    // It takes the keyboard, as a newly shown window does: typing then goes into
    // its text box and not out of the terminal's port.
    window->activateWindow();
}

void Tterminaali::RadioTest1Click() {
    if (txtestfrm != nullptr) {
        BringMdiChildForward(txtestfrm);
        return;
    }
    auto* window = new Ttxtestfrm;
    if (Pohjafrm == nullptr) {
        window->show();
        return;
    }
    QMdiSubWindow* child = Pohjafrm->MdiArea()->addSubWindow(window);
    child->setAttribute(Qt::WA_DeleteOnClose);
    child->adjustSize();
    const QSize main = Pohjafrm->Window()->frameGeometry().size();
    const WindowPoint at = CentredInMainWindow(main.width(), main.height(), child->width(), child->height());
    child->move(at.left, at.top);
    child->show();
}

void Tterminaali::TransmitWindowDismissed(bool closed) {
    transmitShown = false;
    if (closed)
        transmitWindow = nullptr;
}

void Tterminaali::tekstiKeyPress(char key) {
    if (portOpen()) {
        sendQueue_.typeKey(key);
        switch (key) {
        case 3:
            Kopioi1Click();
            break;
        case 22:
            Liit1Click();
            break;
        case 1:
            Valitsekaikki1Click();
            break;
        default:
            break;
        }
    }
    if (options.mirror && focused_ && Pohjafrm != nullptr)
        Pohjafrm->BroadcastKeyToTerminals(this, key);
}

// Typed here as the screen's own key: this terminal has no focus, so the key
// goes no further.
void Tterminaali::typeMirroredKey(char key) {
    // A backspace must reach the screen as the Backspace key to act on it.
    const int code = key == '\b' ? Qt::Key_Backspace : 0;
    QCoreApplication::postEvent(
        teksti, new QKeyEvent(QEvent::KeyPress, code, Qt::NoModifier, QString(QLatin1Char(key))));
}

bool Tterminaali::tekstiKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const TerminalKeyAction action = ClassifyTerminalKey(
        key, modifiers & Qt::ShiftModifier, modifiers & Qt::AltModifier, modifiers & Qt::ControlModifier);
    const bool scriptKey = modifiers & Qt::ShiftModifier; // Shift+F n, Shift+Alt+F n
    switch (action.kind) {
    case TerminalKeyAction::kSendScript:
        if (portOpen() && ScriptSetup != nullptr)
            ScriptSetup->SendScriptText(action.number, *this);
        return true;
    case TerminalKeyAction::kSelectSet:
        if ((portOpen() || !scriptKey) && ScriptSetup != nullptr)
            ScriptSetup->SelectScriptSet(Qt::Key_F1 + action.number - 1);
        return true;
    case TerminalKeyAction::kConsumed:
        return true;
    case TerminalKeyAction::kNone:
        break;
    }
    return false;
}

bool Tterminaali::eventFilter(QObject* watched, QEvent* event) {
    if (watched != teksti)
        return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool taken = tekstiKeyDown(key->key(), key->modifiers());
        const std::string typed = TypedText(*key);
        // With Ctrl only control characters are typed (Ctrl+C sends 3).
        const bool typedKey = typed.size() == 1 && (!taken || static_cast<uint8_t>(typed[0]) < 32);
        if (typedKey)
            tekstiKeyPress(typed[0]);
        // A backspace also acts on the screen; other typed keys show only
        // through the echo.
        return taken || (typedKey && typed[0] != '\b');
    }
    case QEvent::FocusIn:
        focused_ = true;
        break;
    case QEvent::FocusOut:
        focused_ = false;
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// TerminalPortLink: the send path's view of the port.
bool Tterminaali::portOpen() const {
    return CommPort1->IsOpen();
}
unsigned Tterminaali::openCount() const {
    return CommPort1->OpenCount();
}
int Tterminaali::transmitRoom() const {
    return CommPort1->TX_puskurin_koko() - CommPort1->TxPending();
}
// The port takes over a buffer of the C allocator.
void Tterminaali::write(std::string_view bytes) {
    auto* buffer = static_cast<char*>(std::malloc(std::max<size_t>(bytes.size(), 1)));
    std::memcpy(buffer, bytes.data(), bytes.size());
    CommPort1->lahetettavat(buffer, static_cast<int>(bytes.size()));
}
int Tterminaali::lastWritten() const {
    return CommPort1->LastWritten();
}
void Tterminaali::setRtsRaised(bool raised) {
    CommPort1->setrtsmode(raised ? rtsHANDSHAKE : rtsDISABLE);
}
void Tterminaali::flushTransmit() {
    CommPort1->flushtx();
}

// TerminalSendHost: what the send path asks of the terminal.
bool Tterminaali::echoQueued() const {
    return transmitShown && !(transmitSendsCommandLines && transmitSendsCommandLines());
}

void Tterminaali::mirror(std::string_view bytes) {
    if (Pohjafrm != nullptr)
        Pohjafrm->BroadcastDataToTerminals(this, bytes);
}

void Tterminaali::postSendNext() {
    PostMessage(this, WM_TERM_SEND_NEXT);
}
void Tterminaali::postKeysReady() {
    PostMessage(this, WM_TERM_KEYS_READY);
}

void Tterminaali::queueEmptied() {
    if (transmitShown)
        PostMessage(transmitWindow, WM_TX_SEND_DONE);
}

void Tterminaali::sendEnded() {
    SuspendTransmitWindow();
}

void Tterminaali::holdRts(int ms) {
    QThread::msleep(static_cast<unsigned long>(ms));
}

void Tterminaali::startEscapeTimer(std::chrono::milliseconds interval) {
    escapeTimer_->start(interval);
}

void Tterminaali::transmitted(uint32_t total) {
    ShowCount(kTxPanel, QStringLiteral("TX: %1").arg(total));
}

// ---- Settings and programming mode ----

LineSettings Tterminaali::lineSettings() const {
    LineSettings line;
    line.portNumber = CommPort1->Portin_nro();
    line.baudRate = CommPort1->Baudrate();
    line.dataBits = CommPort1->Databits();
    line.parity = CommPort1->pariteetti();
    line.stopBits = CommPort1->Stopbits();
    line.rtsMode = CommPort1->RTSmode();
    line.flowControl = CommPort1->Kattely();
    return line;
}

void Tterminaali::applyLineSettings(const LineSettings& line) {
    CommPort1->vaihda_bitti_nop(static_cast<TBaudRate>(line.baudRate));
    CommPort1->vaihda_bitti_luku(static_cast<TDataBits>(line.dataBits));
    CommPort1->vaihda_pariteetti(static_cast<TParityBits>(line.parity));
    CommPort1->vaihda_stop(static_cast<TStopBits>(line.stopBits));
    CommPort1->setrtsmode(static_cast<TRts>(line.rtsMode));
    CommPort1->vaihda_kattely(static_cast<TFlowControl>(line.flowControl));
}

void Tterminaali::ApplyOptions(bool renameMenuEntry) {
    programmingMode_.abandon();
    UpdateTerminalCaption(renameMenuEntry);
    options.rtsHoldMs = RtsHoldMs(CommPort1->Baudrate());
    options.lowMark = options.highMark - TerminalOptions::kTrimBlock;
    teksti->setScrollBack(options.highMark, options.lowMark);
    TCommEventSet events = CommPort1->Eventit();
    if (CommPort1->pariteetti() != _pbNone)
        events.insert(ceErr);
    else
        events.erase(ceErr);
    CommPort1->SetEvents(events);
    renderer_.setLineStampPending(options.timeStamp && options.lineStart && renderer_.lastWasLineEnd());
}

// Runs the port settings dialog on this terminal; newTerminal for a terminal
// being created, which closes itself when the dialog is cancelled.
void Tterminaali::Asetukset1Click(bool newTerminal) {
    if (portinasetus == nullptr)
        return;
    dialogLine_ = lineSettings();
    portinasetus->SetTarget({&dialogLine_, &options, cr_interval,
                             [this](const LineSettings& line) { applyLineSettings(line); },
                             [this] {
                                 CommPort1->tila(false);
                                 MovePort(dialogLine_.portNumber);
                                 CommPort1->tila(true);
                             },
                             [this] {
                                 CommPort1->setPortin_nro(static_cast<TPortnro>(dialogLine_.portNumber));
                                 CommPort1->tila_hiljaa(true);
                             }});
    portinasetus->SetPlace(BesideTerminal());
    portinasetus->new_terminal = newTerminal;
    portinasetus->term_nimi->setText(newTerminal ? QString() : fromLatin1(options.name));
    // The caption names the port the terminal is on, which "Open port" opens, and
    // the screen shows whether it is open.
    const auto showPort = [this, newTerminal] {
        UpdateTerminalCaption(!newTerminal);
        showPortState();
    };
    for (;;) {
        if (RunModal(*portinasetus) != QDialog::Accepted) {
            // Cancel undoes nothing: a move to another port that would not open
            // has left the terminal on that port, closed, and the clicks have set
            // the line.
            showPort();
            if (newTerminal)
                PostMessage(this, WM_CLOSE);
            portinasetus->new_terminal = false;
            return;
        }
        if (portOpen())
            break;
        showPort();
        MessageBox("Could not open port COM" + std::to_string(CommPort1->Portin_nro() + 1) + "." +
                       "\n Port in in use !",
                   "", MB_OK);
    }
    options.name = toLatin1(portinasetus->term_nimi->text());
    ApplyOptions(!newTerminal);
    showPortState();
    portinasetus->new_terminal = false;
    if (newTerminal)
        ComeToFront();
}

// Where the settings dialog and the transmit window open: main Left + terminal
// Left + 8, main Top + terminal Top + 80, the terminal's place being that of its
// frame in the main window.
QPoint Tterminaali::BesideTerminal() const {
    const QWidget* frame = subWindow() != nullptr ? static_cast<const QWidget*>(subWindow()) : this;
    const QPoint main = Pohjafrm != nullptr ? Pohjafrm->Window()->pos() : QPoint();
    return main + frame->pos() + QPoint(kBesideLeft, kBesideTop);
}

// A new terminal is the window the user works in next, whatever else is open:
// it comes to the front and its screen takes the typed keys.
void Tterminaali::ComeToFront() {
    if (QMdiSubWindow* frame = subWindow(); frame != nullptr && Pohjafrm != nullptr) {
        Pohjafrm->MdiArea()->setActiveSubWindow(frame);
        frame->raise();
    }
    activateWindow();
    teksti->setFocus();
}

// In programming mode the caption tells the mode, and the Window-menu entry keeps
// the caption of the normal settings.
void Tterminaali::UpdateTerminalCaption(bool renameMenuEntry) {
    if (programmingMode_.active()) {
        setWindowTitle(QStringLiteral("COM%1: Programming mode ").arg(portNumber() + 1) +
                       fromLatin1(options.name));
        return;
    }
    const std::string caption = TerminalCaption(lineSettings(), options);
    if (renameMenuEntry && Pohjafrm != nullptr)
        Pohjafrm->RenameWindowMenuEntry(toLatin1(windowTitle()), caption);
    setWindowTitle(fromLatin1(caption));
    // The transmit window names the port it sends to, and keeps its options
    // under that name from then on.
    if (auto* transmit = qobject_cast<QWidget*>(transmitWindow.data()))
        transmit->setWindowTitle(TransmitWindowCaption());
}

QString Tterminaali::TransmitWindowCaption() const {
    return fromLatin1(::TransmitWindowCaption(toLatin1(windowTitle())));
}

ProgrammableSettings Tterminaali::programmable() const {
    return {lineSettings(), options, chunkStampPending_, cr_interval->interval()};
}

void Tterminaali::ApplyProgrammable(const ProgrammableSettings& settings) {
    applyLineSettings(settings.line);
    options = settings.options;
    chunkStampPending_ = settings.chunkStampPending;
    cr_interval->stop();
    cr_interval->setInterval(settings.packetIntervalMs);
}

void Tterminaali::ProgSettings1Click() {
    ProgrammableSettings settings = programmable();
    if (programmingMode_.active()) {
        programmingMode_.leave(settings);
        ApplyProgrammable(settings);
        UpdateTerminalCaption(false);
    } else {
        programmingMode_.enter(settings);
        ApplyProgrammable(settings);
        UpdateTerminalCaption(false);
    }
}

void Tterminaali::PopupMenu1Popup() {
    ProgSettings1->setText(programmingMode_.active() ? QStringLiteral("Normal settings")
                                                     : QStringLiteral("Prog settings"));
}

// ---- Commands ----

void Tterminaali::showPortState() {
    // A port that opened, on another port or by the hand-back, waits for no loan.
    if (portOpen())
        loan_.end();
    const PortShade shade = portLent() ? PortShade::Lent : portOpen() ? PortShade::Open : PortShade::Closed;
    shadeScreen(shade);
    openport1->setVisible(shade == PortShade::Closed);
    closeport1->setVisible(shade != PortShade::Closed);
    if (shade == PortShade::Open) {
        ResumeTransmitWindow();
        // Typed keys that waited while the port was closed go out now.
        sendQueue_.flushTypedKeys();
    } else {
        // A closed or lent port ends the sends, and the transmit window's.
        sendQueue_.stopSending();
        SuspendTransmitWindow();
    }
    if (Pohjafrm != nullptr)
        PostMessage(Pohjafrm->Window(), WM_TERMINALS_CHANGED);
}

bool Tterminaali::portLent() const {
    return loan_.lent(portNumber());
}

void Tterminaali::setPortLent(bool lent) {
    if (lent)
        loan_.lend(portNumber());
    else
        loan_.handBack();
}

void Tterminaali::shadeScreen(PortShade shade) {
    switch (shade) {
    case PortShade::Open:
        teksti->setBackground(kOpenBackground);
        break;
    case PortShade::Closed:
        teksti->setBackground(kClosedBackground);
        break;
    case PortShade::Lent:
        teksti->setBackground(kLentBackground);
        break;
    }
}

// ---- Logging ----

// The save dialog of the log commands; an empty name when cancelled.
std::string Tterminaali::ChooseLogFile() {
    if (talleta == nullptr) {
        talleta = new QFileDialog(this, QStringLiteral("Save file"), fromLatin1(ProgramFolder()),
                                  QStringLiteral("Text file (*.txt);;All (*.*)"));
        talleta->setAcceptMode(QFileDialog::AcceptSave);
        talleta->setDefaultSuffix(QStringLiteral("txt"));
        talleta->selectFile(QStringLiteral("logifile.txt"));
    }
    if (RunModal(*talleta) != QDialog::Accepted || talleta->selectedFiles().isEmpty())
        return {};
    return QFile::encodeName(talleta->selectedFiles().front()).toStdString();
}

// The start of both log commands: a running log stops; otherwise the user chooses
// the file of a new one. An empty name when the log stopped or the dialog was
// cancelled.
std::string Tterminaali::StopLogOrChooseFile() {
    if (log_.running()) {
        stopLogging();
        return {};
    }
    const std::string fileName = ChooseLogFile();
    // The item ticked itself as it was clicked: a cancelled choice unticks it.
    if (fileName.empty())
        ShowLogState();
    return fileName;
}

void Tterminaali::Logfile1Click() {
    const std::string fileName = StopLogOrChooseFile();
    if (fileName.empty())
        return;
    if (!log_.startWhole(fileName))
        MessageBox(log_.failure(), "", MB_OK | MB_ICONERROR);
    ShowLogState();
}

void Tterminaali::LogFilesliced1Click() {
    const std::string fileName = StopLogOrChooseFile();
    if (fileName.empty())
        return;
    const int sliceSizeMb = Pohjafrm != nullptr ? Pohjafrm->LogSliceSizeMb() : 0;
    startSlicedLog(TimeStampedLogName(fileName, CurrentLocalDateTime()), sliceSizeMb);
}

void Tterminaali::startSlicedLog(const std::string& fileName, int sliceSizeMb) {
    if (log_.running())
        return;
    if (!log_.startSliced(fileName, portNumber(), options.name, sliceSizeMb))
        MessageBox(log_.failure(), "", MB_OK | MB_ICONERROR);
    ShowLogState();
}

void Tterminaali::stopLogging() {
    log_.stop();
    ShowLogState();
}

void Tterminaali::ShowLogState() {
    const bool running = log_.running();
    Logilappu->setVisible(running);
    if (running)
        Logilappu->setPlainText(QStringLiteral("Log file write in progress\n") + fromLatin1(log_.fileLine()) +
                                QLatin1Char('\n') + fromLatin1(log_.bytesLine()));
    for (QAction* item : {Logfile1, LogFile2, LogFilesliced1, LogFilesliced2})
        item->setChecked(running);
}

// ---- Window layout ----

void Tterminaali::saveTerminalSettings(TIniFile& ini, const std::string& section) {
    TerminalLayout layout;
    layout.line = lineSettings();
    layout.options = options;
    layout.packetTimerEnabled = cr_interval->isActive();
    layout.packetIntervalMs = cr_interval->interval();
    auto* transmit = qobject_cast<TLahetys*>(transmitWindow.data());
    layout.transmitShown = transmitShown && transmit != nullptr;
    if (layout.transmitShown)
        layout.transmit = WindowPlace(*transmit);
    WriteTerminalLayout(ini, section, layout);
    if (!layout.transmitShown)
        return;
    // The layout is the settings file the window keeps its own keys in: they
    // go with it, whether the window closes now or stays open.
    transmit->SaveSettings(ini);
    // A repeating send stops; an idle transmit window closes.
    transmit->PeruutaClick();
}

void Tterminaali::loadTerminalSettings(const TIniFile& ini, const std::string& section) {
    CommPort1->sulje();
    TerminalLayout current;
    current.line = lineSettings();
    current.options = options;
    const QPoint defaultPlace = BesideTerminal();
    current.transmit = {defaultPlace.x(), defaultPlace.y(), kTransmitWindowSize, kTransmitWindowSize};
    const TerminalLayout layout = ReadTerminalLayout(ini, section, current);
    MovePort(layout.line.portNumber);
    applyLineSettings(layout.line);
    options = layout.options;
    cr_interval->stop();
    cr_interval->setInterval(layout.packetIntervalMs);
    if (layout.packetTimerEnabled && layout.packetIntervalMs > 0)
        cr_interval->start();
    ApplyOptions(true);
    renderer_.setLineStampPending(options.timeStamp && options.lineStart);
    CommPort1->tila_hiljaa(true);
    showPortState();
    if (layout.transmitShown) {
        Lhetys1Click();
        if (auto* transmit = qobject_cast<TLahetys*>(transmitWindow.data())) {
            // A place kept on a larger screen is brought onto this one.
            transmit->resize(layout.transmit.width, layout.transmit.height);
            PlaceWindowOnScreen(*transmit, {layout.transmit.left, layout.transmit.top}, *this);
        }
    }
}

void Tterminaali::showScriptSetName(const std::string& name) {
    statusPanels[2]->setText(QStringLiteral("Script Set: ") + fromLatin1(name));
}

// Data and keys given for one device never go to another: a move ends the
// sends and the transmit window's repeat, as "Close port" does, and drops the
// typed keys too. A sliced log goes on in a slice named after the new port. The caller has closed the port
// and opens it on the new number.
void Tterminaali::MovePort(int number) {
    if (number == CommPort1->Portin_nro())
        return;
    CommPort1->setPortin_nro(static_cast<TPortnro>(number));
    sendQueue_.portMoved();
    SuspendTransmitWindow();
    if (!log_.portMoved(number))
        ShowLogFailureAfterThisText();
    ShowLogState();
}

// Closed by the user, a lent port is no longer wanted back.
void Tterminaali::closeport1Click() {
    loan_.end();
    CommPort1->sulje();
    showPortState();
}

void Tterminaali::openport1Click() {
    CommPort1->tila(true);
    showPortState();
}

// The window's send ends here and now, not when it reads the message: its
// repeat timer may fire first, and would send the next line or repeat through
// the port opened again, on another device or another open of this one.
void Tterminaali::SuspendTransmitWindow() {
    if (!transmitShown)
        return;
    if (auto* transmit = qobject_cast<TLahetys*>(transmitWindow.data()))
        transmit->PortClosed();
    PostMessage(transmitWindow, WM_TX_PORT_CLOSED);
}

void Tterminaali::Clear1Click() {
    teksti->clearScreen();
    rxCount_ = 0;
    sendQueue_.clearTransmittedCount();
    ShowCount(kRxPanel, QStringLiteral("RX: 0"));
    ShowCount(kTxPanel, QStringLiteral("TX: 0"));
    lineErrors_.clear();
    ShowLineErrors();
}

void Tterminaali::Kopioi1Click() {
    teksti->copy();
}

void Tterminaali::Liit1Click() {
    const QString text = QApplication::clipboard()->text();
    if (portOpen() && !text.isEmpty())
        QueueSend(toLatin1(text), true);
}

void Tterminaali::Valitsekaikki1Click() {
    teksti->selectAll();
}

void Tterminaali::Print1Click() {
    if (Pohjafrm == nullptr || Pohjafrm->Printer() == nullptr)
        return;
    QPrinter* printer = Pohjafrm->Printer();
    QPrintDialog dialog(printer, this);
    // The printer keeps the range of the last print: each print chooses its own.
    dialog.setOption(QAbstractPrintDialog::PrintSelection, teksti->hasSelection());
    dialog.setPrintRange(teksti->hasSelection() ? QAbstractPrintDialog::Selection
                                                : QAbstractPrintDialog::AllPages);
    if (RunModal(dialog) != QDialog::Accepted)
        return;
    QTextDocument document;
    document.setMetaInformation(QTextDocument::DocumentTitle, windowTitle());
    // The selection prints as plain text; the whole screen in its colours.
    if (dialog.printRange() == QAbstractPrintDialog::Selection)
        document.setPlainText(teksti->selectedText());
    else
        teksti->writeTo(document);
    printer->setDocName(windowTitle());
    document.print(printer);
}

void Tterminaali::Printersetup1Click() {
    if (Pohjafrm != nullptr)
        Pohjafrm->PrinterSetup();
}

void Tterminaali::Suljeterminaali1Click() {
    CloseMdiChild(this);
}

void Tterminaali::Lopeta1Click() {
    if (Pohjafrm != nullptr)
        PostMessage(Pohjafrm->Window(), WM_CLOSE);
}

void Tterminaali::Uusi1Click() {
    terminaali = CreateTerminal(nullptr, 1);
}

void Tterminaali::Scriptsetup1Click() {
    if (ScriptSetup == nullptr)
        return;
    ScriptSetup->showNormal();
    ShowInFront(ScriptSetup);
}

void Tterminaali::Tiedosto1Click() {
    const bool factory = Pohjafrm != nullptr && Pohjafrm->FactoryMode();
    // A hidden action is disabled as well.
    MultiFlash1->setVisible(factory);
    RadioTest1->setVisible(factory);
}

void Tterminaali::AddScreenLine(const std::string& line) {
    AppendScreenText((teksti->endColumn() != 0 ? "\r\n" : "") + line + "\r\n", kNormalColour);
}

// ---- Activation, messages and closing ----

void Tterminaali::FormActivate() {
    focused_ = true;
}

void Tterminaali::FormDeactivate() {
    focused_ = false;
}

bool Tterminaali::event(QEvent* event) {
    if (const WindowMessage* message = WindowMessage::from(event)) {
        switch (message->number()) {
        case WM_TERM_SEND_NEXT:
            SendNextChunk();
            return true;
        case WM_TERM_KEYS_READY:
            OnTypedKeysSent();
            return true;
        case WM_CLOSE:
            Suljeterminaali1Click();
            return true;
        case WM_POWERBROADCAST:
            if (message->wParam() == PBT_APMSUSPEND)
                AddScreenLine("nyt nukkumaan");
            else if (message->wParam() == PBT_APMRESUMESUSPEND)
                AddScreenLine("unikeko nousee");
            return true;
        default:
            break;
        }
    }
    return QMainWindow::event(event);
}

void Tterminaali::closeEvent(QCloseEvent* event) {
    CommPort1->sulje();
    FormClose();
    event->accept();
}

void Tterminaali::FormClose() {
    CommPort1->sulje();
    if (programmingMode_.active())
        ProgSettings1Click();
    sendQueue_.reset();
    // The transmit window closes through its own close, which keeps its options
    // and text; deleted with the terminal, it would lose them.
    if (auto* transmit = qobject_cast<QWidget*>(transmitWindow.data()))
        transmit->close();
    SuspendTransmitWindow();
    if (portinasetus != nullptr)
        portinasetus->RemovePortInUse(&dialogLine_);
    if (Pohjafrm == nullptr)
        return;
    Pohjafrm->RemoveWindowMenuEntry(this, toLatin1(windowTitle()));
    // Counted from the windows, so a terminal that another window opened
    // leaves the count right.
    const auto others = static_cast<int32_t>(TerminalWindows().size()) - 1;
    Pohjafrm->SetOpenTerminalCount(std::max(others, 0));
    PostMessage(Pohjafrm->Window(), WM_TERMINALS_CHANGED);
}
