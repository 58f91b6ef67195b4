#pragma once
// Turns bytes received by (or echoed on) a terminal into coloured runs of screen
// text, by the terminal's view: text with line ends made uniform and optional
// stamps at line starts, hexadecimal escapes, or printable text mixed with
// escapes. Line-end state carries over from one chunk to the next, so a CR at the
// end of one chunk and an LF at the start of the next make one line end.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Colours of appended screen text.
enum ColourKind : int {
    kNormalColour = 0,
    kEscapeColour = 1, // blue
    kStampColour = 2,  // maroon
    kErrorColour = 3,  // red
};

enum ViewType : int {
    kTextView = 0,
    kHexView = 1,
    kMixedView = 2,
};

struct ScreenRun {
    ColourKind kind;
    std::string text;

    bool operator==(const ScreenRun&) const = default;
};
using ScreenRuns = std::vector<ScreenRun>;

// The text of a time stamp: the local date and time between parentheses.
std::string StampText();

class TerminalRenderer {
public:
    // The view options the terminal's settings choose.
    struct View {
        int viewType = kTextView;
        bool timeStamp = false;
        bool lineStart = false;
    };

    // Renders data by the view and appends the runs to out. The data are only
    // read. stamp is the text written before the first character of a line while
    // line-start stamps are on.
    void render(const View& view, std::string_view data, std::string_view stamp, ScreenRuns& out);

    // True when the last character rendered in text view ended a line (also
    // before anything was rendered).
    bool lastWasLineEnd() const { return lastWasLineEnd_; }
    bool lineStampPending() const { return lineStampPending_; }
    void setLineStampPending(bool pending) { lineStampPending_ = pending; }
    // Back to the state of a new terminal: at a line start, no stamp pending.
    void reset();

private:
    void renderText(const View& view, std::string_view data, std::string_view stamp, ScreenRuns& out);
    void lineEnd(const View& view, uint8_t byte, std::string& text);
    static void renderHex(std::string_view data, ScreenRuns& out);
    static void renderMixed(std::string_view data, ScreenRuns& out);

    bool lineStampPending_ = false;
    bool lastWasLineEnd_ = true;
    uint8_t lastLineEnd_ = 0; // 0, CR or LF
};

// True when the bytes hold a CR.
bool HasCR(std::string_view data);
