#pragma once
// The parameters of a modem type as its modem-type file (".smf") describes them:
// one field per key of section "Properties" in file order, with its type letter,
// access level, display name, visibility mask, hint, NMS description and, for the
// two list letters, its items. The properties window builds its rows from this,
// and the property rows are computed from it without a window.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One choice of an 'R' or 'C' list. An 'R' item's number is its index.
struct ParameterItem {
    int number = 0;
    std::string text;
};

struct ParameterField {
    // No NMS description in the type file.
    static constexpr uint16_t kNoNmsId = 0xFFFF;

    std::string key;
    // 'B' 8-bit number, 'W' 16-bit number, 'S' text, 'H' hexadecimal text, 'M' on/off,
    // 'R' choice stored as its index, 'C' choice stored as its number; other letters
    // have no control.
    char letter = 0;
    // '0', '5' or '9'; compared as a character with the security character.
    char level = 0;
    std::string label;
    std::string hint;
    // Bit 0: shown in the project mode, bit 1: in the single-modem mode.
    int visibilityMask = 0;
    uint16_t nmsId = kNoNmsId;
    // Width in bits (8, 16, 32), bit 0 set for a signed value; 0 when none.
    int nmsSize = 0;
    std::vector<ParameterItem> items;

    bool HasControl() const;
};

// Where the fields are shown: the designer's mode, the program's factory mode and
// the chosen security level as the character '0', '5' or '9'.
struct SchemaView {
    bool singleModem = false;
    bool factoryMode = false;
    char securityChar = '0';
};

// The security level (0, 5 or 9) as the character the access levels compare with.
inline char SecurityChar(int securityLevel) {
    return static_cast<char>('0' + securityLevel);
}

struct ParameterSchema {
    std::vector<ParameterField> fields;

    // A field is shown when its mask allows the mode (every field in factory mode)
    // and, for access level '9', only at security level 9. Fields without a control
    // are never shown.
    static bool Shown(const ParameterField& field, const SchemaView& view);
    // A field above the security level is shown disabled.
    static bool Enabled(const ParameterField& field, const SchemaView& view);
    // The field above which "Factory settings:" stands at security level 9: the
    // first shown level-9 field; none (fields.size()) otherwise.
    size_t FactorySeparatorIndex(const SchemaView& view) const;
    // The first field of access level '9' (the start of the factory block);
    // fields.size() when there is none.
    size_t FirstFactoryField() const;
    // The indexes of the shown fields, in order.
    std::vector<size_t> ShownFields(const SchemaView& view) const;
    // The field a value reported by a modem belongs to: number 1 is the first field,
    // 1001 the first factory field, any other the one after the previous report's
    // field. None past the last field (or with no field to go on from).
    std::optional<size_t> ReportedField(std::optional<size_t> previous, int number) const;
};

// Reads the schema from a modem-type file. A missing file or an empty section
// "Properties" shows "ERROR: Check ini-file" and gives no fields.
ParameterSchema ReadParameterSchema(const std::string& path);

// The NMS description of a field ("U16,1,4": unsigned 16 bits, value id 1.4). A
// sign letter other than 'U' or 'I' is reported; the numbers are still taken.
void ReadNmsDescription(const std::string& text, ParameterField& field);
