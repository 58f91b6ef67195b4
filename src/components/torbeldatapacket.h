#pragma once
// The record of one I/O-converter frame. Its texts are fixed-size character
// arrays as the converters' firmware sizes them: zero-filled when cleared, not
// terminated when full. Setters cut a longer text to the array.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// The device types of the converters' port slots.
enum TdOrbelPortType : uint8_t { optNone, optOrbel100, optOrbel200, optOrbel300, optDunvar100, optVelmorund };
constexpr int OrbelPortTypeCount = 6;
constexpr int OrbelPortSlots = 4;
constexpr int OrbelCommandCount = 26;

// Display name, port-data length and route character of a device type.
std::string OrbelPortTypeName(uint8_t type);
size_t OrbelPortDataLength(uint8_t type);
char OrbelRouteChar(uint8_t type);
// Mnemonic as sent ("PNG") and long name ("PING") of a command number.
std::string OrbelCommandMnemonic(uint8_t command);
std::string OrbelCommandName(uint8_t command);
// Name of a safe-mode mode 0-4, empty for any other.
std::string OrbelSafeModeName(uint8_t mode);

// The characters of an array up to its first zero (all of them when full).
template <size_t N> std::string ArrayText(const std::array<char, N>& array) {
    size_t n = 0;
    while (n < N && array[n] != 0)
        ++n;
    return std::string(array.data(), n);
}
// All characters of an array, zeros included.
template <size_t N> std::string ArrayChars(const std::array<char, N>& array) {
    return std::string(array.data(), N);
}
// Zero-fills the array and copies at most N characters of text into it.
template <size_t N> void SetArrayText(std::array<char, N>& array, const std::string& text) {
    array.fill(0);
    text.copy(array.data(), N);
}

struct TOrbelDataPacket {
    uint8_t Command = 0;
    std::array<char, 5> Version{};
    struct {
        uint8_t Mode = 1;
        uint32_t Value = 0;
    } SafeMode;
    struct {
        std::array<char, 1> Part1{};
        std::array<char, 2> Part2{};
    } Channel;
    struct {
        std::array<char, 2> Length{};
        std::array<char, 50> Text{};
        std::array<char, 2> Tail{};
    } SlCommand;
    struct {
        std::array<char, 2> Head{};
        std::array<char, 50> Text{};
    } SlResponse;
    struct {
        uint32_t Value1 = 0;
        uint32_t Value2 = 0;
    } Counters;
    uint32_t InitialData = 0;
    std::array<uint8_t, OrbelPortSlots> PortType{};
    uint32_t Address1 = 0;
    uint32_t Address2 = 0;
    uint32_t DataLength = 0;
    std::array<char, 128> RawText{};
    std::array<std::array<char, 18>, OrbelPortSlots> PortData{};
    std::array<char, 4> CrcText{};
    std::array<char, 244> DataText{};
    uint8_t CrcOk = 0;

    // Takes 0-25; any other number is ignored.
    void vSetCommand(int command);
    // A number, or two hexadecimal digits (anything else leaves the address).
    void vSetAddress1(uint32_t address) { Address1 = address; }
    void vSetAddress2(uint32_t address) { Address2 = address; }
    void vSetAddress1(const std::string& hex);
    void vSetAddress2(const std::string& hex);
    // A 4-character route sets slots 0-3, any other slots 1-3 from its first
    // three characters: "1" is an Orbel 200, "2" an Orbel 300, "0" and "F" no
    // device; other characters leave the slot as it is.
    void vSetPortTypes(const std::string& route);
    void vSetPortData(int slot, const std::string& data);
    void vSetVersion(const std::string& text) { SetArrayText(Version, text); }
    void vSetChannel(const std::string& part1, const std::string& part2);
    // Also writes the text's length as two hexadecimal digits.
    void vSetSlCommandText(const std::string& text);
    void vSetSlCommandTail(const std::string& tail) { SetArrayText(SlCommand.Tail, tail); }
    void vSetSlResponse(const std::string& head, const std::string& text);

    // Clears what every parse starts from; the payload records of earlier frames
    // stay.
    void ClearData();
};
