#pragma once
// The terminal window: an MDI child bound to one serial port through its own
// port component. It shows what the port receives (text, hexadecimal or mixed,
// with time stamps and colours), sends typed keys, pasted text, key scripts and
// the transmit window's data, counts line errors, and switches to the modems'
// programming settings and back with one key.

#include "serial/tquovixcommport.h"
#include "shell/mdi_child.h"
#include "shell/terminal_window_link.h"
#include "terminal/colour_counter.h"
#include "terminal/line_error_counters.h"
#include "terminal/programming_mode.h"
#include "terminal/terminal_link.h"
#include "terminal/terminal_log.h"
#include "terminal/terminal_renderer.h"
#include "terminal/terminal_send_queue.h"
#include "terminal/terminal_settings.h"
#include "ui_tterminaali.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

class QFileDialog;
class QLabel;
class QMdiSubWindow;

class Tterminaali : public QMainWindow,
                    public Ui::Tterminaali,
                    public TerminalLink,
                    public TerminalWindowLink,
                    private TerminalPortLink,
                    private TerminalSendHost,
                    public WorkingControlOwner {
    Q_OBJECT
public:
    // Creates the terminal as a child window of the main window. openSettings 1
    // runs the port settings dialog at once (a new terminal); 0 leaves the
    // settings to the caller (layout restore).
    explicit Tterminaali(QWidget* owner = nullptr, int openSettings = 1);
    static Tterminaali* CreateTerminal(QWidget* owner, int openSettings);
    ~Tterminaali() override;

    // The port; its settings are the terminal's line settings.
    std::unique_ptr<TQuovixCommPort> CommPort1;
    // The options the settings dialog and the saved layout set. After changing
    // them call ApplyOptions.
    TerminalOptions options;
    // Packet interval: a CR LF after each pause of this length in the traffic.
    QTimer* cr_interval;
    // Send timer: stopped by every send.
    QTimer* lahtmr;
    // Status bar panels 0 to 4: "RX: ", "TX: ", script set, line states, errors.
    std::array<QLabel*, 5> statusPanels{};

    // The transmit window attached to this terminal, while it exists: where
    // WM_TX_SEND_DONE and WM_TX_PORT_CLOSED go, and whether it is shown.
    QPointer<QObject> transmitWindow;
    bool transmitShown = false;
    // True while the transmit window sends command lines (its sends are not
    // echoed from the queue).
    std::function<bool()> transmitSendsCommandLines;
    // Collects received bytes while NMS replies are awaited.
    std::function<void(std::string_view)> nmsReplyCollector;
    bool NmsReplyMode() const { return sendQueue_.nmsReplyMode(); }

    // What the script set-up and the transmit window use.
    bool PortOpen() const override { return portOpen(); }
    bool portOpen() const override;
    void QueueSend(const std::string& data, bool fromUser) override;
    // Prints bytes of the transmit window in the normal colour, up to the first
    // zero byte; nothing when the caret is at a line start and the bytes begin
    // with CR.
    void AppendScreenBytes(const std::string& bytes) override;
    void CancelSending() override { sendQueue_.cancel(); }
    void QueueEscape(const std::string& characters, bool fromUser) override {
        sendQueue_.queueEscape(characters, fromUser);
    }
    void StopSendTimer() override;
    void SetNmsReplyMode(bool on) override { sendQueue_.setNmsReplyMode(on); }
    void SetTransmitWindowHandle(QObject* window) override { transmitWindow = window; }
    void TransmitWindowDismissed(bool closed) override;

    // Receive path.
    void CommPort1tulleet_merkit();
    void CommPort1tapahtumat();
    void cr_intervalTimer();
    void DisplayReceived(std::string_view data);
    void AppendScreenText(std::string_view text, ColourKind kind);

    // Send path.
    void FlushTypedKeys() { sendQueue_.flushTypedKeys(); }
    void SendNextChunk() { sendQueue_.sendNextChunk(); }
    void OnTypedKeysSent() { sendQueue_.typedKeysSent(); }
    void CommPort1lahteneet_merkit() { sendQueue_.writeDone(); }
    void tekstiKeyPress(char key);
    bool tekstiKeyDown(int key, Qt::KeyboardModifiers modifiers);

    // Settings.
    void Asetukset1Click(bool newTerminal);
    // Applies the options and the port's settings after the settings dialog or
    // the saved layout changed them: caption, RTS hold, scroll-back, line-error
    // events, line-start stamp; ends programming mode without restoring.
    void ApplyOptions(bool renameMenuEntry = true);
    void UpdateTerminalCaption(bool renameMenuEntry);
    // "Transmit window " and the port part of the terminal's caption.
    QString TransmitWindowCaption() const;
    LineSettings lineSettings() const;
    void applyLineSettings(const LineSettings& line);
    bool ProgrammingModeActive() const { return programmingMode_.active(); }
    void ProgSettings1Click();
    bool chunkStampPending() const { return chunkStampPending_; }

    // Commands.
    void Clear1Click();
    void closeport1Click();
    void openport1Click();
    void Kopioi1Click();
    void Liit1Click();
    void Valitsekaikki1Click();
    void Print1Click();
    void Printersetup1Click();
    void Suljeterminaali1Click();
    void Lopeta1Click();
    void Uusi1Click();
    void Tiedosto1Click();
    void Scriptsetup1Click();
    void Logfile1Click();
    void LogFilesliced1Click();
    // Opens the transmit window, or restores the one there is.
    void Lhetys1Click();
    // Opens the radio test, or restores the one there is.
    void RadioTest1Click();
    // Where the settings dialog and the transmit window open beside the terminal.
    QPoint BesideTerminal() const;
    void PopupMenu1Popup();
    void SuspendTransmitWindow();
    void ResumeTransmitWindow() {}
    bool Focused() const { return focused_; }
    void SetFocused(bool focused) { focused_ = focused; }

    uint32_t rxCount() const { return rxCount_; }
    uint32_t txCount() const { return sendQueue_.transmittedCount(); }
    const LineErrorCounters& lineErrors() const { return lineErrors_; }
    QMenu* PopupMenu1;

    // What the main window's services use (terminal table, mirroring, port
    // hand-over, logging, window layout).
    QWidget* terminalWindow() override { return this; }
    // Typed keys go out of the port from the screen.
    QWidget* WorkingControl() override { return teksti; }
    bool mirrors() const override { return options.mirror; }
    void typeMirroredKey(char key) override;
    void sendMirroredData(std::string_view data) override { QueueSend(std::string(data), false); }
    void clearScreen() override { Clear1Click(); }
    void startSlicedLog(const std::string& fileName, int sliceSizeMb) override;
    void stopLogging() override;
    void showScriptSetName(const std::string& name) override;
    void saveTerminalSettings(TIniFile& ini, const std::string& section) override;
    void loadTerminalSettings(const TIniFile& ini, const std::string& section) override;
    int portNumber() const override { return CommPort1->Portin_nro(); }
    void openPort(bool quiet) override { CommPort1->aukaise(quiet); }
    void closePort() override { CommPort1->sulje(); }
    void showPortState() override;
    bool portLent() const override;
    void setPortLent(bool lent) override;
    bool closePortItemShown() const override { return closeport1->isVisible(); }
    void closePortCommand() override { closeport1Click(); }
    void openPortCommand() override { openport1Click(); }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowLogFailureAfterThisText();
    void FormCreate();
    void SetupTerminal(int openSettings);
    void ConnectCommands();
    void FormActivate();
    void FormDeactivate();
    void FormClose();
    void shadeScreen(PortShade shade);
    void ComeToFront();
    void MovePort(int number);
    void ShowCount(size_t panel, const QString& text);
    // Fixes the counter panel's width: its own, or what its text needs when more.
    void FitCountPanel(size_t panel);
    void ShowRxCount();
    void ShowLineErrors();
    void ShowLineStates();
    void AddScreenLine(const std::string& line);
    std::string ChooseLogFile();
    std::string StopLogOrChooseFile();
    void ShowLogState();
    void ApplyProgrammable(const ProgrammableSettings& settings);
    ProgrammableSettings programmable() const;
    QMdiSubWindow* subWindow() const;

    // TerminalPortLink
    int transmitRoom() const override;
    unsigned openCount() const override;
    bool transmitting() const override { return CommPort1->TxBusy(); }
    void write(std::string_view bytes) override;
    int lastWritten() const override;
    void setRtsRaised(bool raised) override;
    void flushTransmit() override;
    void sendCharacterNow(char c) override { CommPort1->laheta_merkki(c); }
    bool characterWaiting() const override { return CommPort1->CharacterWaiting(); }
    // TerminalSendHost
    void echo(std::string_view bytes) override { DisplayReceived(bytes); }
    bool echoQueued() const override;
    void mirror(std::string_view bytes) override;
    void postSendNext() override;
    void postKeysReady() override;
    void queueEmptied() override;
    void sendEnded() override;
    void holdRts(int ms) override;
    void transmitted(uint32_t total) override;
    void startEscapeTimer(std::chrono::milliseconds interval) override;
    std::chrono::steady_clock::time_point now() const override { return std::chrono::steady_clock::now(); }

    // The line settings the settings dialog edits.
    LineSettings dialogLine_;
    TerminalRenderer renderer_;
    ColourCounter colourCounter_;
    TerminalSendQueue sendQueue_;
    // Paces an escape line; its pauses must not end early, as a coarse timer may.
    QTimer* escapeTimer_;
    ProgrammingMode programmingMode_;
    LineErrorCounters lineErrors_;
    TerminalLog log_;
    // The save dialog of the log commands, made when first needed.
    QFileDialog* talleta = nullptr;
    bool chunkStampPending_ = false;
    uint32_t rxCount_ = 0;
    bool focused_ = false;
    PortLoan loan_;
};

// The terminal created last by the "Open terminal" commands.
extern Tterminaali* terminaali;

// The terminals open in the main window, in its order.
std::vector<Tterminaali*> TerminalWindows();
