#include "firmware/srecord_image.h"

#include "platform/message_box.h"

#include <algorithm>
#include <array>

namespace {
constexpr uint32_t kImageGranule = 128;
// "S", the type and the count before the bytes of the record buffer.
constexpr size_t kRecordPrefix = 4;

// The value of one digit: '0'-'9' and 'A'-'F' convert correctly; other characters
// give wrong values, which the record's sum then catches.
int digitValue(char c) {
    const int code = static_cast<unsigned char>(c);
    return code < 'A' ? code - '0' : code - 55;
}

int pairValue(std::string_view record, size_t at) {
    return digitValue(record[at]) * 16 + digitValue(record[at + 1]);
}

class SRecordReader {
public:
    SRecordReader(std::span<uint8_t> image) : image_(image) {}

    // Checks one record and writes its data. Returns false when reading ends here,
    // with the result's error set when the record was refused.
    bool read(std::string_view record, bool warnCount) {
        if (record.size() < kRecordPrefix)
            return refuse(SRecordError::Checksum);
        const int count = pairValue(record, 2);
        if (warnCount && count > 255)
            ShowMessage("l\xE4"
                        "skiks meni");
        if (count > kMaxSRecordBytes)
            return refuse(SRecordError::TooLong);
        if (count < 0 || record.size() < kRecordPrefix + 2 * static_cast<size_t>(count))
            return refuse(SRecordError::Checksum);
        std::array<uint8_t, kMaxSRecordBytes + 1> bytes{};
        int sum = 0;
        for (int i = 0; i <= count; ++i) {
            const int value = pairValue(record, 2 + 2 * static_cast<size_t>(i));
            bytes[i] = static_cast<uint8_t>(value);
            sum += value;
        }
        if ((sum & 0xFF) != 0xFF)
            return refuse(SRecordError::Checksum);
        const char type = record[1];
        if (type == '1' || type == '2') {
            const int addressLength = SRecordAddressBytes(type);
            if (count < addressLength + 1)
                return refuse(SRecordError::CountTooSmall);
            uint32_t address = 0;
            for (int i = 1; i <= addressLength; ++i)
                address = address << 8 | bytes[i];
            if (!store(address, std::span(bytes).subspan(addressLength + 1, count - addressLength - 1)))
                return refuse(SRecordError::OutsideImage);
        }
        return type != '8' && type != '9';
    }

    SRecordImage result() const {
        SRecordImage image = result_;
        if (image.error == SRecordError::None)
            image.size = (highest_ / kImageGranule + 1) * kImageGranule;
        return image;
    }

    // Ends the reading with an error and shows its box.
    bool refuse(SRecordError error) {
        result_.error = error;
        ShowMessage(SRecordErrorText(error));
        return false;
    }

private:
    bool store(uint32_t address, std::span<const uint8_t> data) {
        if (address > image_.size() || data.size() > image_.size() - address)
            return false;
        result_.lowest = std::min(result_.lowest, address);
        if (data.empty())
            return true;
        std::copy(data.begin(), data.end(), image_.begin() + address);
        highest_ = std::max<uint32_t>(highest_, address + static_cast<uint32_t>(data.size()) - 1);
        return true;
    }

    std::span<uint8_t> image_;
    uint32_t highest_ = 0;
    SRecordImage result_;
};

std::string_view untilNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

void readAtEachS(std::string_view text, SRecordReader& reader) {
    size_t position = 0;
    while (true) {
        const size_t next = text.find('S', position + 1);
        const std::string_view record =
            position >= text.size() ? std::string_view() : text.substr(position, next - position);
        if (record == "S" || !reader.read(record, false))
            return;
        position = next == std::string_view::npos ? text.size() : next;
    }
}

// The number of line-end characters at the start of the text: CR LF, LF or CR.
size_t lineEndLength(std::string_view text) {
    if (text.starts_with("\r\n"))
        return 2;
    return text.starts_with('\r') || text.starts_with('\n') ? 1 : 0;
}

void readByLines(std::string_view text, SRecordReader& reader) {
    std::array<char, kRecordPrefix + 2 * (kMaxSRecordBytes + 1)> line{};
    while (!text.empty()) {
        const size_t length = CopyTextLine(text, line);
        if (length == 0)
            return;
        if (line[0] != 'S')
            ShowMessage("a37 is wrong format");
        if (length > line.size()) {
            reader.refuse(SRecordError::TooLong);
            return;
        }
        if (!reader.read(std::string_view(line.data(), length), true))
            return;
        text.remove_prefix(length);
        text.remove_prefix(lineEndLength(text));
    }
}
} // namespace

int SRecordAddressBytes(char type) {
    switch (type) {
    case '1':
        return 2;
    case '2':
        return 3;
    case '3':
        return 4;
    default:
        return 0;
    }
}

std::string SRecordErrorText(SRecordError error) {
    switch (error) {
    case SRecordError::None:
        return {};
    case SRecordError::Checksum:
        return "CRC error in a37 file ";
    case SRecordError::CountTooSmall:
        return "S-record is too short for its address!";
    case SRecordError::TooLong:
        return "S-record is too long!";
    case SRecordError::OutsideImage:
        return "S-record address is outside the image!";
    }
    return {};
}

SRecordImage ReadSRecordImage(std::string_view text, std::span<uint8_t> image, SRecordCutting cutting) {
    SRecordReader reader(image);
    text = untilNul(text);
    if (cutting == SRecordCutting::AtEachS)
        readAtEachS(text, reader);
    else
        readByLines(text, reader);
    return reader.result();
}

uint32_t ParseSRecordImage(std::string_view text, std::span<uint8_t> image) {
    return ReadSRecordImage(text, image, SRecordCutting::AtEachS).size;
}

uint32_t LoadSRecordImage(std::string_view text, std::span<uint8_t> image) {
    return ReadSRecordImage(text, image, SRecordCutting::ByLines).size;
}

uint32_t LoadSRecordImageAt(std::string_view text, std::span<uint8_t> image, uint32_t& lowest) {
    const SRecordImage result = ReadSRecordImage(text, image, SRecordCutting::ByLines);
    lowest = result.lowest;
    return result.size;
}

size_t CopyTextLine(std::string_view text, std::span<char> line) {
    const size_t length = std::min(text.find_first_of(std::string_view("\r\n\0", 3)), text.size());
    std::copy_n(text.begin(), std::min(length, line.size()), line.begin());
    return length;
}
