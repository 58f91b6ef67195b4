// Received "$" bytes as the designer takes them: delivered in pieces of any size,
// they give frames that end in "L" and a matching CRC, the buffer stays within its
// capacity, and the items of every frame read back without a read outside it.
#include "designer/dollar_receiver.h"
#include "designer/dollar_frame.h"
#include "fuzz_require.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

void checkFrame(const DollarReceiver::Event& event) {
    const std::string& frame = event.frame;
    require(frame.size() >= kDollarHeader + kDollarTrailer && frame[0] == kDollarStart);
    require(frame[frame.size() - kDollarTrailer] == kDollarEnd);
    require(event.computed == event.received);
    for (const DollarItem& item : DecodeItems(frame))
        require(item.value.size() < frame.size());
    const ModemTypeAnswer answer = ReadModemTypeAnswer(frame);
    require(answer.name.size() < frame.size());
    require(ReplyCode(frame) < 0x80);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses the size of the pieces the port delivers.
    const size_t piece = data[0] % 16 + 1;
    DollarReceiver receiver;
    for (size_t at = 1; at < size; at += piece) {
        const size_t count = std::min(piece, size - at);
        receiver.Append(reinterpret_cast<const char*>(data + at), count);
        require(receiver.Buffer().size() <= DollarReceiver::kCapacity);
        size_t events = 0;
        while (const auto event = receiver.Next()) {
            require(++events <= size);
            if (event->kind == DollarReceiver::Event::Frame)
                checkFrame(*event);
        }
    }
    return 0;
}
