#pragma once
// The parameter values of a figure as the fields of its type show them: read from
// the figure's property entries, and written back as entries in the fields' order.

#include "designer/field_value.h"
#include "designer/parameter_schema.h"

#include <functional>
#include <optional>
#include <vector>

class TKuvio;

// Asked once when a stored entry's type letter differs from its field's (the entries
// were written for another version of the type file); true goes on.
using ConflictQuestion = std::function<bool(const TKuvio& figure)>;
// Asks "Conflict between modem data structure and ..." in a Yes/No box.
bool AskContinueOnConflict(const TKuvio& figure);

// The fields' values from the figure's entries, walked together with the fields.
// Fields past the last entry, and past a conflict that is not gone on from, keep
// their default values.
std::vector<FieldValue> LoadFieldValues(const ParameterSchema& schema, TKuvio& figure,
                                        const ConflictQuestion& continueOnConflict = AskContinueOnConflict);

// Writes one entry per field, in order, from the figure's current write position
// (the caller clears or rewinds the list first). A field is in use when it is shown.
void StoreFieldValues(TKuvio& figure, const ParameterSchema& schema, const std::vector<FieldValue>& values,
                      const SchemaView& view);

// The name the type file gives the figure's parameter at index, for messages; its
// NMS value id when the type file does not name it.
std::string ParameterName(const TKuvio& figure, size_t index, uint16_t nmsId);

// An 'H' value of more digits than its 32-bit field holds would reach the modem
// as another number than the one shown. The text of the box that refuses the
// figure's entry at index for it; none when the entry fits.
std::optional<std::string> HexValueRefusal(const TKuvio& figure, size_t index);
// The box names the figure's first such value and false is returned, before
// anything of its values is sent.
bool CheckHexValuesFit(const TKuvio& figure);

// The first 'H' field whose text is not hexadecimal (pasted text passes no key
// filter); none when all are.
std::optional<size_t> FirstInvalidHexField(const ParameterSchema& schema,
                                           const std::vector<FieldValue>& values);
