#include "terminal/terminalscreen.h"

#include <QTextBlock>
#include <gtest/gtest.h>

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

} // namespace
