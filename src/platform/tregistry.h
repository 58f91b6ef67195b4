#pragma once
// A small stand-in for the registry: keys under a root key hold named text values.
// The key "hardware\devicemap\serialcomm" under HKEY_LOCAL_MACHINE lists the serial
// ports of the port map (platform/portmap.h), read-only: one value per port, named
// "\Device\Serial" and an index, holding "COM" and the port's number. All other keys
// live in the ini-format file "registry.ini" beside the program, one section per
// key; key and value names are found without regard to letter case.

#include <stdexcept>
#include <string>
#include <vector>

// A value that cannot be read as asked (a missing value or one of another type).
class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

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
    // Whether the key exists; opens nothing.
    bool KeyExists(const std::string& key);
    // Makes the key (and the keys above it); true when it exists afterwards.
    bool CreateKey(const std::string& key);
    // Removes the key with its values and subkeys; false when it did not exist.
    bool DeleteKey(const std::string& key);
    // The names of the open key's subkeys, in the order they were made.
    std::vector<std::string> GetKeyNames();

    // Value names of the open key, in their order; empty when no key is open.
    std::vector<std::string> GetValueNames();
    // The value, or an empty text when it or the key is missing.
    std::string ReadString(const std::string& name);
    // Writes into the open key; ignored when no key is open for writing. Throws
    // EIniFileException when the file cannot be written.
    void WriteString(const std::string& name, const std::string& value);
    bool ValueExists(const std::string& name);
    // Integers and booleans are kept as decimal text (booleans as 1 and 0).
    // ReadInteger throws ERegistryException for a missing value or one that is no
    // integer.
    int ReadInteger(const std::string& name);
    void WriteInteger(const std::string& name, int value);
    void WriteBool(const std::string& name, bool value);
    // False when no key is open for writing or the value was not there.
    bool DeleteValue(const std::string& name);

private:
    enum class OpenState { Closed, ReadOnly, ReadWrite };

    bool Open(const std::string& key, bool create, OpenState state);
    bool IsSerialCommKey() const;
    std::string SectionName() const;
    static std::string SectionOf(HKEY root, const std::string& key);

    OpenState state_ = OpenState::Closed;
    HKEY openRoot_ = 0;
    std::string key_;
};
