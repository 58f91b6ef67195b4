#include "terminal/terminalscreen.h"

#include "support/image_pixels.h"
#include "terminal/terminal_settings.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <random>

namespace {

TEST(TerminalScreen, AppendsInColoursWithLineBreaksAndHighlight) {
    TerminalScreen screen;
    screen.appendText("abcdefg", kNormalColour, 5);
    screen.appendText("\r\n\\0D", kEscapeColour);
    screen.appendText("(stamp)", kStampColour);
    screen.appendText("\r\nERROR\n", kErrorColour);
    EXPECT_EQ(screen.screenText(), "abcdefg\n\\0D(stamp)\nERROR\n");
    EXPECT_EQ(screen.formatAt(4).fontWeight(), QFont::Bold);
    EXPECT_EQ(screen.formatAt(4).foreground().color(), QColor(255, 128, 0));
    EXPECT_NE(screen.formatAt(5).fontWeight(), QFont::Bold);
    EXPECT_EQ(screen.formatAt(8).foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(screen.formatAt(11).foreground().color(), QColor(128, 0, 0));
    EXPECT_EQ(screen.formatAt(19).foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(screen.endColumn(), 0);
}

// The colour counter's highlight of blue escapes: the orange characters, then
// the window's text colour, not the blue of the escapes.
TEST(TerminalScreen, TextAfterTheHighlightTakesTheNormalColour) {
    TerminalScreen screen;
    screen.appendText("\\0D\\0A", kEscapeColour, 5);
    screen.appendText("\\1B", kEscapeColour);
    EXPECT_EQ(screen.formatAt(4).foreground().color(), QColor(255, 128, 0));
    EXPECT_EQ(screen.formatAt(5).foreground().style(), Qt::NoBrush);
    EXPECT_NE(screen.formatAt(5).fontWeight(), QFont::Bold);
    EXPECT_EQ(screen.formatAt(6).foreground().color(), QColor(0, 0, 255));
}

TEST(TerminalScreen, TrimsWholeLinesFromTheTopBelowTheLowMark) {
    TerminalScreen screen;
    screen.setScrollBack(1000, 600);
    // The trim comes before an append: the screen holds at most the high mark
    // and the last line appended.
    constexpr int kShownLine = 10;
    for (int line = 0; line < 100; ++line)
        screen.appendText("line " + std::to_string(line + 1000) + "\r\n", kNormalColour);
    const QString text = screen.screenText();
    EXPECT_LE(text.size(), 1000 + kShownLine);
    EXPECT_TRUE(text.startsWith("line ")) << text.left(20).toStdString();
    EXPECT_TRUE(text.endsWith("line 1099\n"));
    // Appending goes on trimming.
    for (int line = 0; line < 100; ++line)
        screen.appendText("more " + std::to_string(line + 1000) + "\r\n", kNormalColour);
    EXPECT_LE(screen.screenText().size(), 1000 + kShownLine);
    EXPECT_TRUE(screen.screenText().startsWith("more "));
}

// A stream without line ends makes one line longer than the low mark: the trim
// then takes that whole line, and the text that arrives next is shown.
TEST(TerminalScreen, AStreamWithoutLineEndsAlwaysShowsItsNewestText) {
    TerminalScreen screen;
    screen.setScrollBack(1000, 600);
    for (char letter = 'a'; letter <= 'l'; ++letter) {
        const std::string chunk(300, letter);
        screen.appendText(chunk, kNormalColour);
        const QString shown = screen.screenText();
        EXPECT_TRUE(shown.endsWith(QString::fromStdString(chunk))) << letter << ": " << shown.size();
        EXPECT_LE(shown.size(), 1000 + 300);
    }
}

// One letter a character for how the screen shows it: n normal, b blue,
// m maroon, r red, h orange and bold; line ends stay '\n'.
char StyleOf(const QTextCharFormat& format) {
    if (format.fontWeight() == QFont::Bold && format.foreground().color() == QColor(255, 128, 0))
        return 'h';
    if (format.foreground().style() == Qt::NoBrush)
        return 'n';
    const QColor colour = format.foreground().color();
    if (colour == QColor(0, 0, 255))
        return 'b';
    if (colour == QColor(128, 0, 0))
        return 'm';
    return colour == QColor(255, 0, 0) ? 'r' : '?';
}

QString ScreenStyles(TerminalScreen& screen) {
    const QString text = screen.screenText();
    QString styles(text.size(), QLatin1Char('\n'));
    for (int at = 0; at < text.size(); ++at) {
        if (text[at] != QLatin1Char('\n'))
            styles[at] = QLatin1Char(StyleOf(screen.formatAt(at)));
    }
    return styles;
}

// What the screen should show of appended texts, built the simplest way: each
// text with its line ends as LF, one style letter a character.
struct ReferenceScreen {
    QString text;
    QString styles;

    void append(std::string_view part, char style) {
        QString lines = QString::fromLatin1(part.data(), static_cast<qsizetype>(part.size()));
        lines.replace(QLatin1String("\r\n"), QLatin1String("\n"))
            .replace(QLatin1Char('\r'), QLatin1Char('\n'));
        text += lines;
        for (const QChar c : lines)
            styles += c == QLatin1Char('\n') ? QLatin1Char('\n') : QLatin1Char(style);
    }
};

char StyleOf(ColourKind kind) {
    return "nbmr"[kind];
}

// A long stream in the mixed view, in chunks of many sizes with stamps, error
// lines and highlighted starts, keeps its text and colours on the screen while
// the scroll-back is trimmed: the screen shows the end of the stream from a line
// start, within the scroll-back.
TEST(TerminalScreen, LongMixedStreamKeepsItsTextAndColoursWithinTheScrollBack) {
    TerminalScreen screen;
    ReferenceScreen reference;
    TerminalRenderer renderer;
    std::mt19937 random(11);
    for (int chunk = 0; chunk < 400; ++chunk) {
        std::string data(random() % 700 + 1, '\0');
        for (char& c : data)
            c = static_cast<char>(random());
        if (chunk % 7 == 0) {
            screen.appendText("(stamp)", kStampColour);
            reference.append("(stamp)", 'm');
        }
        ScreenRuns runs;
        renderer.render({kMixedView, false, false}, data, "", runs);
        for (const ScreenRun& run : runs) {
            const size_t highlighted =
                random() % 5 == 0 ? std::min<size_t>(random() % 6, run.text.size()) : 0;
            screen.appendText(run.text, run.kind, highlighted);
            reference.append(std::string_view(run.text).substr(0, highlighted), 'h');
            // After a highlight the rest of the text is in the normal colour.
            reference.append(std::string_view(run.text).substr(highlighted),
                             highlighted > 0 ? 'n' : StyleOf(run.kind));
        }
        if (chunk % 50 == 49) {
            screen.appendText("\r\nERROR\r\n", kErrorColour);
            reference.append("\r\nERROR\r\n", 'r');
        }
        if (chunk % 3 == 0)
            screen.flush();
    }
    const QString shown = screen.screenText();
    ASSERT_GT(reference.text.size(), 4 * TerminalOptions::kDefaultHighMark);
    // Within the scroll-back and the last append (a run of at most 700 escapes).
    ASSERT_LE(shown.size(), TerminalOptions::kDefaultHighMark + 700 * 5);
    ASSERT_GT(shown.size(), TerminalOptions::kDefaultHighMark / 2);
    const qsizetype start = reference.text.size() - shown.size();
    EXPECT_EQ(reference.text[start - 1], QLatin1Char('\n'));
    EXPECT_EQ(shown, reference.text.mid(start));
    EXPECT_EQ(ScreenStyles(screen), reference.styles.mid(start));
}

// A point in the left quarter of a character cell, nearest the boundary
// before the character.
QPoint CellPoint(const TerminalScreen& screen, int column, int row) {
    const QFontMetricsF metrics(screen.font());
    return QPointF(4 + (column + 0.25) * metrics.horizontalAdvance(QLatin1Char('M')),
                   4 + (row + 0.5) * metrics.height())
        .toPoint();
}

TEST(TerminalScreen, MouseSelectsTextToCopyAndANewFrameEndsTheSelection) {
    TerminalScreen screen;
    screen.resize(400, 200);
    screen.show();
    screen.appendText("hello world\r\nsecond line\r\n", kNormalColour);
    screen.flush();
    QWidget* viewport = screen.viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, CellPoint(screen, 6, 0));
    QTest::mouseMove(viewport, CellPoint(screen, 6, 1));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, CellPoint(screen, 6, 1));
    EXPECT_EQ(screen.selectedText(), "world\nsecond");
    screen.copy();
    EXPECT_EQ(QApplication::clipboard()->text(), "world\nsecond");

    QTest::mouseDClick(viewport, Qt::LeftButton, {}, CellPoint(screen, 9, 1));
    EXPECT_EQ(screen.selectedText(), "line");
    screen.selectAll();
    EXPECT_EQ(screen.selectedText(), screen.screenText());

    screen.appendText("x", kNormalColour);
    screen.flush();
    EXPECT_FALSE(screen.hasSelection());
    QTest::keyClick(&screen, Qt::Key_Backspace);
    QTest::keyClick(&screen, Qt::Key_Backspace);
    EXPECT_EQ(screen.screenText(), "hello world\nsecond line");
}

TEST(TerminalScreen, PaintsInTheColoursAndFollowsTheEndOfTheText) {
    TerminalScreen screen;
    screen.resize(400, 200);
    screen.show();
    for (int line = 0; line < 200; ++line)
        screen.appendText("line " + std::to_string(line) + "\r\n", kNormalColour);
    screen.appendText("HIGHLIGHT", kNormalColour, 5);
    screen.appendText("\\0D", kEscapeColour);
    screen.flush();
    EXPECT_EQ(screen.verticalScrollBar()->value(), screen.verticalScrollBar()->maximum());
    EXPECT_GT(screen.verticalScrollBar()->maximum(), 150);

    // The coloured text is on the last line, so it must show in the lowest rows.
    const QImage viewport = screen.viewport()->grab().toImage();
    const int rowHeight = QFontMetrics(screen.font()).height();
    const QImage lowestRows =
        viewport.copy(0, viewport.height() - 2 * rowHeight - 4, viewport.width(), 2 * rowHeight + 4);
    EXPECT_TRUE(HasPixel(lowestRows, [](QColor c) {
        return c.red() > 200 && c.green() > 90 && c.green() < 170 && c.blue() < 80;
    })) << "orange highlight";
    EXPECT_TRUE(HasPixel(lowestRows, [](QColor c) {
        return c.blue() > 200 && c.red() < 80 && c.green() < 80;
    })) << "blue escapes";
}

// The screen paints opaquely: Qt fills nothing under it, so every pixel it
// repaints, text or not, must come from the screen's own painting.
TEST(TerminalScreen, FillsItsOwnBackgroundWhereNoTextIs) {
    TerminalScreen screen;
    screen.resize(400, 200);
    screen.setBackground(QColor(250, 240, 160));
    screen.show();
    screen.appendText("one line\r\nand another", kNormalColour);
    screen.flush();
    EXPECT_TRUE(screen.viewport()->testAttribute(Qt::WA_OpaquePaintEvent));
    const QImage viewport = screen.viewport()->grab().toImage();
    const QImage belowText = viewport.copy(0, viewport.height() / 2, viewport.width(), viewport.height() / 2);
    EXPECT_FALSE(HasPixel(belowText, [](QColor c) { return c != QColor(250, 240, 160); }));
    EXPECT_TRUE(HasPixel(viewport, [](QColor c) { return c.red() < 100 && c.green() < 100; })) << "the text";
}

} // namespace
