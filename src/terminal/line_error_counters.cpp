#include "terminal/line_error_counters.h"

void LineErrorCounters::count(uint32_t errorFlags) {
    if (errorFlags & kParity)
        ++parity_;
    if (errorFlags & kOverrun)
        ++overrun_;
    if (errorFlags & kFraming)
        ++framing_;
}

std::string LineErrorCounters::text() const {
    return "Elog: P = " + std::to_string(parity_) + ", O = " + std::to_string(overrun_) +
           ", F = " + std::to_string(framing_);
}
