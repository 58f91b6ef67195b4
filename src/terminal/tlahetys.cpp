#include "terminal/tlahetys.h"

#include "base/tstreamstring.h"
#include "platform/atomic_file.h"
#include "platform/latin1.h"
#include "platform/message_box.h"
#include "platform/modal_box.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "platform/window_message.h"
#include "terminal/mixed_text.h"
#include "terminal/mixed_text_edit.h"
#include "terminal/terminal_link.h"
#include "terminal/transmit_text.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <filesystem>
#include <new>

namespace {

const char* const kIdleHint = "Exit|Exit transmit window.";
const char* const kRepeatHint = "Cancel repeat | Stop continous sending.";

void setHint(QWidget* widget, const QString& hint) {
    widget->setToolTip(hint.section('|', 0, 0).trimmed());
    widget->setStatusTip(hint.section('|', 1).trimmed());
}

} // namespace

TLahetys::TLahetys(TerminalLink& owner, bool factoryMode, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), terminal_(owner), factoryMode_(factoryMode) {
    setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    nmsTimeout_.setSingleShot(true);
    nmsTimeout_.setInterval(kNmsReplyTimeoutMs);
    aika_vali->setText(fromLatin1(AppliedDelayText("", DecimalSeparator())));
    CRC_text->setVisible(factoryMode_);
    if (factoryMode_) {
        lahde->addItem(QStringLiteral("CMD"));
        lahde->setColumns(2);
    }
    lahde->setItemIndex(TextSource);
    setHint(Peruuta, kIdleHint);
    teksti->installEventFilter(this);
    aika_vali->installEventFilter(this);
    CreateEditMenus();

    connect(&ajastin, &QTimer::timeout, this, &TLahetys::ajastinTimer);
    connect(&nmsTimeout_, &QTimer::timeout, this, [this] {
        terminal_.AppendScreenBytes("NMS reply timed out\r\n");
        EndNmsReply();
    });
    connect(Laheta, &QPushButton::clicked, this, [this] { LahetaClick(true); });
    connect(Peruuta, &QPushButton::clicked, this, &TLahetys::PeruutaClick);
    connect(Panel1, &QPushButton::clicked, this, &TLahetys::BrowseClick);
    connect(Button1, &QPushButton::clicked, this, &TLahetys::BrowseClick);
    connect(CSpinButton1Up, &QToolButton::clicked, this, [this] { StepDelay(true); });
    connect(CSpinButton1Down, &QToolButton::clicked, this, [this] { StepDelay(false); });
    connect(aika_vali, &QLineEdit::editingFinished, this, [this] {
        if (aika_vali->isModified()) {
            ApplyDelay();
        }
    });
    connect(teksti, &QTextEdit::textChanged, this, &TLahetys::Recount);
    connect(laskuri, &QCheckBox::toggled, this, &TLahetys::Recount);
    connect(lisa, &QCheckBox::toggled, this, &TLahetys::Recount);
    connect(mixed_text, &QCheckBox::toggled, this, [this](bool on) {
        ColourMixedEscapes(teksti, on);
        Recount();
    });
    // Once the window stands, the terminal learns where to post its messages.
    QTimer::singleShot(kFirstTickMs, this, [this] { terminal_.SetTransmitWindowHandle(this); });
    PostMessage(this, WM_TX_LOAD_SETTINGS);
}

TLahetys::~TLahetys() = default;

void TLahetys::CreateEditMenus() {
    Cut1 = new QAction(QStringLiteral("Cu&t"), this);
    Copy1 = new QAction(QStringLiteral("&Copy"), this);
    Paste1 = new QAction(QStringLiteral("&Paste"), this);
    connect(Cut1, &QAction::triggered, this, [this] { EditBox(&QTextEdit::cut); });
    connect(Copy1, &QAction::triggered, teksti, &QTextEdit::copy);
    connect(Paste1, &QAction::triggered, this, [this] { EditBox(&QTextEdit::paste); });
    auto* mainMenu = new QMenuBar(this);
    mainMenu->addActions({Cut1, Copy1, Paste1});
    layout()->setMenuBar(mainMenu);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->addActions({Cut1, Copy1, Paste1});
    teksti->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(teksti, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& where) { PopupMenu1->popup(teksti->mapToGlobal(where)); });
}

void TLahetys::EditBox(void (QTextEdit::*edit)()) {
    (teksti->*edit)();
    if (mixed_text->isChecked())
        PostRecolour();
}

char TLahetys::DecimalSeparator() const {
    const QString point = QLocale().decimalPoint();
    return point == QStringLiteral(",") ? ',' : '.';
}

std::string TLahetys::BoxText() const {
    return EditTextCrLf(teksti);
}

void TLahetys::SetBoxText(const std::string& text) {
    SetEditTextCrLf(teksti, text);
    ColourMixedEscapes(teksti, mixed_text->isChecked());
}

void TLahetys::LahetaClick(bool fromButton) {
    if (fromButton) {
        lineIndex_ = 0;
        linesPending_ = false;
        // A send keeps the source and the text it starts with until it ends:
        // another source chosen, the box edited or its options ticked while it
        // runs are for the next send.
        sendSource_ = static_cast<Source>(SourceIndex());
        sendText_ = BoxText();
        sendFile_.clear();
        sendOptions_ = {laskuri->isChecked(), mixed_text->isChecked(), factoryMode_ && CRC_text->isChecked(),
                        lisa->isChecked()};
    }
    if (!terminal_.PortOpen()) {
        return;
    }
    if (fromButton) {
        packetCounter_ = -1;
    }
    terminal_.StopSendTimer();
    std::string data;
    bool escape = false;
    switch (sendSource_) {
    case TextSource:
        if (!TextToSend(data)) {
            return;
        }
        break;
    case FileSource:
        // The file is read once, as the send starts: its repeats send those bytes.
        if (sendFile_.empty() && !ReadChosenFile(sendFile_)) {
            return;
        }
        data = sendFile_;
        break;
    case CommandSource:
        if (!linesPending_ && !LoadCommandLines()) {
            return;
        }
        data = NextCommandLine(escape);
        break;
    }
    if ((toisto->isChecked() && sendSource_ != CommandSource) || linesPending_) {
        SetSendingControls(true);
    }
    if (!data.empty()) {
        Queue(data, escape);
    } else if (linesPending_) {
        // Nothing goes out for this line, so no send-done will come: the next
        // line follows after the delay all the same.
        OnSendDone();
    }
}

void TLahetys::Queue(const std::string& data, bool escape) {
    queueingSend_ = true;
    if (escape)
        terminal_.QueueEscape(data, true);
    else
        terminal_.QueueSend(data, true);
    queueingSend_ = false;
}

bool TLahetys::SendsCommandLines() const {
    return (queueingSend_ ? sendSource_ : SourceIndex()) == CommandSource;
}

bool TLahetys::TextToSend(std::string& data) {
    if (sendText_.empty()) {
        ShowMessage("Error: No text to send");
        return false;
    }
    if (sendOptions_.counter) {
        packetCounter_ = NextPacketCounter(packetCounter_);
    }
    data = BuildTransmitText(sendText_, packetCounter_, sendOptions_);
    return true;
}

// The command file is read once, as its first line goes: the lines it had then
// are worked through to the end.
bool TLahetys::LoadCommandLines() {
    std::string file;
    if (!ReadChosenFile(file)) {
        return false;
    }
    commandLines_ = ReadCommandLines(file);
    lineIndex_ = 0;
    return true;
}

// Reads the chosen file whole; false (after the message) when there is nothing
// to send.
bool TLahetys::ReadChosenFile(std::string& bytes) {
    if (!fileSelected_) {
        ShowMessage("No file selected");
        return false;
    }
    TStreamString stream;
    try {
        stream.LoadFromFile(fileName_);
    } catch (const EStreamError&) {
        ShowMessage("Unable to read file " + fileName_);
        return false;
    } catch (const std::bad_alloc&) {
        ShowMessage("No memory available to read file to memory");
        return false;
    }
    bytes = stream.AsString();
    if (bytes.empty()) {
        ShowMessage("File is empty. No text to send");
        return false;
    }
    return true;
}

// Works on the command line at the line index and returns what is queued for it.
std::string TLahetys::NextCommandLine(bool& escape) {
    std::string data;
    if (lineIndex_ < commandLines_.size()) {
        const std::string& line = commandLines_[lineIndex_];
        const CommandLineAction action = ClassifyCommandLine(line);
        terminal_.AppendScreenBytes(action.echo);
        switch (action.kind) {
        case CommandLineAction::Escape:
            escape = true;
            data = action.data;
            break;
        case CommandLineAction::Nms:
            data = StartNmsRequest(line);
            break;
        case CommandLineAction::Text:
            data = action.data;
            break;
        case CommandLineAction::Nothing:
            break;
        }
    }
    ++lineIndex_;
    if (lineIndex_ >= commandLines_.size()) {
        FinishCommandLines();
    } else {
        linesPending_ = true;
    }
    return data;
}

std::string TLahetys::StartNmsRequest(const std::string& line) {
    const NmsCommandParse parse = ParseNmsCommandLine(line);
    if (!parse.command) {
        terminal_.AppendScreenBytes(NmsRefusalText(parse.error));
        return "";
    }
    const uint8_t sequence = sequence_.Next();
    replies_.Start(parse.command->typeCode, parse.command->idText, sequence);
    terminal_.SetNmsReplyMode(true);
    return BuildNmsRequestFrame(*parse.command, sequence);
}

void TLahetys::FinishCommandLines() {
    linesPending_ = false;
    ajastin.stop();
    SetSendingControls(false);
}

void TLahetys::FeedNmsReply(const std::string& chunk) {
    if (!replies_.Awaiting()) {
        EndNmsReply();
        return;
    }
    for (const std::string& text : replies_.Feed(chunk)) {
        terminal_.AppendScreenBytes(text);
    }
    if (!replies_.Awaiting()) {
        EndNmsReply();
    }
}

void TLahetys::EndNmsReply() {
    nmsTimeout_.stop();
    replies_.Stop();
    terminal_.SetNmsReplyMode(false);
}

void TLahetys::SetSendingControls(bool active) {
    sendingActive_ = active;
    Laheta->setEnabled(!active);
    toisto->setEnabled(!active);
    laskuri->setEnabled(!active);
    if (!active) {
        setHint(Peruuta, kIdleHint);
    }
}

void TLahetys::OnSendDone() {
    // The request has left: the modem's time to answer starts now.
    if (replies_.Awaiting() && !nmsTimeout_.isActive())
        nmsTimeout_.start();
    if (!linesPending_ && (!toisto->isChecked() || !sendingActive_)) {
        return;
    }
    sendingActive_ = true;
    ajastin.start(RepeatIntervalMs(toLatin1(aika_vali->text())));
    setHint(Peruuta, kRepeatHint);
}

void TLahetys::ajastinTimer() {
    ajastin.stop();
    // A request's reply may still be coming after its bytes have gone: the next
    // line waits for it (or for its time-out), so replies never run into the
    // next request and get lost.
    if (replies_.Awaiting()) {
        ajastin.start(kReplyWaitPollMs);
        return;
    }
    LahetaClick(false);
}

void TLahetys::PeruutaClick() {
    if (!sendingActive_) {
        terminal_.CancelSending();
        close();
        return;
    }
    ajastin.stop();
    linesPending_ = false;
    SetSendingControls(false);
    terminal_.CancelSending();
    EndNmsReply();
}

void TLahetys::PortClosed() {
    EndNmsReply();
    if (!Laheta->isEnabled()) {
        PeruutaClick();
    }
}

void TLahetys::BrowseClick() {
    if (!Laheta->isEnabled()) {
        ShowMessage("Not allowed to change file while continous sending");
        return;
    }
    QFileDialog dialog(this, QStringLiteral("Open file to transmit."), fromLatin1(ProgramFolder()),
                       QStringLiteral("kaikki (*.*)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (RunModal(dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        SelectFile(dialog.selectedFiles().first().toStdString());
    }
}

void TLahetys::SelectFile(const std::string& fileName) {
    fileName_ = fileName;
    fileSelected_ = !fileName.empty();
    if (fileSelected_) {
        Panel1->setText(fromLatin1(fileName));
    }
}

bool TLahetys::event(QEvent* event) {
    if (const WindowMessage* message = WindowMessage::from(event)) {
        switch (message->number()) {
        case WM_TX_SEND_DONE:
            OnSendDone();
            return true;
        case WM_TX_PORT_CLOSED:
            PortClosed();
            return true;
        case WM_TX_RECOLOUR:
            ColourMixedEscapes(teksti, mixed_text->isChecked());
            Recount();
            return true;
        case WM_TX_LOAD_SETTINGS:
            LoadSettings();
            return true;
        default:
            break;
        }
    }
    return QWidget::event(event);
}

bool TLahetys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool press = event->type() == QEvent::KeyPress;
    if (press && key->key() == Qt::Key_Escape) {
        PeruutaClick();
        return true;
    }
    if (watched == teksti) {
        const bool pasted = press && key->matches(QKeySequence::Paste);
        if (mixed_text->isChecked() && (press || key->key() == Qt::Key_Delete || pasted)) {
            PostRecolour();
        }
        return false;
    }
    if (watched == aika_vali && press) {
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            ApplyDelay();
            return true;
        }
        const QString text = key->text();
        if (text == QStringLiteral(".") || text == QStringLiteral(",")) {
            aika_vali->insert(QString(QChar::fromLatin1(DecimalSeparator())));
            return true;
        }
        const bool printable = !text.isEmpty() && text.at(0).isPrint();
        return printable && !text.at(0).isDigit();
    }
    return false;
}

void TLahetys::PostRecolour() {
    PostMessage(this, WM_TX_RECOLOUR);
}

void TLahetys::Recount() {
    merkkimaara->setNum(
        TransmitCharacterCount(BoxText(), laskuri->isChecked(), lisa->isChecked(), mixed_text->isChecked()));
}

void TLahetys::ApplyDelay() {
    aika_vali->setText(fromLatin1(AppliedDelayText(toLatin1(aika_vali->text()), DecimalSeparator())));
    aika_vali->setModified(false);
    // A repeat already waiting goes on with the new delay, counted from now.
    ajastin.setInterval(RepeatIntervalMs(toLatin1(aika_vali->text())));
}

void TLahetys::StepDelay(bool up) {
    aika_vali->setText(fromLatin1(SteppedDelayText(toLatin1(aika_vali->text()), DecimalSeparator(), up)));
    aika_vali->setModified(true);
}

void TLahetys::hideEvent(QHideEvent* event) {
    if (!Laheta->isEnabled()) {
        PeruutaClick();
    }
    QWidget::hideEvent(event);
}

void TLahetys::closeEvent(QCloseEvent* event) {
    SaveSettings();
    EndNmsReply();
    ajastin.stop();
    terminal_.TransmitWindowDismissed(true);
    event->accept();
}

void TLahetys::LoadSettings() {
    const std::string section = TransmitSectionName(toLatin1(windowTitle()));
    const TIniFile settings(SettingsFileName());
    if (!settings.Readable())
        ShowMessage("Unable to read ini file. Access denied");
    const TransmitSettings values = LoadTransmitSettings(settings, section, DecimalSeparator(), factoryMode_);
    lisa->setChecked(values.crLf);
    CRC_text->setChecked(values.crc);
    SelectFile(values.txFile);
    if (values.fileCaptionCleared)
        Panel1->setText(QString());
    lahde->setItemIndex(std::clamp(values.select, 0, lahde->count() - 1));
    // The window opens with the focus on its first control, "Data from", as a
    // dialog does: on the source chosen. Qt would give it to the first control
    // made, the file panel, which shows no focus and takes no typing.
    lahde->button(lahde->itemIndex())->setFocus();
    laskuri->setChecked(values.counter);
    toisto->setChecked(values.continuous);
    aika_vali->setText(fromLatin1(values.delay));
    const std::string boxFile = ProgramFile(section + ".txw");
    TStreamString stream;
    std::error_code error;
    if (std::filesystem::exists(boxFile, error)) {
        try {
            stream.LoadFromFile(boxFile);
            SetBoxText(TransmitBoxText(stream.AsString(), values.newFormat));
        } catch (const EStreamError&) {
            ShowMessage("Unable to read file " + boxFile);
        }
    }
    mixed_text->setChecked(values.mixed);
    ColourMixedEscapes(teksti, values.mixed);
    Recount();
}

void TLahetys::SaveSettings() {
    TIniFile settings(SettingsFileName());
    SaveSettings(settings);
}

void TLahetys::SaveSettings(TIniFile& settings) {
    const std::string section = TransmitSectionName(toLatin1(windowTitle()));
    TransmitSettings values;
    values.crLf = lisa->isChecked();
    values.mixed = mixed_text->isChecked();
    values.crc = CRC_text->isChecked();
    values.txFile = fileName_;
    values.select = SourceIndex();
    values.counter = laskuri->isChecked();
    values.continuous = toisto->isChecked();
    values.delay = toLatin1(aika_vali->text());
    try {
        ReplaceFileContents(ProgramFile(section + ".txw"), BoxText());
        SaveTransmitSettings(settings, section, values);
    } catch (const std::exception&) {
        ShowMessage("Unable to write ini file. Access denied");
    }
}
