#include "terminal/terminalscreen.h"

#include "terminal/terminal_settings.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// The screen breaks lines at LF; the terminal's texts end lines with CR LF.
QString ScreenLines(std::string_view text) {
    QString lines = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}

} // namespace

TerminalScreen::TerminalScreen(QWidget* parent)
    : QPlainTextEdit(parent), highMark_(TerminalOptions::kDefaultHighMark),
      lowMark_(TerminalOptions::kDefaultHighMark - TerminalOptions::kTrimBlock) {
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::TypeWriter);
    // Plain Latin-1 text in a fixed-pitch font looks the same unshaped, and
    // shaping is most of the cost of laying out a stream of text.
    font.setStyleStrategy(QFont::PreferNoShaping);
    setFont(font);
    formats_[kEscapeColour].setForeground(QColor(0, 0, 255));
    formats_[kStampColour].setForeground(QColor(128, 0, 0));
    formats_[kErrorColour].setForeground(QColor(255, 0, 0));
    formats_[kHighlightFormat].setForeground(QColor(255, 128, 0));
    formats_[kHighlightFormat].setFontWeight(QFont::Bold);
    batchTimer_.setSingleShot(true);
    batchTimer_.setInterval(kBatchMs);
    connect(&batchTimer_, &QTimer::timeout, this, &TerminalScreen::flush);
}

void TerminalScreen::appendText(std::string_view text, ColourKind kind, size_t highlighted) {
    if (text.empty())
        return;
    highlighted = std::min(highlighted, text.size());
    if (highlighted > 0)
        pending_.push_back({ScreenLines(text.substr(0, highlighted)), kHighlightFormat});
    if (highlighted < text.size())
        pending_.push_back({ScreenLines(text.substr(highlighted)), kind});
    pendingSize_ += static_cast<qsizetype>(text.size());
    if (pendingSize_ >= kBatchLimit)
        flush();
    else if (!batchTimer_.isActive())
        batchTimer_.start();
}

void TerminalScreen::flush() {
    batchTimer_.stop();
    if (pending_.empty())
        return;
    // One edit for the appends and the trimming: the screen lays out once per
    // batch. Appended text changes the whole view, so it is painted once, whole,
    // instead of being scrolled in the backing store first.
    viewport()->setUpdatesEnabled(false);
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    const QTextBlock firstChanged = cursor.block();
    for (const Piece& piece : pending_)
        cursor.insertText(piece.text, formats_[static_cast<size_t>(piece.format)]);
    keepShapedGlyphs(firstChanged);
    pending_.clear();
    pendingSize_ = 0;
    trim();
    cursor.endEditBlock();
    // The caret follows the text, so the last line shows at the bottom.
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->setUpdatesEnabled(true);
}

// A block's layout normally drops its shaped glyphs once laid out, and every
// paint shapes the visible lines again; the appended lines keep theirs.
void TerminalScreen::keepShapedGlyphs(QTextBlock block) {
    for (; block.isValid(); block = block.next())
        block.layout()->setCacheEnabled(true);
}

void TerminalScreen::trim() {
    QTextDocument* doc = document();
    const int length = doc->characterCount();
    if (length <= highMark_)
        return;
    // Whole lines go from the top until at most the low mark remains.
    QTextBlock keep = doc->findBlock(length - lowMark_);
    if (keep.position() < length - lowMark_)
        keep = keep.next();
    QTextCursor cursor(doc);
    if (keep.isValid())
        cursor.setPosition(keep.position(), QTextCursor::KeepAnchor);
    else
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

QString TerminalScreen::screenText() {
    flush();
    return toPlainText();
}

int TerminalScreen::endColumn() {
    flush();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    return cursor.positionInBlock();
}

void TerminalScreen::setScrollBack(int high, int low) {
    highMark_ = high;
    lowMark_ = std::min(low, high);
}

void TerminalScreen::clearScreen() {
    pending_.clear();
    pendingSize_ = 0;
    batchTimer_.stop();
    clear();
}

void TerminalScreen::setBackground(const QColor& colour) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, colour);
    setPalette(palette);
}
