#pragma once
// A terminal's options, the serial line settings it keeps for programming mode,
// its handshake codes, its caption and the RTS hold time of the 5QV/6QV
// handshake.

#include "terminal/terminal_renderer.h"

#include <string>

// Handshake codes as the port dialog, the saved layout and programming mode use
// them.
enum HandshakeCode : int {
    kHandshakeNone = 0,     // RTS disabled, no flow control
    kHandshakeHardware = 1, // RTS handshake
    kHandshakeSoftware = 2, // XON/XOFF
    kHandshakeFiveQv = 3,   // RTS raised only while sending
};

// The options a terminal's settings dialog and its saved layout set.
struct TerminalOptions {
    static constexpr int kDefaultHighMark = 65536;
    // Trimming the screen back to this many characters below the high mark.
    static constexpr int kTrimBlock = 1024;

    bool localEcho = false;
    bool crLf = false; // CR sent as CR LF
    bool timeStamp = false;
    bool lineStart = false; // stamps at line starts rather than per chunk
    int viewType = kTextView;
    bool colourCounter = false;
    bool mirror = false;
    bool fiveQv = false; // 5QV/6QV handshake
    std::string name;
    int highMark = kDefaultHighMark; // scroll-back, characters
    int lowMark = kDefaultHighMark - kTrimBlock;
    int rtsHoldMs = 0;

    TerminalRenderer::View view() const { return {viewType, timeStamp, lineStart}; }
};

// The serial line settings as ordinals of the port's enumerations (baud rate
// 0 = 300 ... 14 = 921600, data bits 3 = seven, 4 = eight, parity 0 = none,
// stop bits 0 = one, 2 = two, RTS mode 0 = disabled, 2 = handshake, flow control
// 0 = none, 1 = XON/XOFF).
struct LineSettings {
    static constexpr int kRtsDisable = 0;
    static constexpr int kRtsHandshake = 2;
    static constexpr int kFlowNone = 0;
    static constexpr int kFlowXonXoff = 1;
    static constexpr int kStopOne = 0;
    static constexpr int kStopTwo = 2;
    static constexpr int kEightBits = 4;

    int portNumber = 0; // 0 = COM1
    int baudRate = 5;   // 9600
    int dataBits = kEightBits;
    int parity = 0;
    int stopBits = kStopOne;
    int rtsMode = kRtsDisable;
    int flowControl = kFlowNone;

    bool operator==(const LineSettings&) const = default;
};

// Milliseconds RTS stays up after the transmitter ran empty, for a baud-rate
// ordinal.
int RtsHoldMs(int baudOrdinal);

// The bit rate of a baud-rate ordinal, as the settings dialog lists it.
std::string BaudRateText(int baudOrdinal);

// Sets RTS mode and flow control for handshake codes 0..2. The 5QV/6QV code and
// codes outside 0..3 change nothing: each caller decides what 5QV/6QV puts into
// force.
void ApplyHandshake(int code, LineSettings& line);

// The handshake code as the caption and the settings dialog show it.
int ShownHandshake(const LineSettings& line, bool fiveQv);

// "COM1: 9600 None  8 1 | None | Echo | CR -> CR/LF | Name: modem".
std::string TerminalCaption(const LineSettings& line, const TerminalOptions& options);

// The caption of a terminal's transmit window, which names the section its
// options are kept in: "Transmit window " and the first five characters of the
// terminal's caption ("COM7:", "COM12"), as saved options of COM1 to COM99 are
// kept; from COM100 on, where five characters would not tell the ports apart,
// the whole port name and its colon.
std::string TransmitWindowCaption(const std::string& terminalCaption);
