#pragma once
// The protected container: a text (in practice a firmware block file) stored keyed,
// checksummed and optionally compressed, with an identifier in front of it.
//
//   0   u32 705, u32 256, u32 N (payload length), u32 compressed flag,
//       u32 length of the identifier, 28 zero bytes         (little-endian)
//   48  for each payload byte i: a random byte R, then P[i] XOR K[i] XOR R
//   48 + 2N  CRC-16 of everything before it, high byte first
//
// K is the key repeated end to end; the key is taken as 8-bit bytes. Failures of a
// load are thrown as TProtectorError carrying the message text.

#include <QObject>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

class TProtectorError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A component of the package: it can be placed and created by name.
class TProtector : public QObject {
    Q_OBJECT
public:
    static constexpr size_t kHeaderLength = 48;

    explicit TProtector(QObject* owner = nullptr) : QObject(owner) {}

    // Reads and checks a container. On success Data() holds the payload without the
    // identifier. Throws TProtectorError ("Invalid file size!", "Invalid CRC!",
    // "Invalid compression data!", "Invalid key!") or the stream's EStreamError
    // when the file cannot be read.
    void LoadFromFile(const std::string& fileName);
    // Writes the text as a container with the current key, identifier and switches.
    void SaveToFile(const std::string& fileName, const std::string& text);
    // Empties the data and the header copy and clears ValidKeyFile.
    void Clear();

    const std::string& Data() const { return data_; }
    // The last load succeeded and its identifier was accepted.
    bool ValidKeyFile() const { return validKeyFile_; }

    std::string Key;
    // Written in front of the payload; compared on a load, or taken from the file
    // when PassiveFileID is set.
    std::string FileID;
    bool UseFileID = false;
    bool PassiveFileID = false;
    bool CompressData = false;

private:
    void RequireKey() const;
    std::string Unwrap(const std::string& payload);

    std::array<uint8_t, kHeaderLength> header_{};
    std::string data_;
    bool validKeyFile_ = false;
};

// Enters TProtector on the component package's page "KelvoTools".
void registerProtectorComponent();
