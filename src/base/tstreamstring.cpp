#include "base/tstreamstring.h"

#include "platform/atomic_file.h"
#include "platform/file_contents.h"

#include <algorithm>
#include <cstring>

void TStreamString::Clear() {
    bytes_.clear();
    position_ = 0;
}

size_t TStreamString::Seek(size_t position) {
    position_ = position;
    return position_;
}

size_t TStreamString::AppendBuffer(const void* buffer, size_t n) {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    if (n > 0)
        bytes_.insert(bytes_.end(), bytes, bytes + n);
    position_ = bytes_.size();
    return n;
}

void TStreamString::AppendString(const std::string& text) {
    AppendBuffer(text.data(), text.size());
}

std::string TStreamString::AsString() {
    position_ = bytes_.size();
    return std::string(bytes_.begin(), bytes_.end());
}

size_t TStreamString::ReadBuffer(void* buffer, size_t n) {
    if (position_ >= bytes_.size())
        return 0;
    const size_t count = std::min(n, bytes_.size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return count;
}

uint8_t TStreamString::ByteAt(size_t position) {
    Seek(position);
    uint8_t byte = 0;
    ReadBuffer(&byte, 1);
    return byte;
}

void TStreamString::LoadFromFile(const std::string& fileName) {
    std::string content;
    try {
        content = ReadFileContents(fileName);
    } catch (const EFileReadError& failure) {
        throw EStreamError(failure.what());
    }
    bytes_.assign(content.begin(), content.end());
    position_ = 0;
}

void TStreamString::SaveToFile(const std::string& fileName) const {
    try {
        ReplaceFileContents(fileName, std::string(bytes_.begin(), bytes_.end()));
    } catch (const EFileWriteError& error) {
        throw EStreamError(error.what());
    }
}
