#pragma once
// The screen of a terminal: coloured text appended at the end, kept below a
// scroll-back limit, in a fixed-pitch font wrapped at the screen's width.
//
// A terminal may receive a hundred kilobytes a second for hours, so the screen
// keeps its own line store instead of a text document: appending costs a copy
// of the text, trimming drops whole lines from the top, and a paint draws only
// the visible rows, glyph by glyph in fixed cells. Appends are gathered and
// shown in frames that follow the end of the text. The user can select with
// the mouse, copy, and scroll with the bar, the wheel and the paging keys; a
// backspace removes the last character.

#include "terminal/screen_text.h"
#include "terminal/terminal_renderer.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QRawFont>
#include <QTextCharFormat>
#include <QTimer>
#include <array>
#include <string_view>

class QTextDocument;

class TerminalScreen : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Text that arrives after a pause shows within this time.
    static constexpr int kBatchMs = 25;
    // While text keeps coming, the screen shows it at most this often: each
    // frame redraws every visible row, and a flood scrolls by faster than
    // anyone reads.
    static constexpr int kStreamFrameMs = 100;

    explicit TerminalScreen(QWidget* parent = nullptr);

    // Appends text in a colour kind; highlighted characters (colour counter)
    // come first, in orange and bold, and the rest of the text then takes the
    // normal colour.
    void appendText(std::string_view text, ColourKind kind, size_t highlighted = 0);
    // Shows the gathered appends, and signals shown(), with the next frame.
    void requestFrame();
    // Puts the gathered appends on the screen now.
    void flush();
    // Screen text, lines ended by '\n'; what is gathered is shown first.
    QString screenText();
    // Characters on the screen, one more for each line end.
    int characterCount() const { return text_.characterCount(); }
    // Writes the screen's text in its colours and font into a document (to
    // print it).
    void writeTo(QTextDocument& document);
    // Colour and weight of the character at a position.
    QTextCharFormat formatAt(int position) const;
    // Column of the end of the text.
    int endColumn() const { return text_.endColumn(); }
    // Scroll-back: an append that finds more than high characters first takes
    // the top lines away until at most low remain.
    void setScrollBack(int high, int low);
    void clearScreen();
    // Background: white for an open port, grey when closed or lent.
    void setBackground(const QColor& colour);

    bool hasSelection() const { return anchor_ != caret_; }
    QString selectedText() const;
    void copy();
    void selectAll();

signals:
    // A frame put gathered text on the screen.
    void shown();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    static constexpr int kHighlightFormat = 4;
    static constexpr size_t kFormats = 5;

    // A font's glyph for each Latin-1 character: drawing glyphs in their cells
    // needs no text layout.
    struct CellFont {
        QRawFont raw;
        std::array<quint32, 256> glyphs{};
    };

    static CellFont LoadCellFont(const QFont& font);
    void loadFonts();

    void layOut();
    void scrollToEnd();
    struct GlyphBatch {
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    void gatherRow(QPainter& painter, const ScreenText::Row& row, int top, int rowStart,
                   std::array<GlyphBatch, 2 * kFormats>& batches);
    void drawBatch(QPainter& painter, const GlyphBatch& batch, int format, bool selected);
    int positionAt(QPoint point);
    QRect caretRect();
    void select(int anchor, int caret);
    void offerSelection();

    ScreenText text_;
    std::array<QTextCharFormat, kFormats> formats_;
    std::array<CellFont, 2> cellFonts_; // normal and bold
    int cellUnits_ = 1;                 // width of a character cell
    int rowHeight_ = 1;
    bool pending_ = false;
    QTimer batchTimer_;
    QElapsedTimer sinceFrame_;
    int highMark_;
    int lowMark_;
    // Selection from anchor_ to caret_, as positions in the text.
    int anchor_ = 0;
    int caret_ = 0;
    bool selecting_ = false;
    QBasicTimer blinkTimer_;
    bool caretShown_ = false;
};
