#pragma once
// A byte-string value: any bytes, zeros included. Positions are counted from 1
// except where a member says otherwise.

#include "base/tdynamiclist.h"

#include <cstdint>
#include <memory>
#include <string>

class TValueString {
public:
    TValueString();
    // The bytes up to the terminating zero.
    explicit TValueString(const char* data);
    // All bytes of the text, zeros included.
    explicit TValueString(const std::string& data);
    TValueString(const TValueString& other);
    TValueString& operator=(const TValueString& other);
    ~TValueString();

    size_t Count() const;
    size_t Length() const { return Count(); }

    // The byte at 0-based position i, null when there is none.
    unsigned char* ByteAt(size_t i) const;
    // The byte at 1-based position i, null when there is none.
    unsigned char* ByteAt1(size_t i) const { return i == 0 ? nullptr : ByteAt(i - 1); }

    // Appends n bytes of data; n = 0 appends up to its terminating zero. A null
    // pointer appends nothing.
    void AppendBytes(const char* data, size_t n);
    void AppendString(const std::string& text);
    void AppendValue(const TValueString& other);

    void AssignChars(const char* data);
    void Assign(const TValueString& other);
    // n zero bytes in place of the contents.
    void Resize(size_t n);

    std::string AsString() const;
    std::string CopyToString() const { return AsString(); }

    // The len bytes from position start, fewer at the end of the value; empty when
    // start lies beyond the end or len is not positive.
    TValueString Mid(int start, int len) const;
    // Removes up to len bytes from position start.
    void Delete(int start, int len);
    // Mid(start, len), removed from this value; then `extra` bytes that followed
    // them are removed as well.
    TValueString Extract(int start, int len, int extra);

    // The bytes as a big-endian number; 0 for more than four bytes.
    uint32_t AsUInt32() const;

private:
    std::unique_ptr<TDynamicList<unsigned char>> bytes_;
};
