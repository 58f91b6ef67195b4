#pragma once
// An in-memory byte stream with a position, for loading a file, building a new
// byte image from buffers and texts, reading parts of it back and saving it.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class EStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TStreamString {
public:
    size_t Size() const { return bytes_.size(); }
    void Clear();

    // Positions count from the beginning; a position may lie beyond the end,
    // where reads find nothing.
    size_t Seek(size_t position);
    void Rewind() { position_ = 0; }
    void SeekEnd() { position_ = bytes_.size(); }

    // Both append at the end, wherever the position was.
    size_t AppendBuffer(const void* buffer, size_t n);
    void AppendString(const std::string& text);

    // Valid until the stream changes size.
    const uint8_t* Memory() const { return bytes_.data(); }
    // All bytes, zeros included; leaves the position at the end.
    std::string AsString();
    // Up to n bytes from the position; returns how many were read.
    size_t ReadBuffer(void* buffer, size_t n);
    // The byte at the position (0 beyond the end); the position moves past it.
    uint8_t ByteAt(size_t position);

    // Both throw EStreamError. A save replaces the file whole or leaves it as it was.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

private:
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
};
