#pragma once
// A modem figure's parameters as text rows, for the property table and for
// printing: the fixed rows (name, terminal address, modem address; in the
// single-modem mode the file name), then one row per parameter with its label and
// its value as the properties window would show it. Level-9 parameters appear only
// at security level 9, below a "FACTORY SETTINGS" row.

#include "designer/field_value.h"
#include "designer/figure_values.h"
#include "designer/parameter_schema.h"

#include <string>
#include <unordered_map>
#include <vector>

class TKuvio;

struct PropertyRow {
    char letter = 'S';
    std::string label;
    std::string value;

    bool operator==(const PropertyRow&) const = default;
};

// What of the designer the rows depend on.
struct PropertyRowContext {
    bool singleModem = false;
    char securityChar = '0';
    // The designer window's caption; the single-modem mode takes the file name
    // from it.
    std::string designerCaption;
};

// The rows from a schema and the fields' values.
std::vector<PropertyRow> BuildPropertyRows(const TKuvio& figure, const ParameterSchema& schema,
                                           const std::vector<FieldValue>& values,
                                           const PropertyRowContext& context);

// The schemas of the modem types, read from the type files in the program's folder
// for one build of rows (a property table, a printout of all modems): each file is
// read at the first modem of its type, so a file changed on disk is read again at
// the next build.
class TypeSchemas {
public:
    const ParameterSchema& Of(const TKuvio& figure);

private:
    std::unordered_map<std::string, ParameterSchema> schemas_;
};
