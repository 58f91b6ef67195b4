#include "terminal/screen_text.h"

#include <algorithm>

namespace {

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

void ScreenText::append(std::string_view text, int style) {
    for (;;) {
        const size_t lineEnd = text.find_first_of("\r\n");
        appendToLastLine(text.substr(0, lineEnd), style);
        if (lineEnd == std::string_view::npos)
            return;
        startLine();
        const bool crLf = text[lineEnd] == '\r' && lineEnd + 1 < text.size() && text[lineEnd + 1] == '\n';
        text.remove_prefix(lineEnd + (crLf ? 2 : 1));
    }
}

void ScreenText::appendToLastLine(std::string_view text, int style) {
    if (text.empty())
        return;
    Line& last = lines_.back();
    if (last.runs.empty() || last.runs.back().style != style)
        last.runs.push_back({static_cast<int>(last.text.size()), style});
    last.text.append(QLatin1StringView(text.data(), static_cast<qsizetype>(text.size())));
    changed(last);
    characterCount_ += static_cast<int>(text.size());
}

void ScreenText::startLine() {
    lines_.emplace_back();
    ++characterCount_;
}

void ScreenText::removeLast() {
    Line& last = lines_.back();
    if (last.text.isEmpty()) {
        if (lines_.size() == 1)
            return;
        changed(last);
        lines_.pop_back();
    } else {
        last.text.chop(1);
        if (last.runs.back().start == last.text.size())
            last.runs.pop_back();
        changed(last);
    }
    --characterCount_;
}

void ScreenText::clear() {
    lines_.assign(1, Line{});
    characterCount_ = 1;
    wrappedRows_ = 0;
}

int ScreenText::trim(int high, int low) {
    // The text's length leaves out the position after the last line.
    const int length = characterCount_ - 1;
    if (length <= high)
        return 0;
    // The first line that starts at or after this position is kept.
    const int keepFrom = length - low;
    int removed = 0;
    size_t kept = 0;
    while (kept < lines_.size() - 1 && removed < keepFrom) {
        removed += static_cast<int>(lines_[kept].text.size()) + 1;
        ++kept;
    }
    if (removed < keepFrom) {
        // Not even the last line starts late enough: all of the text goes.
        removed = characterCount_ - 1;
        clear();
        return removed;
    }
    for (size_t line = 0; line < kept; ++line)
        wrappedRows_ -= std::max(lines_[line].rows, 0);
    lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(kept));
    characterCount_ -= removed;
    return removed;
}

int ScreenText::lineStart(int line) const {
    int start = 0;
    for (int above = 0; above < line; ++above)
        start += static_cast<int>(lines_[static_cast<size_t>(above)].text.size()) + 1;
    return start;
}

// The first run that starts after a column.
std::vector<ScreenText::Run>::const_iterator ScreenText::runAfter(const Line& line, int column) {
    return std::upper_bound(line.runs.begin(), line.runs.end(), column,
                            [](int at, const Run& run) { return at < run.start; });
}

int ScreenText::styleAt(int line, int column) const {
    const Line& entry = lines_[static_cast<size_t>(line)];
    const auto after = runAfter(entry, column);
    return after == entry.runs.begin() ? 0 : std::prev(after)->style;
}

int ScreenText::styleEnd(int line, int column) const {
    const Line& entry = lines_[static_cast<size_t>(line)];
    const auto after = runAfter(entry, column);
    return after == entry.runs.end() ? static_cast<int>(entry.text.size()) : after->start;
}

int ScreenText::styleAt(int position) const {
    int start = 0;
    for (int line = 0; line < lineCount(); ++line) {
        const int length = static_cast<int>(lineText(line).size());
        if (position < start + length)
            return position < start ? 0 : styleAt(line, position - start);
        start += length + 1;
    }
    return 0;
}

QString ScreenText::text(int from, int to) const {
    QString text;
    int start = 0;
    for (const Line& line : lines_) {
        const int length = static_cast<int>(line.text.size());
        if (start >= to)
            break;
        if (start + length >= from) {
            const int first = std::max(from - start, 0);
            text += QStringView(line.text).mid(first, std::min(to - start, length) - first);
            if (start + length < to && &line != &lines_.back())
                text += QLatin1Char('\n');
        }
        start += length + 1;
    }
    return text;
}

void ScreenText::setWidths(int width, int cellWidth, int tabWidth) {
    cellWidth = std::max(cellWidth, 1);
    width = std::max(width, cellWidth);
    tabWidth = std::max(tabWidth, 1);
    if (width == width_ && cellWidth == cellWidth_ && tabWidth == tabWidth_)
        return;
    width_ = width;
    cellWidth_ = cellWidth;
    tabWidth_ = tabWidth;
    for (Line& line : lines_)
        line.rows = -1;
    wrappedRows_ = 0;
}

int ScreenText::cellAfter(QChar c, int cell) const {
    return c == QLatin1Char('\t') ? (cell / tabWidth_ + 1) * tabWidth_ : cell + cellWidth_;
}

void ScreenText::changed(Line& line) {
    wrappedRows_ -= std::max(line.rows, 0);
    line.rows = -1;
}

std::vector<int> ScreenText::rowStarts(const QString& text) const {
    std::vector<int> starts{0};
    int start = 0;
    int cell = 0;
    int afterBlank = 0; // where a row may start after the last blank
    for (int at = 0; at < static_cast<int>(text.size()); ++at) {
        const QChar c = text[at];
        if (IsBlank(c)) {
            cell = cellAfter(c, cell);
            afterBlank = at + 1;
            continue;
        }
        if (cell + cellWidth_ > width_ && at > start) {
            start = afterBlank > start ? afterBlank : at;
            starts.push_back(start);
            // Only non-blank characters lie between the new start and here.
            cell = (at - start) * cellWidth_;
        }
        cell += cellWidth_;
    }
    return starts;
}

int ScreenText::rowsOf(Line& line) {
    if (line.rows < 0) {
        line.rows = static_cast<int>(rowStarts(line.text).size());
        wrappedRows_ += line.rows;
    }
    return line.rows;
}

int ScreenText::rowCount() {
    // Lines change only at the end, and rows() wraps from the top, so the
    // lines still to wrap always follow the last one wrapped.
    for (auto line = lines_.rbegin(); line != lines_.rend() && line->rows < 0; ++line)
        rowsOf(*line);
    return wrappedRows_;
}

std::vector<ScreenText::Row> ScreenText::rows(int first, int count) {
    std::vector<Row> rows;
    int row = 0;
    for (int line = 0; line < lineCount() && static_cast<int>(rows.size()) < count; ++line) {
        Line& entry = lines_[static_cast<size_t>(line)];
        const int lineRows = rowsOf(entry);
        if (row + lineRows > first) {
            const std::vector<int> starts = rowStarts(entry.text);
            for (int r = std::max(first - row, 0); r < lineRows && static_cast<int>(rows.size()) < count;
                 ++r) {
                const int end = r + 1 < lineRows ? starts[static_cast<size_t>(r) + 1]
                                                 : static_cast<int>(entry.text.size());
                rows.push_back({line, starts[static_cast<size_t>(r)], end});
            }
        }
        row += lineRows;
    }
    return rows;
}

std::vector<int> ScreenText::offsetsOf(const Row& row) const {
    const QString& text = lineText(row.line);
    std::vector<int> cells;
    cells.reserve(static_cast<size_t>(row.end - row.start) + 1);
    int cell = 0;
    for (int at = row.start; at < row.end; ++at) {
        cells.push_back(cell);
        cell = cellAfter(text[at], cell);
    }
    cells.push_back(cell);
    return cells;
}
