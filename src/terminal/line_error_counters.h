#pragma once
// Parity, overrun and framing errors a terminal's port reported, as its status
// bar shows them.

#include <cstdint>
#include <string>

class LineErrorCounters {
public:
    // Line-error flags of the serial driver.
    static constexpr uint32_t kOverrun = 0x0002;
    static constexpr uint32_t kParity = 0x0004;
    static constexpr uint32_t kFraming = 0x0008;

    // Counts each error the flags report.
    void count(uint32_t errorFlags);
    void clear() { *this = LineErrorCounters(); }
    bool any() const { return parity_ != 0 || overrun_ != 0 || framing_ != 0; }
    // "Elog: P = 1, O = 0, F = 2"
    std::string text() const;

private:
    uint32_t parity_ = 0;
    uint32_t overrun_ = 0;
    uint32_t framing_ = 0;
};
