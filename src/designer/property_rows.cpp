#include "designer/property_rows.h"

#include "base/hex.h"
#include "base/text_lines.h"
#include "designer/modem_type_files.h"
#include "designer/tkuvio.h"

#include <filesystem>

namespace {

// The file name (without folder) that a single-modem designer shows in its caption
// after the first ":".
std::string FileNameFromCaption(const std::string& caption) {
    const size_t colon = caption.find(':');
    const std::string path = Trimmed(colon == std::string::npos ? std::string() : caption.substr(colon + 1));
    return std::filesystem::path(path).filename().string();
}

std::string JoinedAddresses(const TKuvio& figure) {
    std::string joined;
    for (const std::string& address : figure.TerminalAddresses())
        joined += (joined.empty() ? "" : ",") + address;
    return joined;
}

std::vector<PropertyRow> FixedRows(const TKuvio& figure, const PropertyRowContext& context) {
    if (context.singleModem)
        return {{'S', "File:", FileNameFromCaption(context.designerCaption)},
                {'S', "--", "--"},
                {'S', "--", "--"}};
    return {{'S', "Name:", figure.GetModemName()},
            {'S',
             "Terminal address:", figure.Multiport() ? JoinedAddresses(figure) : figure.GetTerminalAddress()},
            {'S', "Modem address:", IntToHex(figure.identifier, 4)}};
}

} // namespace

std::vector<PropertyRow> BuildPropertyRows(const TKuvio& figure, const ParameterSchema& schema,
                                           const std::vector<FieldValue>& values,
                                           const PropertyRowContext& context) {
    std::vector<PropertyRow> rows = FixedRows(figure, context);
    bool factoryBlock = false;
    for (size_t i = 0; i < schema.fields.size() && i < values.size(); ++i) {
        const ParameterField& field = schema.fields[i];
        if (field.level == '9' && !factoryBlock) {
            if (context.securityChar != '9')
                break;
            rows.push_back({'S', "FACTORY SETTINGS", "******"});
            factoryBlock = true;
        }
        // A key without a control has neither a label nor a value to show.
        if (!field.HasControl())
            continue;
        const std::string label = field.letter == 'M' ? field.label : field.label + ":";
        rows.push_back({field.letter, label, FieldDisplayText(field, values[i])});
    }
    return rows;
}

const ParameterSchema& TypeSchemas::Of(const TKuvio& figure) {
    const std::string typeFile = figure.GetSmfFileName();
    auto found = schemas_.find(typeFile);
    if (found == schemas_.end())
        found = schemas_.emplace(typeFile, ReadParameterSchema(ProgramFileIgnoringCase(typeFile))).first;
    return found->second;
}
