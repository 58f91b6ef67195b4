#include "terminal/screen_text.h"

#include <gtest/gtest.h>
#include <random>

namespace {

// Each row's text, for a look at how lines wrap.
std::vector<QString> RowTexts(ScreenText& text) {
    std::vector<QString> rows;
    for (const ScreenText::Row& row : text.rows(0, text.rowCount()))
        rows.push_back(text.lineText(row.line).mid(row.start, row.end - row.start));
    return rows;
}

TEST(ScreenText, LineEndsStylesAndRanges) {
    ScreenText text;
    text.append("ab\r\ncd", 1);
    text.append("e\rf\ng", 2);
    EXPECT_EQ(text.text(), "ab\ncde\nf\ng");
    EXPECT_EQ(text.characterCount(), 11);
    EXPECT_EQ(text.lineCount(), 4);
    EXPECT_EQ(text.styleAt(4), 1);
    EXPECT_EQ(text.styleAt(5), 2);
    EXPECT_EQ(text.styleEnd(1, 0), 2);
    EXPECT_EQ(text.text(1, 8), "b\ncde\nf");
    EXPECT_EQ(text.endColumn(), 1);

    text.removeLast();
    text.removeLast();
    EXPECT_EQ(text.text(), "ab\ncde\nf");
    text.removeLast();
    text.append("x", 0);
    EXPECT_EQ(text.text(), "ab\ncde\nx");
    EXPECT_EQ(text.styleAt(7), 0);
}

TEST(ScreenText, TrimsWholeLinesAndCanEmptyTheScreen) {
    ScreenText text;
    text.append("0123456789\r\nabcdefghij\r\nklm", 0);
    // 25 characters; above 20, lines go until at most 12 remain: without the
    // first line 14 would, so the second goes too.
    EXPECT_EQ(text.trim(20, 12), 22);
    EXPECT_EQ(text.text(), "klm");
    EXPECT_EQ(text.trim(20, 12), 0);
    text.append("nopqrstuvwxyz0123456789", 0);
    EXPECT_EQ(text.trim(20, 12), 26);
    EXPECT_EQ(text.text(), "");
    EXPECT_EQ(text.characterCount(), 1);
}

// The marks count the text's characters, each line end one: a text of just the
// high mark stays whole, and a trim may leave just the low mark.
TEST(ScreenText, TrimsOnlyAboveTheHighMarkDownToTheLowMark) {
    ScreenText text;
    text.append("0123456789\r\nabcd", 0);
    EXPECT_EQ(text.trim(15, 5), 0);
    EXPECT_EQ(text.text(), "0123456789\nabcd");
    text.append("e", 0);
    EXPECT_EQ(text.trim(15, 5), 11);
    EXPECT_EQ(text.text(), "abcde");
}

TEST(ScreenText, WrapsAtBlanksOrAnywhereWithTabStops) {
    ScreenText text;
    text.setWidths(10, 1, 4);
    text.append("one two three fours\r\n", 0);
    text.append("\\41\\42\\43\\44\r\n", 0);
    text.append("ab\tcd\tef\tgh", 0);
    EXPECT_EQ(RowTexts(text), (std::vector<QString>{"one two ", "three ", "fours", "\\41\\42\\43\\", "44",
                                                    "ab\tcd\tef\t", "gh"}));
    const std::vector<ScreenText::Row> tabbed = text.rows(5, 1);
    EXPECT_EQ(text.offsetsOf(tabbed.front()), (std::vector<int>{0, 1, 2, 4, 5, 6, 8, 9, 10, 12}));
    text.setWidths(80, 1, 8);
    EXPECT_EQ(text.rowCount(), 3);
}

// Rows counted as lines are appended, trimmed and shortened match a fresh
// wrapping of the same text.
TEST(ScreenText, KeepsItsRowCountAsTheTextChanges) {
    ScreenText text;
    text.setWidths(51, 3, 24);
    std::mt19937 random(5);
    const std::string alphabet = "abc de\t\r\n";
    for (int step = 0; step < 2000; ++step) {
        std::string part(random() % 40, ' ');
        for (char& c : part)
            c = alphabet[random() % alphabet.size()];
        text.append(part, static_cast<int>(random() % 3));
        if (step % 5 == 0)
            text.removeLast();
        if (step % 3 == 0)
            text.rowCount();
        text.trim(600, 400);
    }
    ScreenText fresh;
    fresh.setWidths(51, 3, 24);
    fresh.append(text.text().toStdString(), 0);
    EXPECT_EQ(text.rowCount(), fresh.rowCount());
    EXPECT_EQ(RowTexts(text), RowTexts(fresh));
}

} // namespace
