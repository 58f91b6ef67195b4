#include "designer/field_value.h"

#include "base/hex.h"
#include "base/text_numbers.h"

#include <algorithm>

namespace {

// The kinds of editor control; a reported letter must meet the control its field has.
enum class ControlKind { None, Edit, Spin, Check, List };

ControlKind KindOf(char letter) {
    switch (letter) {
    case 'S':
    case 'H':
        return ControlKind::Edit;
    case 'B':
    case 'W':
        return ControlKind::Spin;
    case 'M':
        return ControlKind::Check;
    case 'R':
    case 'C':
        return ControlKind::List;
    default:
        return ControlKind::None;
    }
}

int IntegerOrZero(const std::string& text) {
    return ParseDecimal(text).value_or(0);
}

// The index of the last item with the number; the first item when none has it.
int IndexOfNumber(const ParameterField& field, int number) {
    for (size_t i = field.items.size(); i-- > 0;)
        if (field.items[i].number == number)
            return static_cast<int>(i);
    return 0;
}

// The value of a text written for the type letter (the field's own for stored
// texts, the reported one for a modem's), as the field's control holds it. A
// number that is no number counts as 0; a 'C' number selects its item's index.
FieldValue ValueFromText(const ParameterField& field, char letter, const std::string& text) {
    FieldValue value;
    switch (KindOf(field.letter)) {
    case ControlKind::None:
    case ControlKind::Edit:
        value.text = text;
        break;
    case ControlKind::Check:
        value.number = text == "1" ? 1 : 0;
        break;
    case ControlKind::Spin:
        value.number = IntegerOrZero(text);
        break;
    case ControlKind::List:
        value.number = letter == 'C' ? IndexOfNumber(field, IntegerOrZero(text)) : IntegerOrZero(text);
        break;
    }
    return ClampedFieldValue(field, std::move(value));
}

} // namespace

FieldValue DefaultFieldValue(const ParameterField& field) {
    return ClampedFieldValue(field, {field.letter == 'H' ? "0" : "", 0});
}

FieldValue ClampedFieldValue(const ParameterField& field, FieldValue value) {
    switch (field.letter) {
    case 'B':
        value.number = std::clamp(value.number, 0, 255);
        break;
    case 'W':
        value.number = std::clamp(value.number, 0, 65535);
        break;
    case 'M':
        value.number = value.number != 0 ? 1 : 0;
        break;
    case 'R':
    case 'C':
        value.number =
            field.items.empty() ? -1 : std::clamp(value.number, 0, static_cast<int>(field.items.size()) - 1);
        break;
    default:
        break;
    }
    return value;
}

FieldValue FieldValueFromStored(const ParameterField& field, const std::string& stored) {
    return ValueFromText(field, field.letter, stored);
}

std::string StoredFieldText(const ParameterField& field, const FieldValue& value) {
    switch (KindOf(field.letter)) {
    case ControlKind::None:
    case ControlKind::Edit:
        return value.text;
    case ControlKind::Check:
        return value.number != 0 ? "1" : "0";
    case ControlKind::List:
        if (field.letter == 'C')
            return value.number >= 0 && value.number < static_cast<int>(field.items.size())
                       ? std::to_string(field.items[static_cast<size_t>(value.number)].number)
                       : "0";
        return std::to_string(value.number);
    case ControlKind::Spin:
        break;
    }
    return std::to_string(value.number);
}

std::string FieldDisplayText(const ParameterField& field, const FieldValue& value) {
    switch (KindOf(field.letter)) {
    case ControlKind::Check:
        return value.number != 0 ? "<ON>" : "<OFF>";
    case ControlKind::List:
        return value.number >= 0 && value.number < static_cast<int>(field.items.size())
                   ? field.items[static_cast<size_t>(value.number)].text
                   : std::string();
    case ControlKind::Spin:
        return std::to_string(value.number);
    case ControlKind::None:
    case ControlKind::Edit:
        break;
    }
    return value.text;
}

ResponseResult ApplyReportedValue(const ParameterField& field, char letter, const std::string& reported,
                                  FieldValue& value) {
    const ControlKind kind = KindOf(letter);
    if (kind == ControlKind::None)
        return ResponseResult::Ignored;
    if (kind != KindOf(field.letter))
        return ResponseResult::Mismatch;
    if (kind == ControlKind::List && !ParseDecimal(reported))
        return ResponseResult::NotANumber;
    value = ValueFromText(field, letter, reported);
    return ResponseResult::Applied;
}

uint32_t HexFieldNumber(const std::string& text) {
    return ParseHex("0x" + text).value_or(0);
}

bool HexFieldFits(const std::string& text) {
    return text.empty() || !IsHexString(text) || ParseHex("0x" + text).has_value();
}

std::string HexFieldText(uint32_t number) {
    return IntToHex(number, number >= 0x10000 ? 8 : 4);
}

bool RefusedHexKey(char key) {
    const auto code = static_cast<unsigned char>(key);
    return code >= 32 && code <= 126 && !IsHexString(std::string(1, key));
}
