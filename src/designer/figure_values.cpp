#include "designer/figure_values.h"

#include "base/hex.h"
#include "designer/modem_type_files.h"
#include "designer/tkuvio.h"
#include "platform/message_box.h"

#include <filesystem>

std::string ParameterName(const TKuvio& figure, size_t index, uint16_t nmsId) {
    const std::string path = ProgramFileIgnoringCase(figure.GetSmfFileName());
    std::error_code error;
    if (!path.empty() && std::filesystem::is_regular_file(path, error)) {
        const ParameterSchema schema = ReadParameterSchema(path);
        if (index < schema.fields.size())
            return "\"" + schema.fields[index].label + "\"";
    }
    return "value " + std::to_string(nmsId >> 12) + "." + std::to_string(nmsId & 0xFFF);
}

std::optional<std::string> HexValueRefusal(const TKuvio& figure, size_t index) {
    const PropertyEntry& entry = figure.PropertyEntries().at(index);
    if (entry.tag != 'H' || HexFieldFits(entry.value))
        return std::nullopt;
    return "The value " + entry.value + " of " + ParameterName(figure, index, entry.nmsId) +
           " does not fit the modem's 32-bit field: nothing was sent";
}

bool CheckHexValuesFit(const TKuvio& figure) {
    for (size_t index = 0; index < figure.PropertyEntries().size(); ++index) {
        if (const std::optional<std::string> refusal = HexValueRefusal(figure, index)) {
            ShowMessage(*refusal);
            return false;
        }
    }
    return true;
}

bool AskContinueOnConflict(const TKuvio& figure) {
    return MessageBox("Conflict between modem data structure and " + figure.GetSmfFileName() +
                          " file. \r\n\r\nContinue anyway ?",
                      "Error in parameters types", MB_YESNO | MB_ICONWARNING) == IDYES;
}

std::vector<FieldValue> LoadFieldValues(const ParameterSchema& schema, TKuvio& figure,
                                        const ConflictQuestion& continueOnConflict) {
    std::vector<FieldValue> values;
    for (const ParameterField& field : schema.fields)
        values.push_back(DefaultFieldValue(field));
    // The question lets the event loop run, where the figure may be read again (the
    // properties window shows it) or take other values: the walk goes on through
    // the entries as they stood when it began.
    const std::vector<PropertyEntry> entries = figure.PropertyEntries();
    bool asked = false;
    for (size_t i = 0; i < schema.fields.size() && i < entries.size(); ++i) {
        const ParameterField& field = schema.fields[i];
        if (entries[i].tag != field.letter && !asked) {
            asked = true;
            if (!continueOnConflict(figure))
                break;
        }
        values[i] = FieldValueFromStored(field, entries[i].value);
    }
    return values;
}

void StoreFieldValues(TKuvio& figure, const ParameterSchema& schema, const std::vector<FieldValue>& values,
                      const SchemaView& view) {
    for (size_t i = 0; i < schema.fields.size() && i < values.size(); ++i) {
        const ParameterField& field = schema.fields[i];
        // A field without a control keeps the value it was read with: the value of
        // the field before it would store one key's value under another.
        if (!field.HasControl())
            ShowMessage(std::string("mita se t\xE4\xE4ll\xE4 ? ") + field.letter);
        figure.SetPropertyEntry(field.letter, field.level, StoredFieldText(field, values[i]),
                                ParameterSchema::Shown(field, view), true, static_cast<int8_t>(field.nmsSize),
                                field.nmsId);
    }
}

std::optional<size_t> FirstInvalidHexField(const ParameterSchema& schema,
                                           const std::vector<FieldValue>& values) {
    for (size_t i = 0; i < schema.fields.size() && i < values.size(); ++i)
        if (schema.fields[i].letter == 'H' && !IsHexString(values[i].text))
            return i;
    return std::nullopt;
}
