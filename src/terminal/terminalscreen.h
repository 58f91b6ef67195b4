#pragma once
// The screen of a terminal: coloured text appended at the end, kept below a
// scroll-back limit. Appends are gathered and put on the screen in one batch
// with painting frozen, so a flood of small chunks costs one layout and one
// paint per batch; the top of the text is trimmed in blocks of whole lines.

#include "terminal/colour_counter.h"
#include "terminal/terminal_renderer.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTimer>
#include <array>
#include <string_view>

class TerminalScreen : public QPlainTextEdit {
    Q_OBJECT
public:
    // Appends wait at most this long for the next batch.
    static constexpr int kBatchMs = 25;
    // A batch this large goes on the screen at once.
    static constexpr qsizetype kBatchLimit = 256 * 1024;

    explicit TerminalScreen(QWidget* parent = nullptr);

    // Appends text in a colour kind; highlighted characters (colour counter)
    // come first, in orange and bold.
    void appendText(std::string_view text, ColourKind kind, size_t highlighted = 0);
    // Puts the gathered appends on the screen now.
    void flush();
    // Screen text, with what is gathered.
    QString screenText();
    // Column of the end of the text.
    int endColumn();
    // Scroll-back: above high characters the top lines go until at most low
    // remain.
    void setScrollBack(int high, int low);
    void clearScreen();
    // Background: white for an open port, grey when closed or lent.
    void setBackground(const QColor& colour);

private:
    struct Piece {
        QString text;
        int format;
    };
    static constexpr int kHighlightFormat = 4;

    static void keepShapedGlyphs(QTextBlock block);
    void trim();

    std::array<QTextCharFormat, 5> formats_;
    std::vector<Piece> pending_;
    qsizetype pendingSize_ = 0;
    QTimer batchTimer_;
    int highMark_;
    int lowMark_;
};
