#pragma once
// Assembles "$" frames from the bytes a port delivers in pieces. Bytes are
// appended as they come; Next takes what is at the front: the "$" is looked for
// before the first zero byte only, bytes before it are dropped, and a buffer
// without one is dropped whole. A frame whose items run to its "L" and the two
// CRC bytes after it is checked and handed out, and bytes after it stay for the
// next frame. A frame still arriving, or one with a byte that is no item tag,
// stays in the buffer. The buffer never grows past its capacity: a flood that
// fills it is dropped.

#include <cstdint>
#include <optional>
#include <string>

class DollarReceiver {
public:
    static constexpr size_t kCapacity = 4096;

    struct Event {
        enum Kind {
            Frame,     // a complete frame with a good CRC
            CrcError,  // a complete frame whose CRC does not match; the buffer is emptied
            Misplaced, // a frame with a "C" item; the buffer is emptied
        };
        Kind kind = Frame;
        std::string frame;
        uint16_t computed = 0;
        uint16_t received = 0;
    };

    // Appends received bytes; false when they would overfill the buffer, which is
    // then emptied and the bytes dropped.
    bool Append(const char* data, size_t count);
    // The next event at the front of the buffer; none while no frame is complete.
    std::optional<Event> Next();

    void Clear() { buffer_.clear(); }
    // The bytes not yet taken (the ping's text replies are read from here too).
    std::string& Buffer() { return buffer_; }

private:
    std::string buffer_;
};
