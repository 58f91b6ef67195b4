#pragma once
// Reads the bytes of a file held in memory, never past a given end. A read that
// would pass the end takes nothing and marks the reader as cut, so a truncated or
// hostile file is told apart from a whole one and no count read from it can lead
// outside it.

#include <cstddef>
#include <cstdint>
#include <string>

// The files keep a text's length in one byte: a longer text is stored cut to its
// first 255 bytes rather than with a length that does not match it.
constexpr size_t kMaxStoredText = 255;
inline std::string StoredText(const std::string& text) {
    return text.substr(0, kMaxStoredText);
}

class ByteReader {
public:
    ByteReader(const std::string& bytes, size_t end)
        : bytes_(bytes), end_(end < bytes.size() ? end : bytes.size()) {}
    explicit ByteReader(const std::string& bytes) : ByteReader(bytes, bytes.size()) {}

    size_t Position() const { return position_; }
    void Seek(size_t position) { position_ = position < end_ ? position : end_; }
    size_t End() const { return end_; }
    void SetEnd(size_t end) { end_ = end < bytes_.size() ? end : bytes_.size(); }
    bool AtEnd() const { return position_ >= end_; }
    bool Cut() const { return cut_; }

    // One byte, or 0 (and cut) at the end.
    uint8_t Byte() {
        if (position_ >= end_) {
            cut_ = true;
            return 0;
        }
        return static_cast<uint8_t>(bytes_[position_++]);
    }
    // Up to count bytes from the position, without moving on or marking a cut.
    std::string Peek(size_t count) const {
        return bytes_.substr(position_, count < end_ - position_ ? count : end_ - position_);
    }
    // count bytes, or an empty text (and cut) when fewer are left.
    std::string Bytes(size_t count) {
        if (count > end_ - position_) {
            cut_ = true;
            position_ = end_;
            return std::string();
        }
        std::string text = bytes_.substr(position_, count);
        position_ += count;
        return text;
    }
    uint32_t LittleEndian32() {
        const std::string b = Bytes(4);
        if (b.size() != 4)
            return 0;
        return static_cast<uint32_t>(static_cast<uint8_t>(b[0])) |
               static_cast<uint32_t>(static_cast<uint8_t>(b[1])) << 8 |
               static_cast<uint32_t>(static_cast<uint8_t>(b[2])) << 16 |
               static_cast<uint32_t>(static_cast<uint8_t>(b[3])) << 24;
    }

private:
    const std::string& bytes_;
    size_t end_;
    size_t position_ = 0;
    bool cut_ = false;
};
