#pragma once
// A small stand-in for the registry: keys under a root key hold named text values.
// The key "hardware\devicemap\serialcomm" under HKEY_LOCAL_MACHINE lists the serial
// ports of the port map (platform/portmap.h), read-only: one value per port, named
// "\Device\Serial" and an index, holding "COM" and the port's number. All other keys
// live in the ini-format file "registry.ini" beside the program, one section per
// key; key and value names are found without regard to letter case.

#include <string>
#include <vector>

using HKEY = unsigned;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;

class TRegistry {
public:
    HKEY RootKey = HKEY_CURRENT_USER;

    // Opens an existing key for reading; false when it does not exist.
    bool OpenKeyReadOnly(const std::string& key);
    // Opens a key for reading and writing; with create a missing key is made.
    bool OpenKey(const std::string& key, bool create);
    void CloseKey();

    // Value names of the open key, in their order; empty when no key is open.
    std::vector<std::string> GetValueNames();
    // The value, or an empty text when it or the key is missing.
    std::string ReadString(const std::string& name);
    // Writes into the open key; ignored when no key is open for writing. Throws
    // EIniFileException when the file cannot be written.
    void WriteString(const std::string& name, const std::string& value);
    bool ValueExists(const std::string& name);

private:
    enum class OpenState { Closed, ReadOnly, ReadWrite };

    bool Open(const std::string& key, bool create, OpenState state);
    bool IsSerialCommKey() const;
    std::string SectionName() const;

    OpenState state_ = OpenState::Closed;
    HKEY openRoot_ = 0;
    std::string key_;
};
