#include "designer/project_properties.h"

#include "base/text_lines.h"
#include "base/text_numbers.h"
#include "designer/byte_reader.h"
#include "platform/ascii.h"

#include <algorithm>

namespace {

void WriteTextRecord(std::string& out, const std::string& text) {
    const std::string stored = StoredText(text);
    out += 'S';
    out += static_cast<char>(stored.size());
    out += stored;
}

void WriteByteRecord(std::string& out, int value) {
    out += 'B';
    out += static_cast<char>(value);
}

// The reader takes byte 1 of a head as the length or the value; byte 0 is not looked at.
std::string ReadTextRecord(ByteReader& in) {
    in.Byte();
    return in.Bytes(in.Byte());
}

int ReadByteRecord(ByteReader& in) {
    in.Byte();
    return in.Byte();
}

} // namespace

const std::vector<std::string>& ProjectProperties::AddressTypeNames() {
    static const std::vector<std::string> names{"User Defined", "IEC60870-5-101", "RP570 / 571"};
    return names;
}

int ProjectProperties::MaxLengthForAddressType() const {
    return addressType == 1 ? 2 : kMaxLength;
}

void ProjectProperties::Write(std::string& out) const {
    const auto& types = AddressTypeNames();
    WriteTextRecord(out, name);
    WriteTextRecord(out, addressType >= 0 && addressType < static_cast<int>(types.size()) ? types[addressType]
                                                                                          : "");
    WriteByteRecord(out, offset);
    WriteByteRecord(out, length);
    WriteByteRecord(out, routingType);
    WriteTextRecord(out, netId.substr(0, kNetIdLength));
    WriteByteRecord(out, addressFormat);
}

bool ProjectProperties::Read(ByteReader& in) {
    name = ReadTextRecord(in);
    const std::string typeText = ReadTextRecord(in);
    const auto& types = AddressTypeNames();
    const auto found = std::find_if(types.begin(), types.end(),
                                    [&](const std::string& type) { return SameText(type, typeText); });
    addressType = found == types.end() ? -1 : static_cast<int>(found - types.begin());
    // The values pass through the dialog's controls, which hold them to their ranges.
    offset = std::min(ReadByteRecord(in), kMaxOffset);
    length = std::clamp(ReadByteRecord(in), 1, kMaxLength);
    routingType = std::min(ReadByteRecord(in), 1);
    netId = ReadTextRecord(in).substr(0, kNetIdLength);
    addressFormat = std::min(ReadByteRecord(in), 1);
    return !in.Cut();
}

std::optional<unsigned> ParseHexAddress(const std::string& text) {
    std::string trimmed = Trimmed(text);
    if (trimmed.find("0x") == std::string::npos)
        trimmed = "0x" + trimmed;
    return ParseHex(trimmed);
}
