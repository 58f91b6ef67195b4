#pragma once
// The transmit window of one terminal: sends the text of its box, a whole file
// or, in factory mode, a file of command lines one line per send, once or again
// and again after a delay. Command lines that begin with GET or SET become NMS
// requests; the modem's replies come back through the terminal's receive path
// (FeedNmsReply) and are printed on the terminal's screen.

#include "base/nmssequencecounter.h"
#include "terminal/nms_command.h"
#include "terminal/transmit_text.h"
#include "ui_tlahetys.h"

#include <QTimer>
#include <QWidget>
#include <string>
#include <vector>

class TIniFile;
class TerminalLink;

class QAction;
class QMenu;

class TLahetys : public QWidget, public Ui::TLahetys {
    Q_OBJECT
public:
    // Sources of the "Data from" group.
    enum Source { FileSource = 0, TextSource = 1, CommandSource = 2 };
    // The window introduces itself to its terminal this long after construction.
    static constexpr int kFirstTickMs = 70;
    // A modem that has not answered an NMS request this long after the request
    // has left is given up, so the terminal shows what it receives again.
    static constexpr int kNmsReplyTimeoutMs = 3000;
    // How often a due line looks again whether the last request's reply is over.
    static constexpr int kReplyWaitPollMs = 20;

    // The terminal passes itself and its window; the caption (which names the
    // settings section) is set by the terminal before the settings load.
    TLahetys(TerminalLink& owner, bool factoryMode, QWidget* parent = nullptr);
    ~TLahetys() override;

    // Send: from the button, or from the repeat timer.
    void LahetaClick(bool fromButton);
    void PeruutaClick();
    // The terminal's port closed, was lent or moved: an NMS exchange ends, and
    // so does a send that runs (as Cancel does).
    void PortClosed();
    // Panel1 and Button1: choose the file to send.
    void BrowseClick();
    void SelectFile(const std::string& fileName);

    // A received chunk while the terminal is in NMS reply mode.
    void FeedNmsReply(const std::string& chunk);

    // Writes the box text to its file and the options into the settings file
    // open for writing: the window layout's, which the program writes whole as
    // it closes, so that what the window wrote to the file itself would be lost.
    void SaveSettings(TIniFile& settings);

    int SourceIndex() const { return lahde->itemIndex(); }
    // Whether what the terminal is given now are command lines, which it does
    // not echo: the window's own data are of its send's source, whatever is
    // chosen meanwhile; a paste or a script goes by the source chosen.
    bool SendsCommandLines() const;
    bool SendingActive() const { return sendingActive_; }
    // The box text as it is sent: line breaks as CR LF.
    std::string BoxText() const;
    void SetBoxText(const std::string& text);

    // The box's edit commands, in the window's main menu and the box's pop-up.
    QAction* Cut1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Paste1 = nullptr;
    QMenu* PopupMenu1 = nullptr;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ajastinTimer();
    void OnSendDone();
    void LoadSettings();
    void SaveSettings();
    bool TextToSend(std::string& data);
    bool ReadChosenFile(std::string& bytes);
    bool LoadCommandLines();
    // What the command line at the line index sends; escape when it is an
    // escape line.
    std::string NextCommandLine(bool& escape);
    std::string StartNmsRequest(const std::string& line);
    // Hands the send's data to the terminal, as an escape line or as data.
    void Queue(const std::string& data, bool escape);
    void FinishCommandLines();
    void EndNmsReply();
    void SetSendingControls(bool active);
    void PostRecolour();
    void CreateEditMenus();
    // Cut and paste change the box as typed keys do: mixed text is recoloured.
    void EditBox(void (QTextEdit::*edit)());
    void Recount();
    void ApplyDelay();
    void StepDelay(bool up);
    char DecimalSeparator() const;

    TerminalLink& terminal_;
    bool factoryMode_;
    QTimer ajastin;
    QTimer nmsTimeout_;
    std::string fileName_;
    bool fileSelected_ = false;
    bool sendingActive_ = false;
    int packetCounter_ = -1;
    NmsSequenceCounter sequence_;
    NmsReplyAssembler replies_;
    // The source, the box text and its options of the send that runs.
    Source sendSource_ = TextSource;
    std::string sendText_;
    std::string sendFile_; // the chosen file's bytes, read as the send starts
    TransmitTextOptions sendOptions_;
    // The window is handing its send's data to the terminal.
    bool queueingSend_ = false;
    std::vector<std::string> commandLines_;
    bool linesPending_ = false;
    size_t lineIndex_ = 0;
};
