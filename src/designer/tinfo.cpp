#include "designer/tinfo.h"

#include "base/hex.h"
#include "platform/atomic_file.h"
#include "platform/dialogs_in_front.h"
#include "platform/file_dialogs.h"
#include "platform/latin1.h"
#include "platform/message_box.h"
#include "shell/main_window_services.h"
#include "ui_tinfo.h"

#include <QMenu>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>

Tinfo* info = nullptr;

namespace {

bool FactoryMode() {
    return Pohjafrm && Pohjafrm->FactoryMode();
}

// A colour of the program's 0x00BBGGRR form.
QColor ProgramColour(uint32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

} // namespace

// A dialog's border: a caption with a close button only, and a fixed size.
Tinfo::Tinfo(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint),
      ui(new Ui::Tinfo), PiilotaTmr(new QTimer(this)), PopupMenu1(new QMenu(this)) {
    ui->setupUi(this);
    setWindowTitle(kCaption);
    setFixedSize(size());
    PiilotaTmr->setInterval(kButtonDelayMs);
    Copy1 = PopupMenu1->addAction("&Copy");
    Copy1->setShortcut(QKeySequence("Ctrl+C"));
    Selectall1 = PopupMenu1->addAction("Select &all");
    Selectall1->setShortcut(QKeySequence("Ctrl+A"));
    // Outside factory mode the log has no right-click menu.
    ui->infot->setContextMenuPolicy(FactoryMode() ? Qt::CustomContextMenu : Qt::NoContextMenu);
    connect(ui->infot, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& point) { PopupMenu1->popup(ui->infot->mapToGlobal(point)); });
    connect(PiilotaTmr, &QTimer::timeout, this, &Tinfo::PiilotaTmrTimer);
    connect(ui->closebtn, &QPushButton::clicked, this, &Tinfo::closebtnClick);
    connect(ui->saveasbtn, &QPushButton::clicked, this, &Tinfo::saveasbtnClick);
    connect(Copy1, &QAction::triggered, this, &Tinfo::Copy1Click);
    connect(Selectall1, &QAction::triggered, this, &Tinfo::Selectall1Click);
    info = this;
}

Tinfo::~Tinfo() {
    if (info == this)
        info = nullptr;
    delete ui;
}

std::string Tinfo::DataLineText(const std::string& bytes) {
    return EscapeString(bytes, EscapeAll);
}

void Tinfo::ShowCentredEmpty() {
    if (Pohjafrm && Pohjafrm->Window()) {
        const QWidget* main = Pohjafrm->Window();
        const QRect frame = main->frameGeometry();
        move(frame.left() + frame.width() / 2 - width() / 2, frame.top() + main->height() / 2 - height() / 2);
    }
    ui->infot->clear();
    show();
}

void Tinfo::AppendLine(const std::string& text, const QColor& colour) {
    QTextCursor cursor(ui->infot->document());
    cursor.movePosition(QTextCursor::End);
    if (!ui->infot->document()->isEmpty())
        cursor.insertBlock();
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.insertText(fromLatin1(text), format);
    ui->infot->verticalScrollBar()->setValue(ui->infot->verticalScrollBar()->maximum());
}

void Tinfo::AddStatusLine(const std::string& text) {
    AppendLine(text, palette().color(QPalette::WindowText));
}

void Tinfo::AddStatusPair(const std::string& text) {
    QTextCursor cursor(ui->infot->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(palette().color(QPalette::WindowText));
    cursor.insertText(fromLatin1(text), format);
}

void Tinfo::AddStatusData(const std::string& bytes, uint32_t colour) {
    if (FactoryMode())
        AppendLine(DataLineText(bytes), ProgramColour(colour));
}

void Tinfo::SetCaption(const std::string& text) {
    setWindowTitle(fromLatin1(text));
}

// A process that starts holds the buttons until its own end: the button timer of
// one that ended just before does not give them back in its middle.
void Tinfo::EnableStatusButtons(bool enabled) {
    if (!enabled)
        PiilotaTmr->stop();
    ui->closebtn->setEnabled(enabled);
    ui->saveasbtn->setEnabled(enabled);
    // A run's start (each modem of a ping round) brings the window to the front,
    // but never above a dialog that waits for the user's answer.
    if (!enabled && !AnswerAwaited())
        raise();
}

void Tinfo::StartButtonTimer() {
    PiilotaTmr->start();
}

void Tinfo::RepaintNow() {
    ui->infot->repaint();
}

std::string Tinfo::LogText() const {
    return toLatin1(ui->infot->toPlainText());
}

void Tinfo::PiilotaTmrTimer() {
    PiilotaTmr->stop();
    EnableStatusButtons(true);
}

void Tinfo::closebtnClick() {
    hide();
}

void Tinfo::saveasbtnClick() {
    FileDialogRequest request;
    request.save = true;
    request.title = "Save as";
    request.filter = "Text file|*.txt";
    request.defaultExtension = "txt";
    const auto fileName = ChooseFileName(this, request);
    if (!fileName)
        return;
    try {
        std::string lines;
        for (char c : LogText())
            lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
        ReplaceFileContents(*fileName, lines + "\r\n");
    } catch (const EFileWriteError& failure) {
        MessageBox(failure.what(), "Error", MB_OK | MB_ICONERROR);
    }
}

void Tinfo::Copy1Click() {
    ui->infot->copy();
}

void Tinfo::Selectall1Click() {
    ui->infot->selectAll();
}
