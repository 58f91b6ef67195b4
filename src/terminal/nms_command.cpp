#include "terminal/nms_command.h"

#include "base/hex.h"
#include "base/nms_frame.h"
#include "base/text_lines.h"
#include "platform/ascii.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

const char* const kTooLong = "NMS reply too long\r\n";
const char* const kMalformed = "NMS reply malformed\r\n";

NmsCommandParse refused(const std::string& why) {
    return {std::nullopt, why};
}

// "U8".."U32", "I8".."I32", "S" or "H" at characters 5 to 7 of the line.
std::optional<int> typeCode(const std::string& upperLine) {
    if (upperLine.size() < 5) {
        return std::nullopt;
    }
    const std::string token = upperLine.substr(4, 3);
    switch (token[0]) {
    case 'S':
        return NmsText;
    case 'H':
        return NmsByteString;
    case 'U':
    case 'I': {
        int width = 0;
        if (std::sscanf(token.c_str() + 1, "%d", &width) != 1 || (width != 8 && width != 16 && width != 32)) {
            return std::nullopt;
        }
        return token[0] == 'I' ? width | 1 : width;
    }
    default:
        return std::nullopt;
    }
}

// The id text around the first point: seven characters from two places before
// it, or six from one place before it when a blank stands there.
bool parseValueId(const std::string& line, NmsCommand& command) {
    const size_t point = line.find('.');
    if (point == std::string::npos || point < 2) {
        return false;
    }
    const bool blankBefore = line[point - 1] == ' ';
    command.idText = line.substr(point - (blankBefore ? 1 : 2), blankBefore ? 6 : 7);
    const auto id = ParseNmsValueId(command.idText);
    command.valueId = id.value_or(0);
    return id.has_value();
}

// A decimal number that fits the width, taken as signed or unsigned.
std::optional<std::string> numberValue(const std::string& text, int typeCode) {
    const int bits = static_cast<int>(NmsNumberSize(typeCode)) * 8;
    const char* begin = text.c_str() + (text.size() > 1 && text[0] == '+' ? 1 : 0);
    const char* end = text.c_str() + text.size();
    long long number = 0;
    const auto [stop, error] = std::from_chars(begin, end, number);
    const long long lowest = -(1LL << (bits - 1));
    const long long highest = (1LL << bits) - 1;
    if (text.empty() || error != std::errc() || stop != end || number < lowest || number > highest) {
        return std::nullopt;
    }
    return NmsNumberBytes(static_cast<uint32_t>(number), typeCode);
}

// Groups of three characters: any leading character and two hexadecimal digits.
std::optional<std::string> byteStringValue(const std::string& text) {
    if (text.size() % 3 != 0) {
        return std::nullopt;
    }
    std::string value;
    for (size_t at = 0; at < text.size(); at += 3) {
        const std::string digits = text.substr(at + 1, 2);
        if (!IsHexString(digits)) {
            return std::nullopt;
        }
        value.push_back(static_cast<char>(KelvoBase::StringHexToInt(digits)));
    }
    return value;
}

std::optional<std::string> setValue(const std::string& text, int typeCode) {
    switch (typeCode) {
    case NmsText:
        return text;
    case NmsByteString:
        return byteStringValue(text);
    default:
        return numberValue(text, typeCode);
    }
}

// The claimed length of the frame at the front of the bytes, 0 before it is known.
size_t claimedFrameLength(const std::string& bytes) {
    if (bytes.size() < 3) {
        return 0;
    }
    return static_cast<uint8_t>(bytes[1]) * 256u + static_cast<uint8_t>(bytes[2]) + NmsFrameOverhead;
}

} // namespace

bool IsNmsCommandLine(const std::string& line) {
    const std::string start = UpperText(line.substr(0, 3));
    return start == "GET" || start == "SET";
}

NmsCommandParse ParseNmsCommandLine(const std::string& line) {
    const std::string upper = UpperText(line);
    NmsCommand command;
    command.set = upper.rfind("SET", 0) == 0;
    const auto code = typeCode(upper);
    if (!code) {
        return refused("value type must be U8, U16, U32, I8, I16, I32, S or H");
    }
    command.typeCode = *code;
    if (!parseValueId(line, command)) {
        return refused("value id must be written group.number");
    }
    if (!command.set) {
        return {command, ""};
    }
    const size_t blank = line.find(' ', line.find('.'));
    const std::string text = blank == std::string::npos ? "" : Trimmed(line.substr(blank + 1));
    const auto value = setValue(text, command.typeCode);
    if (!value) {
        return refused("value does not fit the value type");
    }
    if (value->size() > kMaxNmsValueLength) {
        return refused("value longer than " + std::to_string(kMaxNmsValueLength) + " bytes");
    }
    command.value = *value;
    return {command, ""};
}

std::string BuildNmsRequestFrame(const NmsCommand& command, uint8_t sequence) {
    if (!command.set) {
        return BuildNmsGetFrame(sequence, command.valueId);
    }
    return BuildNmsSetFrame(sequence, command.valueId, command.value).value_or("");
}

std::string NmsRefusalText(const std::string& why) {
    return "NMS command refused: " + why + "\r\n";
}

void NmsReplyAssembler::Start(int typeCode, std::string idText, uint8_t sequence) {
    buffer_.clear();
    awaited_ = 2;
    typeCode_ = typeCode;
    idText_ = std::move(idText);
    sequence_ = sequence;
}

void NmsReplyAssembler::Stop() {
    buffer_.clear();
    awaited_ = 0;
}

std::vector<std::string> NmsReplyAssembler::Feed(const std::string& chunk) {
    std::vector<std::string> out;
    size_t used = 0;
    while (Awaiting() && used < chunk.size()) {
        const size_t take = std::min(kCapacity - buffer_.size(), chunk.size() - used);
        buffer_.append(chunk, used, take);
        used += take;
        Step step = Step::Continue;
        while (step == Step::Continue) {
            step = takeFrame(out);
        }
        if (step == Step::Done) {
            Stop();
        }
    }
    return out;
}

// Looks at the frame at the front of the buffer: waits for the rest of it, or
// takes it and says whether the exchange goes on.
NmsReplyAssembler::Step NmsReplyAssembler::takeFrame(std::vector<std::string>& out) {
    const NmsFrameCheck check = CheckNmsFrame(buffer_);
    if (check.result == NmsFrameCheck::Bad) {
        return Step::Done;
    }
    if (check.result == NmsFrameCheck::Incomplete) {
        if (claimedFrameLength(buffer_) > kCapacity) {
            out.push_back(kTooLong);
            return Step::Done;
        }
        return Step::NeedMore;
    }
    const auto reply = ReadNmsReply(buffer_);
    if (!reply) {
        out.push_back(kMalformed);
        return Step::Done;
    }
    if (reply->sequence != sequence_) {
        // A late reply to an earlier request, one cancelled or given up, is no
        // answer to this one.
        buffer_.erase(0, check.length);
        return Step::Continue;
    }
    if (reply->IsError()) {
        out.push_back("NMSError " + std::to_string(reply->errorCode) + "\r\n");
        return Step::Done;
    }
    if (awaited_ == 2) {
        // A first frame that is no acknowledgement is read as the data frame.
        awaited_ = 1;
        if (reply->IsAcknowledge()) {
            out.push_back("\r\nNMSOK ");
            buffer_.erase(0, check.length);
        }
        return Step::Continue;
    }
    if (!reply->hasValue || reply->value.size() < NmsNumberSize(typeCode_)) {
        out.push_back(kMalformed);
        return Step::Done;
    }
    if (std::string value = valueText(reply->value); !value.empty()) {
        out.push_back(std::move(value));
    }
    return Step::Done;
}

std::string NmsReplyAssembler::valueText(const std::string& value) const {
    if (typeCode_ == NmsText) {
        return value;
    }
    if (typeCode_ == NmsByteString) {
        std::string text;
        char escape[4];
        for (char byte : value) {
            std::snprintf(escape, sizeof escape, "\\%02X", static_cast<uint8_t>(byte));
            text += escape;
        }
        return text;
    }
    return idText_ + " " + std::to_string(NmsNumberValue(value, typeCode_));
}
