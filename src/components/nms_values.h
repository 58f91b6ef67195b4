#pragma once
// The vocabulary of the network-management (NMS) value model: the value types
// and their names, the list kinds, the text form of a value identifier, and the
// constants of the NMS identifier file and of the help file.

#include <cstdint>
#include <string>

constexpr uint8_t kNmsValueTypeCount = 32;

// The name of a value type; empty for a number past the last type.
std::string NmsValueTypeToString(uint8_t type);
// The type of that exact name (letter case counts); 0 ("NONE") when none has it.
uint8_t StringToNmsValueType(const std::string& name);
// Whether values of the type always take the same number of bytes.
bool IsFixedSizeNmsType(uint8_t type);

constexpr uint8_t kNmsListDynamic = 0;
constexpr uint8_t kNmsListStatic = 1;
// "DYNAMIC" or "STATIC"; empty for any other number.
std::string NmsListKindToString(uint8_t kind);
// The kind of that exact name; kNmsListDynamic for a name that is neither.
uint8_t StringToNmsListKind(const std::string& name);

// A value identifier is a 16-bit number: the group in its top 4 bits and the
// number within the group in its low 12, written "group.number" in decimal.
std::string NmsIdToString(uint16_t id);
// The identifier of "group.number". A text of two characters or fewer, or one
// whose first dot does not follow a group of one or two characters, gives 0. The
// sum is taken in 16 bits, so a number past 4095 carries into the group. Throws
// std::invalid_argument when a part is no decimal number.
uint16_t NmsIdFromString(const std::string& text);

// The NMS identifier file.
inline constexpr char kNmsIdFileTitle[] = "Kelvo NMS ID File";
inline constexpr char kNmsIdFileMagic[] = "KELVO_NMS_ID_FILE_0001";
inline constexpr char kNmsIdFileDefaultName[] = "KelvoNMS.ID";
namespace NmsIdFileKey {
inline constexpr char FileInfo[] = "FILE_INFO";
inline constexpr char Version[] = "VERSION";
inline constexpr char CreationDate[] = "CREATION_DATE";
inline constexpr char IdList[] = "NMS_ID_LIST";
inline constexpr char IdCount[] = "NMS_ID_COUNT";
inline constexpr char Id[] = "NMS_ID";
inline constexpr char IdDescription[] = "NMS_DESCRIPTION";
inline constexpr char Type[] = "NMS_TYPE";
inline constexpr char Readable[] = "NMS_READABLE";
inline constexpr char Writable[] = "NMS_WRITABLE";
inline constexpr char ValueType[] = "VALUE_TYPE";
inline constexpr char StaticChoices[] = "STATIC_CHOISES";
inline constexpr char StaticValues[] = "STATIC_VALUES";
inline constexpr char StaticDescriptions[] = "STATIC_DESCRIPTIONS";
inline constexpr char Description[] = "DESCRIPTION";
inline constexpr char Value[] = "VALUE";
inline constexpr char ValueDescription[] = "VALUE_DESCRIPTION";
inline constexpr char Command[] = "COMMAND";
inline constexpr char CommandName[] = "COMMAND_NAME";
inline constexpr char CommandParameters[] = "COMMAND_PARAMETERS";
inline constexpr char ErrorList[] = "NMS_ERROR_LIST";
inline constexpr char ErrorCount[] = "NMS_ERROR_COUNT";
inline constexpr char Error[] = "NMS_ERROR";
} // namespace NmsIdFileKey

// The help file.
inline constexpr char kHelpFileTitle[] = "Help File Editor File";
inline constexpr char kHelpFileVersion[] = "v1.00";
inline constexpr char kHelpFileVersionNumber[] = "0100";
