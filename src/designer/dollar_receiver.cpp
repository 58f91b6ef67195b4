#include "designer/dollar_receiver.h"

#include "base/crc16.h"
#include "designer/dollar_frame.h"

bool DollarReceiver::Append(const char* data, size_t count) {
    if (buffer_.size() + count > kCapacity) {
        buffer_.clear();
        return false;
    }
    buffer_.append(data, count);
    return true;
}

std::optional<DollarReceiver::Event> DollarReceiver::Next() {
    const size_t start = buffer_.find(kDollarStart);
    if (start == std::string::npos || start > buffer_.find('\0')) {
        buffer_.clear();
        return std::nullopt;
    }
    buffer_.erase(0, start);

    size_t position = kDollarHeader;
    ItemStep step = StepItem(buffer_, position);
    while (step.kind == ItemStep::Item) {
        position += step.length;
        step = StepItem(buffer_, position);
    }
    if (step.kind == ItemStep::Incomplete || step.kind == ItemStep::Unknown)
        return std::nullopt;
    if (step.kind == ItemStep::Misplaced) {
        // The walk cannot go past a "C" item: the buffer is dropped, as after a
        // CRC error.
        Event rejected{Event::Misplaced, buffer_.substr(0, position)};
        buffer_.clear();
        return rejected;
    }
    const size_t length = position + kDollarTrailer;
    if (buffer_.size() < length)
        return std::nullopt;

    Event event{Event::Frame, buffer_.substr(0, length)};
    event.computed = Crc16Nibble(0xFFFF, reinterpret_cast<const uint8_t*>(event.frame.data()), length - 2);
    event.received = static_cast<uint16_t>(static_cast<uint8_t>(event.frame[length - 2]) << 8 |
                                           static_cast<uint8_t>(event.frame[length - 1]));
    if (event.computed != event.received) {
        event.kind = Event::CrcError;
        buffer_.clear();
        return event;
    }
    buffer_.erase(0, length);
    return event;
}
