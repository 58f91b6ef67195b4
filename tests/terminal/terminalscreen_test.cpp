#include "terminal/terminalscreen.h"

#include "terminal/terminal_settings.h"

#include <QTextBlock>
#include <gtest/gtest.h>
#include <random>

namespace {

QTextCharFormat FormatAt(TerminalScreen& screen, int position) {
    QTextCursor cursor(screen.document());
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

TEST(TerminalScreen, AppendsInColoursWithLineBreaksAndHighlight) {
    TerminalScreen screen;
    screen.appendText("abcdefg", kNormalColour, 5);
    screen.appendText("\r\n\\0D", kEscapeColour);
    screen.appendText("(stamp)", kStampColour);
    screen.appendText("\r\nERROR\n", kErrorColour);
    EXPECT_EQ(screen.screenText(), "abcdefg\n\\0D(stamp)\nERROR\n");
    EXPECT_EQ(FormatAt(screen, 4).fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatAt(screen, 4).foreground().color(), QColor(255, 128, 0));
    EXPECT_NE(FormatAt(screen, 5).fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatAt(screen, 8).foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(FormatAt(screen, 11).foreground().color(), QColor(128, 0, 0));
    EXPECT_EQ(FormatAt(screen, 19).foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(screen.endColumn(), 0);
}

TEST(TerminalScreen, TrimsWholeLinesFromTheTopBelowTheLowMark) {
    TerminalScreen screen;
    screen.setScrollBack(1000, 600);
    for (int line = 0; line < 100; ++line)
        screen.appendText("line " + std::to_string(line + 1000) + "\r\n", kNormalColour);
    const QString text = screen.screenText();
    EXPECT_LE(text.size(), 1000);
    EXPECT_TRUE(text.startsWith("line ")) << text.left(20).toStdString();
    EXPECT_TRUE(text.endsWith("line 1099\n"));
    // Appending goes on trimming.
    for (int line = 0; line < 100; ++line)
        screen.appendText("more " + std::to_string(line + 1000) + "\r\n", kNormalColour);
    EXPECT_LE(screen.screenText().size(), 1000);
    EXPECT_TRUE(screen.screenText().startsWith("more "));
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
    screen.flush();
    QString styles;
    for (QTextBlock block = screen.document()->firstBlock(); block.isValid(); block = block.next()) {
        if (block != screen.document()->firstBlock())
            styles += QLatin1Char('\n');
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment)
            styles +=
                QString(fragment.fragment().length(), QLatin1Char(StyleOf(fragment.fragment().charFormat())));
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
            reference.append(std::string_view(run.text).substr(highlighted), StyleOf(run.kind));
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
    ASSERT_LE(shown.size(), TerminalOptions::kDefaultHighMark);
    ASSERT_GT(shown.size(), TerminalOptions::kDefaultHighMark / 2);
    const qsizetype start = reference.text.size() - shown.size();
    EXPECT_EQ(reference.text[start - 1], QLatin1Char('\n'));
    EXPECT_EQ(shown, reference.text.mid(start));
    EXPECT_EQ(ScreenStyles(screen), reference.styles.mid(start));
}

} // namespace
