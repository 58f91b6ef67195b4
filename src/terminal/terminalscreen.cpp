#include "terminal/terminalscreen.h"

#include "terminal/terminal_settings.h"

#include <QApplication>
#include <QClipboard>
#include <QGlyphRun>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// Space between the text and the edges of the screen.
constexpr int kMargin = 4;
// Tab stops lie this many pixels apart.
constexpr int kTabStopPixels = 80;
// Widths are reckoned in 64ths of a pixel: a character cell is a fractional
// number of pixels wide, and a row of them must end where the font's own
// advances would.
constexpr int kUnitsPerPixel = 64;

// The pixel of the screen where an offset along a row lies.
qreal Pixels(int offset) {
    return kMargin + static_cast<qreal>(offset) / kUnitsPerPixel;
}

bool IsWordCharacter(QChar c) {
    return c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n');
}

// A scroll bar that repaints only when it would look different. While text
// streams in, the range changes by a few rows many times a second as the top
// lines go, which moves the handle by a pixel now and then; a handle within a
// pixel of where it shows is not worth a repaint. A new range and the value
// that follows it come one after the other, so the look is compared once both
// are set.
class ScreenScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void sliderChange(SliderChange) override {
        if (lookCheckQueued_)
            return;
        lookCheckQueued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                lookCheckQueued_ = false;
                if (!currentLook().closeTo(shownLook_))
                    update();
            },
            Qt::QueuedConnection);
    }
    void paintEvent(QPaintEvent* event) override {
        shownLook_ = currentLook();
        QScrollBar::paintEvent(event);
    }

private:
    struct Look {
        QRect handle;
        bool atMinimum;
        bool atMaximum;
        bool closeTo(const Look& other) const {
            const auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
            return near(handle.top(), other.handle.top()) && near(handle.bottom(), other.handle.bottom()) &&
                   handle.left() == other.handle.left() && handle.right() == other.handle.right() &&
                   atMinimum == other.atMinimum && atMaximum == other.atMaximum;
        }
    };

    Look currentLook() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
                value() == minimum(), value() == maximum()};
    }

    Look shownLook_{};
    bool lookCheckQueued_ = false;
};

} // namespace

TerminalScreen::TerminalScreen(QWidget* parent)
    : QAbstractScrollArea(parent), highMark_(TerminalOptions::kDefaultHighMark),
      lowMark_(TerminalOptions::kDefaultHighMark - TerminalOptions::kTrimBlock) {
    setVerticalScrollBar(new ScreenScrollBar(Qt::Vertical, this));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    // The screen fills what it repaints itself (paintEvent), so Qt need not fill
    // the background under it first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    loadFonts();
    formats_[kEscapeColour].setForeground(QColor(0, 0, 255));
    formats_[kStampColour].setForeground(QColor(128, 0, 0));
    formats_[kErrorColour].setForeground(QColor(255, 0, 0));
    formats_[kHighlightFormat].setForeground(QColor(255, 128, 0));
    formats_[kHighlightFormat].setFontWeight(QFont::Bold);
    batchTimer_.setSingleShot(true);
    connect(&batchTimer_, &QTimer::timeout, this, &TerminalScreen::flush);
}

// Cells and glyphs follow the screen's font, as it comes from the
// application's.
void TerminalScreen::loadFonts() {
    QFont shown = font();
    cellFonts_[0] = LoadCellFont(shown);
    shown.setBold(true);
    cellFonts_[1] = LoadCellFont(shown);
    const QFontMetricsF metrics(font());
    cellUnits_ = std::max(qRound(metrics.horizontalAdvance(QLatin1Char('M')) * kUnitsPerPixel), 1);
    rowHeight_ = std::max(qRound(metrics.height()), 1);
}

void TerminalScreen::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        loadFonts();
        layOut();
    }
}

TerminalScreen::CellFont TerminalScreen::LoadCellFont(const QFont& font) {
    CellFont cellFont{QRawFont::fromFont(font), {}};
    QString latin1(static_cast<qsizetype>(cellFont.glyphs.size()), QChar());
    for (qsizetype c = 0; c < latin1.size(); ++c)
        latin1[c] = QChar(static_cast<char16_t>(c));
    int count = static_cast<int>(latin1.size());
    cellFont.raw.glyphIndexesForChars(latin1.constData(), count, cellFont.glyphs.data(), &count);
    return cellFont;
}

void TerminalScreen::appendText(std::string_view text, ColourKind kind, size_t highlighted) {
    if (text.empty())
        return;
    // Trimming before the text goes in keeps the newest text on the screen, even
    // when a stream without line ends has made one line longer than the low mark.
    text_.trim(highMark_, lowMark_);
    highlighted = std::min(highlighted, text.size());
    if (highlighted > 0)
        text_.append(text.substr(0, highlighted), kHighlightFormat);
    // After the highlight the text is in the window's text colour.
    if (highlighted < text.size())
        text_.append(text.substr(highlighted), highlighted > 0 ? kNormalColour : kind);
    requestFrame();
}

void TerminalScreen::requestFrame() {
    pending_ = true;
    if (batchTimer_.isActive())
        return;
    const qint64 sinceFrame = sinceFrame_.isValid() ? sinceFrame_.elapsed() : kStreamFrameMs;
    batchTimer_.start(static_cast<int>(std::max<qint64>(kBatchMs, kStreamFrameMs - sinceFrame)));
}

void TerminalScreen::flush() {
    batchTimer_.stop();
    if (!pending_)
        return;
    pending_ = false;
    sinceFrame_.start();
    // The caret follows the text, so the last line shows at the bottom.
    select(text_.characterCount() - 1, text_.characterCount() - 1);
    layOut();
    scrollToEnd();
    emit shown();
}

QString TerminalScreen::screenText() {
    flush();
    return text_.text();
}

void TerminalScreen::writeTo(QTextDocument& document) {
    flush();
    document.clear();
    document.setDefaultFont(font());
    QTextCursor cursor(&document);
    for (int line = 0; line < text_.lineCount(); ++line) {
        if (line > 0)
            cursor.insertBlock();
        const QString& shown = text_.lineText(line);
        for (int at = 0; at < shown.size();) {
            const int end = text_.styleEnd(line, at);
            cursor.insertText(shown.mid(at, end - at),
                              formats_[static_cast<size_t>(text_.styleAt(line, at))]);
            at = end;
        }
    }
}

QTextCharFormat TerminalScreen::formatAt(int position) const {
    return formats_[static_cast<size_t>(text_.styleAt(position))];
}

void TerminalScreen::setScrollBack(int high, int low) {
    highMark_ = high;
    lowMark_ = std::min(low, high);
}

void TerminalScreen::clearScreen() {
    pending_ = false;
    batchTimer_.stop();
    text_.clear();
    select(0, 0);
    layOut();
}

void TerminalScreen::setBackground(const QColor& colour) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, colour);
    setPalette(palette);
}

QString TerminalScreen::selectedText() const {
    return text_.text(std::min(anchor_, caret_), std::max(anchor_, caret_));
}

void TerminalScreen::copy() {
    if (hasSelection())
        QApplication::clipboard()->setText(selectedText());
}

void TerminalScreen::selectAll() {
    select(0, text_.characterCount() - 1);
    offerSelection();
}

void TerminalScreen::select(int anchor, int caret) {
    if (anchor == anchor_ && caret == caret_)
        return;
    // Without a selection before or after, nothing shows the change but the
    // caret, which is drawn at the end of the text.
    const bool onlyCaret = !hasSelection() && anchor == caret;
    anchor_ = anchor;
    caret_ = caret;
    if (onlyCaret)
        viewport()->update(caretRect());
    else
        viewport()->update();
}

// Selected text is offered to the other programs' middle-button paste.
void TerminalScreen::offerSelection() {
    QClipboard* clipboard = QApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

// Wraps the text at the screen's width and sets the scroll bar's range in rows.
void TerminalScreen::layOut() {
    const int width = viewport()->width() - 2 * kMargin;
    text_.setWidths(width * kUnitsPerPixel, cellUnits_, kTabStopPixels * kUnitsPerPixel);
    const int visibleRows = std::max((viewport()->height() - 2 * kMargin) / rowHeight_, 1);
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(text_.rowCount() - visibleRows, 0));
    bar->setPageStep(visibleRows);
    bar->setSingleStep(1);
    viewport()->update();
}

void TerminalScreen::scrollToEnd() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TerminalScreen::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    const bool atEnd = verticalScrollBar()->value() == verticalScrollBar()->maximum();
    layOut();
    if (atEnd)
        scrollToEnd();
}

// Paints the visible rows on the background: the selection's background first, then the glyphs,
// gathered over all rows by colour and font so that each kind is drawn at
// once, however often the colours change along a row.
void TerminalScreen::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), viewport()->palette().color(viewport()->backgroundRole()));
    const int first = verticalScrollBar()->value();
    const std::vector<ScreenText::Row> rows = text_.rows(first, viewport()->height() / rowHeight_ + 1);
    std::array<GlyphBatch, 2 * kFormats> batches;
    int line = rows.empty() ? 0 : rows.front().line;
    int lineStart = text_.lineStart(line);
    for (size_t index = 0; index < rows.size(); ++index) {
        const ScreenText::Row& row = rows[index];
        for (; line < row.line; ++line)
            lineStart += static_cast<int>(text_.lineText(line).size()) + 1;
        const int top = kMargin + static_cast<int>(index) * rowHeight_;
        if (event->rect().intersects(QRect(0, top, viewport()->width(), rowHeight_)))
            gatherRow(painter, row, top, lineStart + row.start, batches);
    }
    for (size_t batch = 0; batch < batches.size(); ++batch)
        drawBatch(painter, batches[batch], static_cast<int>(batch / 2), batch % 2 == 1);
    if (caretShown_ && !hasSelection())
        painter.fillRect(caretRect(), palette().color(QPalette::Text));
}

// Fills the selected part of a row and adds the glyphs of its characters, each
// in its cell, to the batch of its format; tabs and characters without a glyph
// are only space.
void TerminalScreen::gatherRow(QPainter& painter, const ScreenText::Row& row, int top, int rowStart,
                               std::array<GlyphBatch, 2 * kFormats>& batches) {
    const QString& line = text_.lineText(row.line);
    const std::vector<int> offsets = text_.offsetsOf(row);
    const auto left = [&](int at) { return Pixels(offsets[static_cast<size_t>(at - row.start)]); };
    const int selectionStart =
        std::clamp(std::min(anchor_, caret_) - rowStart + row.start, row.start, row.end);
    const int selectionEnd = std::clamp(std::max(anchor_, caret_) - rowStart + row.start, row.start, row.end);
    if (selectionStart < selectionEnd)
        painter.fillRect(
            QRectF(left(selectionStart), top, left(selectionEnd) - left(selectionStart), rowHeight_),
            palette().color(QPalette::Highlight));
    const qreal baseline = top + cellFonts_[0].raw.ascent();
    for (int at = row.start; at < row.end;) {
        const int format = text_.styleAt(row.line, at);
        const CellFont& font = cellFonts_[formats_[static_cast<size_t>(format)].fontWeight() == QFont::Bold];
        for (const int end = std::min(row.end, text_.styleEnd(row.line, at)); at < end; ++at) {
            const quint32 glyph = font.glyphs[line[at].unicode() & 0xFF];
            if (glyph == 0 || line[at] == QLatin1Char('\t'))
                continue;
            const bool selected = at >= selectionStart && at < selectionEnd;
            GlyphBatch& batch = batches[static_cast<size_t>(2 * format + (selected ? 1 : 0))];
            batch.glyphs.push_back(glyph);
            batch.positions.push_back(QPointF(left(at), baseline));
        }
    }
}

void TerminalScreen::drawBatch(QPainter& painter, const GlyphBatch& batch, int format, bool selected) {
    if (batch.glyphs.isEmpty())
        return;
    const QTextCharFormat& look = formats_[static_cast<size_t>(format)];
    if (selected)
        painter.setPen(palette().color(QPalette::HighlightedText));
    else
        painter.setPen(look.foreground().style() == Qt::NoBrush ? palette().color(QPalette::Text)
                                                                : look.foreground().color());
    QGlyphRun run;
    run.setRawFont(cellFonts_[look.fontWeight() == QFont::Bold].raw);
    run.setGlyphIndexes(batch.glyphs);
    run.setPositions(batch.positions);
    painter.drawGlyphRun(QPointF(), run);
}

QRect TerminalScreen::caretRect() {
    const int last = text_.rowCount() - 1;
    const std::vector<ScreenText::Row> rows = text_.rows(last, 1);
    if (rows.empty())
        return {};
    const int top = kMargin + (last - verticalScrollBar()->value()) * rowHeight_;
    return {qRound(Pixels(text_.offsetsOf(rows.front()).back())), top, 1, rowHeight_};
}

// The position whose cell boundary lies nearest the point.
int TerminalScreen::positionAt(QPoint point) {
    const int row = verticalScrollBar()->value() + std::max(point.y() - kMargin, 0) / rowHeight_;
    const std::vector<ScreenText::Row> rows = text_.rows(std::min(row, text_.rowCount() - 1), 1);
    if (rows.empty())
        return 0;
    const std::vector<int> offsets = text_.offsetsOf(rows.front());
    const int x = (point.x() - kMargin) * kUnitsPerPixel + cellUnits_ / 2;
    const auto after = std::upper_bound(offsets.begin(), offsets.end(), x);
    const int index = std::max(static_cast<int>(after - offsets.begin()) - 1, 0);
    return text_.lineStart(rows.front().line) + rows.front().start + index;
}

void TerminalScreen::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace) {
        text_.removeLast();
        pending_ = true;
        flush();
    } else if (event->key() == Qt::Key_Home && event->modifiers() & Qt::ControlModifier) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    } else if (event->key() == Qt::Key_End && event->modifiers() & Qt::ControlModifier) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void TerminalScreen::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int position = positionAt(event->position().toPoint());
    selecting_ = true;
    select(event->modifiers() & Qt::ShiftModifier ? anchor_ : position, position);
}

void TerminalScreen::mouseMoveEvent(QMouseEvent* event) {
    if (selecting_)
        select(anchor_, positionAt(event->position().toPoint()));
}

void TerminalScreen::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !selecting_)
        return;
    selecting_ = false;
    offerSelection();
}

// A double click selects the word under the pointer.
void TerminalScreen::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QString text = text_.text();
    int start = std::min(positionAt(event->position().toPoint()), static_cast<int>(text.size()));
    int end = start;
    while (start > 0 && IsWordCharacter(text[start - 1]))
        --start;
    while (end < text.size() && IsWordCharacter(text[end]))
        ++end;
    select(start, end);
    offerSelection();
}

void TerminalScreen::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    caretShown_ = true;
    if (QApplication::cursorFlashTime() > 0)
        blinkTimer_.start(QApplication::cursorFlashTime() / 2, this);
    viewport()->update(caretRect());
}

void TerminalScreen::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    blinkTimer_.stop();
    caretShown_ = false;
    viewport()->update(caretRect());
}

void TerminalScreen::timerEvent(QTimerEvent* event) {
    if (event->timerId() != blinkTimer_.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    caretShown_ = !caretShown_;
    viewport()->update(caretRect());
}
