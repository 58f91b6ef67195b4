#pragma once
// The value of one modem parameter as its editor control holds it, and the rules
// by which stored texts, modem replies and typed input become such values. The
// same rules serve the properties window and the property rows, so both show a
// value alike.

#include "designer/parameter_schema.h"

#include <string>

// What a parameter's control holds: the text of an 'S' or 'H' edit (for a field
// without a control, the stored value as it was read), the spin value of 'B' and
// 'W', the item index of 'R' and 'C' (-1 with an empty list), 1 for a ticked 'M'.
struct FieldValue {
    std::string text;
    int number = 0;

    bool operator==(const FieldValue&) const = default;
};

// Longest texts typed into the 'S' and 'H' edits. Texts the program puts in (stored
// or reported values) have no limit and stay whole.
constexpr size_t kMaxTextLength = 20;
constexpr size_t kMaxHexLength = 8;

// The value of a newly built control.
FieldValue DefaultFieldValue(const ParameterField& field);
// What the field's control keeps of a value: numbers held in their range, list
// indexes held in the list, texts whole.
FieldValue ClampedFieldValue(const ParameterField& field, FieldValue value);
// A stored value (see StoredFieldText) shown in the field's control; a number that
// is no number counts as 0, a 'C' number that no item has selects the first item.
FieldValue FieldValueFromStored(const ParameterField& field, const std::string& stored);
// The value as the figure stores it: 'S' and 'H' the text, 'B' and 'W' the number,
// 'R' the item index, 'C' the item's number, 'M' "1" or "0".
std::string StoredFieldText(const ParameterField& field, const FieldValue& value);
// The value as a property row shows it: 'B' and 'W' in decimal, 'R' and 'C' the
// item's text, 'M' "<ON>" or "<OFF>".
std::string FieldDisplayText(const ParameterField& field, const FieldValue& value);

// A value that a modem reports for a field, with the reported type letter.
enum class ResponseResult {
    Applied,
    // 'K' and unknown letters carry nothing to show.
    Ignored,
    // The letter needs another kind of control than the field has.
    Mismatch,
    // A list value that is no number; the field keeps its value.
    NotANumber,
};
ResponseResult ApplyReportedValue(const ParameterField& field, char letter, const std::string& reported,
                                  FieldValue& value);

// An 'H' field's text as the number it stands for, read as hexadecimal (0 when it
// is none), and a number as an 'H' field shows it: upper-case hexadecimal, eight
// digits from 0x10000 on, else four. Both protocols carry 'H' values so.
uint32_t HexFieldNumber(const std::string& text);
std::string HexFieldText(uint32_t number);
// False for a text of hexadecimal digits whose number needs more than 32 bits.
bool HexFieldFits(const std::string& text);

// A typed key that an 'H' field refuses: a printable character that is no
// hexadecimal digit.
bool RefusedHexKey(char key);
