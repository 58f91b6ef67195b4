#include "terminal/programming_mode.h"

namespace {

constexpr int kProgrammingBaud = 5; // 9600

// The handshake code a terminal runs with.
int HandshakeInUse(const LineSettings& line, bool fiveQv) {
    if (fiveQv)
        return kHandshakeFiveQv;
    if (line.flowControl == LineSettings::kFlowXonXoff)
        return kHandshakeSoftware;
    if (line.rtsMode == LineSettings::kRtsHandshake)
        return kHandshakeHardware;
    return kHandshakeNone;
}

// The handshake with its 5QV/6QV flag; 5QV/6QV runs with RTS disabled and no flow
// control between sends.
void ApplyHandshakeAndFlag(int code, LineSettings& line, bool& fiveQv) {
    fiveQv = code == kHandshakeFiveQv;
    ApplyHandshake(fiveQv ? kHandshakeNone : code, line);
}

} // namespace

void ProgrammingMode::enter(ProgrammableSettings& settings) {
    saved_ = settings;
    savedHandshake_ = HandshakeInUse(settings.line, settings.options.fiveQv);
    active_ = true;

    LineSettings& line = settings.line;
    line.baudRate = kProgrammingBaud;
    line.parity = 0;
    line.dataBits = LineSettings::kEightBits;
    line.stopBits = LineSettings::kStopOne;
    ApplyHandshakeAndFlag(kHandshakeNone, line, settings.options.fiveQv);

    TerminalOptions& options = settings.options;
    options.mirror = false;
    options.localEcho = true;
    options.crLf = true;
    options.viewType = kTextView;
    settings.chunkStampPending = false;
    settings.packetIntervalMs = 0;
}

void ProgrammingMode::leave(ProgrammableSettings& settings) {
    LineSettings& line = settings.line;
    line.baudRate = saved_.line.baudRate;
    line.parity = saved_.line.parity;
    line.dataBits = saved_.line.dataBits;
    line.stopBits = saved_.line.stopBits;
    ApplyHandshakeAndFlag(savedHandshake_, line, settings.options.fiveQv);

    TerminalOptions& options = settings.options;
    options.mirror = saved_.options.mirror;
    options.localEcho = saved_.options.localEcho;
    options.crLf = saved_.options.crLf;
    options.viewType = saved_.options.viewType;
    settings.chunkStampPending = saved_.chunkStampPending;
    settings.packetIntervalMs = saved_.packetIntervalMs;
    active_ = false;
}
