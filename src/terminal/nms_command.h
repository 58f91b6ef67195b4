#pragma once
// The transmit window's NMS command lines ("GET U16 1.256", "SET S 1.300 text")
// and the assembly of the modem's two reply frames into the text printed on the
// terminal. No widget here.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The longest value a command line may set; longer values are refused.
constexpr size_t kMaxNmsValueLength = 243;

struct NmsCommand {
    bool set = false;
    // Value type code of the shared frame code (NmsValueType).
    int typeCode = 0;
    uint16_t valueId = 0;
    // The id as it stood on the line; printed with the value that comes back.
    std::string idText;
    // SET only: the value bytes, numbers big-endian.
    std::string value;
};

struct NmsCommandParse {
    std::optional<NmsCommand> command;
    // Why the line was refused, when it was.
    std::string error;
};

// True for lines that begin with "GET" or "SET" in any letter case.
bool IsNmsCommandLine(const std::string& line);

// Parses a GET or SET line. A type other than U8/U16/U32, I8/I16/I32, S and H, a
// malformed value id, a number that is no decimal or does not fit its width, a
// byte string that is not groups of a character and two hexadecimal digits, or
// a value longer than kMaxNmsValueLength bytes refuses the line.
NmsCommandParse ParseNmsCommandLine(const std::string& line);

// The request frame of a parsed command with the sender's sequence byte.
std::string BuildNmsRequestFrame(const NmsCommand& command, uint8_t sequence);

// The line printed on the terminal for a refused command line.
std::string NmsRefusalText(const std::string& why);

// Collects the reply to one request from the chunks the terminal receives: the
// acknowledgement frame and then the data frame, each assembled across chunks in
// a bounded buffer, and turns them into the texts printed on the terminal.
class NmsReplyAssembler {
public:
    static constexpr size_t kCapacity = 500;

    // A request was sent: two frames are awaited, both carrying the request's
    // sequence number.
    void Start(int typeCode, std::string idText, uint8_t sequence);
    // Stops awaiting (cancel, close, time-out).
    void Stop();
    bool Awaiting() const { return awaited_ > 0; }

    // Takes one received chunk and returns the texts to print, in order (often
    // none). Each is printed on its own: the terminal drops a text that begins
    // with CR while its caret is at a line start, so the acknowledgement must
    // not carry the value with it. When Awaiting() turns false the exchange is
    // over and the terminal shows its received bytes again.
    std::vector<std::string> Feed(const std::string& chunk);

private:
    enum class Step { NeedMore, Continue, Done };
    Step takeFrame(std::vector<std::string>& out);
    std::string valueText(const std::string& value) const;

    std::string buffer_;
    int awaited_ = 0;
    int typeCode_ = 0;
    std::string idText_;
    uint8_t sequence_ = 0;
};
