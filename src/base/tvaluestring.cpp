#include "base/tvaluestring.h"

#include <cstring>

namespace {

std::unique_ptr<TDynamicList<unsigned char>> newByteList(const char* name) {
    auto list = std::make_unique<TDynamicList<unsigned char>>(name);
    list->SetUniqueNames(false);
    return list;
}

} // namespace

TValueString::TValueString() : bytes_(newByteList("TValueString::TValueString( )")) {}

TValueString::TValueString(const char* data)
    : bytes_(newByteList("TValueString::TValueString( char* pi8_data )")) {
    AppendBytes(data, 0);
}

TValueString::TValueString(const std::string& data)
    : bytes_(newByteList("TValueString::TValueString( String str_data )")) {
    AppendString(data);
}

TValueString::TValueString(const TValueString& other)
    : bytes_(newByteList("TValueString::TValueString( const TValueString &vstr_data )")) {
    AppendValue(other);
}

TValueString& TValueString::operator=(const TValueString& other) {
    Assign(other);
    return *this;
}

TValueString::~TValueString() = default;

size_t TValueString::Count() const {
    return bytes_->Count();
}

unsigned char* TValueString::ByteAt(size_t i) const {
    const auto* item = bytes_->ItemAt(i);
    return item ? item->object : nullptr;
}

void TValueString::AppendBytes(const char* data, size_t n) {
    if (!data)
        return;
    if (n == 0)
        n = std::strlen(data);
    for (size_t i = 0; i < n; ++i)
        bytes_->Add(new unsigned char(static_cast<unsigned char>(data[i])), {});
}

void TValueString::AppendString(const std::string& text) {
    if (!text.empty())
        AppendBytes(text.data(), text.size());
}

void TValueString::AppendValue(const TValueString& other) {
    AppendString(other.AsString());
}

void TValueString::AssignChars(const char* data) {
    bytes_->Clear();
    AppendBytes(data, 0);
}

void TValueString::Assign(const TValueString& other) {
    if (&other == this)
        return;
    bytes_->Clear();
    AppendValue(other);
}

void TValueString::Resize(size_t n) {
    bytes_->Clear();
    bytes_->Grow(n);
}

std::string TValueString::AsString() const {
    std::string text;
    text.reserve(Count());
    for (size_t i = 0; i < Count(); ++i)
        text += static_cast<char>(*ByteAt(i));
    return text;
}

TValueString TValueString::Mid(int start, int len) const {
    const auto count = static_cast<long long>(Count());
    if (start < 1 || start > count || len <= 0)
        return TValueString();
    return TValueString(AsString().substr(static_cast<size_t>(start - 1), static_cast<size_t>(len)));
}

void TValueString::Delete(int start, int len) {
    if (start < 1 || start - 1 >= static_cast<long long>(Count()))
        return;
    const auto index = static_cast<size_t>(start - 1);
    for (int i = 0; i < len; ++i)
        if (!bytes_->Delete(index))
            break;
}

TValueString TValueString::Extract(int start, int len, int extra) {
    TValueString part = Mid(start, len);
    if (part.Count() == 0)
        return part;
    Delete(start, static_cast<int>(part.Count()));
    if (extra != 0)
        Delete(start, extra);
    return part;
}

uint32_t TValueString::AsUInt32() const {
    if (Count() > 4)
        return 0;
    uint32_t value = 0;
    for (size_t i = 0; i < Count(); ++i)
        value = (value << 8) | *ByteAt(i);
    return value;
}
