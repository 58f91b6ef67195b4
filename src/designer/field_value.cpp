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

} // namespace

FieldValue DefaultFieldValue(const ParameterField& field) {
    return ClampedFieldValue(field, {field.letter == 'H' ? "0" : "", 0});
}

FieldValue ClampedFieldValue(const ParameterField& field, FieldValue value) {
    switch (field.letter) {
    case 'S':
        value.text.resize(std::min(value.text.size(), kMaxTextLength));
        break;
    case 'H':
        value.text.resize(std::min(value.text.size(), kMaxHexLength));
        break;
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
    FieldValue value;
    switch (KindOf(field.letter)) {
    case ControlKind::None:
    case ControlKind::Edit:
        value.text = stored;
        break;
    case ControlKind::Check:
        value.number = stored == "1" ? 1 : 0;
        break;
    case ControlKind::Spin:
        value.number = IntegerOrZero(stored);
        break;
    case ControlKind::List:
        value.number =
            field.letter == 'C' ? IndexOfNumber(field, IntegerOrZero(stored)) : IntegerOrZero(stored);
        break;
    }
    return ClampedFieldValue(field, std::move(value));
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
    FieldValue shown = value;
    switch (kind) {
    case ControlKind::Edit:
        shown.text = reported;
        break;
    case ControlKind::Spin:
        shown.number = IntegerOrZero(reported);
        break;
    case ControlKind::Check:
        shown.number = reported == "1" ? 1 : 0;
        break;
    case ControlKind::List: {
        const std::optional<int> number = ParseDecimal(reported);
        if (!number)
            return ResponseResult::NotANumber;
        shown.number = letter == 'C' ? IndexOfNumber(field, *number) : *number;
        break;
    }
    case ControlKind::None:
        break;
    }
    value = ClampedFieldValue(field, std::move(shown));
    return ResponseResult::Applied;
}

bool RefusedHexKey(char key) {
    const auto code = static_cast<unsigned char>(key);
    return code >= 32 && code <= 126 && !IsHexString(std::string(1, key));
}
