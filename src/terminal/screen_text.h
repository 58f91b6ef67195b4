#pragma once
// What a terminal's screen holds: lines of text, each character in one of a few
// styles, and how the lines wrap into rows of a fixed-pitch screen.
//
// Positions count characters from the top with one more for each line end, so
// the whole text has characterCount() positions (the last one after the final
// line). Lines wrap at the last blank or tab that fits, or anywhere when there
// is none; blanks at a row's end may run past the right edge. Every character
// is one cell wide; a tab reaches the next multiple of the tab width, counted
// from the row's start. Widths are in any unit finer than a cell, so that
// cells of a fractional pixel width and tab stops in pixels add up exactly.

#include <QString>
#include <deque>
#include <string_view>
#include <vector>

class ScreenText {
public:
    // One row of the screen: characters [start, end) of a line.
    struct Row {
        int line;
        int start;
        int end;
    };

    // Appends Latin-1 text in a style; CR LF, a lone CR and a lone LF each
    // end a line.
    void append(std::string_view text, int style);
    // Removes the last character, or joins the last line to the one above.
    void removeLast();
    void clear();
    // Above high characters, whole lines go from the top until at most low
    // remain. Returns how many positions went.
    int trim(int high, int low);

    int characterCount() const { return characterCount_; }
    int lineCount() const { return static_cast<int>(lines_.size()); }
    const QString& lineText(int line) const { return lines_[static_cast<size_t>(line)].text; }
    int lineStart(int line) const;
    int styleAt(int line, int column) const;
    int styleAt(int position) const;
    // Where the run of the style at a column ends.
    int styleEnd(int line, int column) const;
    // Text of positions [from, to), lines joined by '\n'.
    QString text(int from, int to) const;
    QString text() const { return text(0, characterCount_); }
    int endColumn() const { return static_cast<int>(lines_.back().text.size()); }

    // Wrapping: the widths of the screen, a cell and a tab stop.
    void setWidths(int width, int cellWidth, int tabWidth);
    int rowCount();
    // Up to count rows from row first on.
    std::vector<Row> rows(int first, int count);
    // Where each character of a row starts, and where its last one ends.
    std::vector<int> offsetsOf(const Row& row) const;

private:
    struct Run {
        int start;
        int style;
    };
    struct Line {
        QString text;
        std::vector<Run> runs;
        int rows = -1; // rows at the current width; -1 until wrapped
    };

    static std::vector<Run>::const_iterator runAfter(const Line& line, int column);
    std::vector<int> rowStarts(const QString& text) const;
    int cellAfter(QChar c, int cell) const;
    int rowsOf(Line& line);
    void changed(Line& line);
    void appendToLastLine(std::string_view text, int style);
    void startLine();

    std::deque<Line> lines_{Line{}};
    int characterCount_ = 1;
    int width_ = 80;
    int cellWidth_ = 1;
    int tabWidth_ = 8;
    int wrappedRows_ = 0; // rows of the lines that are wrapped
};
