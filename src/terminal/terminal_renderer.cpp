#include "terminal/terminal_renderer.h"

#include "base/control_chars.h"
#include "base/hex.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

namespace {

constexpr uint8_t kBackspace = 8;
constexpr uint8_t kTab = 9;
constexpr std::string_view kLineBreak = "\r\n";

bool IsPrintable(uint8_t byte) {
    return byte >= 32 && byte <= 127;
}

// Every byte as its escape; a byte of lineStarters starts a new line.
void AppendEscapes(std::string_view bytes, std::string_view lineStarters, std::string& text) {
    text.reserve(text.size() + 3 * bytes.size());
    for (const char c : bytes) {
        if (lineStarters.find(c) != std::string_view::npos)
            text += kLineBreak;
        AppendEscape(text, static_cast<uint8_t>(c));
    }
}

void AppendRun(ColourKind kind, std::string&& text, ScreenRuns& out) {
    if (!text.empty())
        out.push_back({kind, std::move(text)});
}

} // namespace

std::string StampText() {
    // Formatting the locale's date and time is slow next to a flood of small
    // chunks; the text changes once a second.
    static qint64 cachedSecond = -1;
    static std::string cachedText;
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (second != cachedSecond) {
        const QDateTime now = QDateTime::fromSecsSinceEpoch(second);
        const QLocale locale = QLocale::system();
        QString timeFormat = locale.timeFormat(QLocale::LongFormat);
        timeFormat.remove(QRegularExpression(QStringLiteral("\\s*t+"))); // no time-zone name
        const QString text = QLatin1Char('(') + locale.toString(now.date(), QLocale::ShortFormat) +
                             QLatin1Char(' ') + locale.toString(now.time(), timeFormat) + QLatin1Char(')');
        cachedText = text.toLatin1().toStdString();
        cachedSecond = second;
    }
    return cachedText;
}

bool HasCR(std::string_view data) {
    return data.find(static_cast<char>(CR)) != std::string_view::npos;
}

void TerminalRenderer::reset() {
    lineStampPending_ = false;
    lastWasLineEnd_ = true;
    lastLineEnd_ = 0;
}

void TerminalRenderer::render(const View& view, std::string_view data, std::string_view stamp,
                              ScreenRuns& out) {
    switch (view.viewType) {
    case kHexView:
        renderHex(data, out);
        break;
    case kMixedView:
        renderMixed(data, out);
        break;
    default:
        renderText(view, data, stamp, out);
        break;
    }
}

void TerminalRenderer::renderText(const View& view, std::string_view data, std::string_view stamp,
                                  ScreenRuns& out) {
    std::string text;
    text.reserve(data.size() + data.size() / 8 + stamp.size());
    for (const char c : data) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte == kBackspace) {
            lastLineEnd_ = 0;
        } else if (byte == CR || byte == LF) {
            lineEnd(view, byte, text);
        } else {
            lastWasLineEnd_ = false;
            if (lineStampPending_) {
                text += stamp;
                lineStampPending_ = false;
            }
            // Control bytes other than the line ends and tab would upset the
            // screen: they show as blanks.
            text += (byte < 32 && byte != kTab) ? ' ' : c;
            lastLineEnd_ = 0;
        }
    }
    AppendRun(kNormalColour, std::move(text), out);
}

// CR, LF, CR LF and LF CR each become one CR LF: the second byte of a pair is
// dropped, also when the pair is split over two chunks.
void TerminalRenderer::lineEnd(const View& view, uint8_t byte, std::string& text) {
    const uint8_t partner = byte == CR ? LF : CR;
    if (lastLineEnd_ == partner) {
        lastLineEnd_ = 0;
    } else {
        text += kLineBreak;
        lastLineEnd_ = byte;
        if (view.timeStamp && view.lineStart)
            lineStampPending_ = true;
    }
    lastWasLineEnd_ = true;
}

// Every byte as its escape; each CR starts a new line.
void TerminalRenderer::renderHex(std::string_view data, ScreenRuns& out) {
    std::string text;
    AppendEscapes(data, "\r", text);
    AppendRun(kEscapeColour, std::move(text), out);
}

// Printable runs as they are, other bytes as escapes; a CR or LF escape starts a
// new line.
void TerminalRenderer::renderMixed(std::string_view data, ScreenRuns& out) {
    size_t i = 0;
    while (i < data.size()) {
        const bool printable = IsPrintable(static_cast<uint8_t>(data[i]));
        size_t end = i;
        while (end < data.size() && IsPrintable(static_cast<uint8_t>(data[end])) == printable)
            ++end;
        const std::string_view run = data.substr(i, end - i);
        if (printable) {
            out.push_back({kNormalColour, std::string(run)});
        } else {
            std::string text;
            AppendEscapes(run, "\r\n", text);
            out.push_back({kEscapeColour, std::move(text)});
        }
        i = end;
    }
}
