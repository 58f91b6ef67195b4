#include "firmware/tprotector.h"

#include "base/crc16.h"
#include "base/hex.h"
#include "base/tstreamstring.h"
#include "components/component_registry.h"
#include "firmware/tcompressor.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint32_t kMagic = 705;
constexpr uint32_t kVersion = 256;
constexpr size_t kCrcLength = 2;
constexpr size_t kLengthAt = 8;
constexpr size_t kCompressedAt = 12;
constexpr size_t kFileIdLengthAt = 16;

uint16_t containerCrc(const uint8_t* bytes, size_t length) {
    return Crc16Compute(bytes, length, 0x1234, 0x1021, true, true, 0xEEEE);
}

uint32_t readLittleEndian(const uint8_t* at) {
    return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

void writeLittleEndian(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint8_t keyByte(const std::string& key, size_t index) {
    return static_cast<uint8_t>(key[index % key.size()]);
}
} // namespace

void TProtector::Clear() {
    header_.fill(0);
    data_.clear();
    validKeyFile_ = false;
}

void TProtector::RequireKey() const {
    if (Key.empty())
        throw TProtectorError("Invalid key!");
}

void TProtector::LoadFromFile(const std::string& fileName) {
    Clear();
    RequireKey();
    TStreamString stream;
    stream.LoadFromFile(fileName);
    const uint8_t* bytes = stream.Memory();
    const size_t size = stream.Size();
    if (size <= kHeaderLength + kCrcLength)
        throw TProtectorError("Invalid file size!");
    std::memcpy(header_.data(), bytes, kHeaderLength);
    // Computed wide, so a length field near 2^31 cannot wrap onto the file size.
    const uint64_t length = readLittleEndian(bytes + kLengthAt);
    if (2 * length + kHeaderLength + kCrcLength != size)
        throw TProtectorError("Invalid file size!");
    const uint16_t stored = static_cast<uint16_t>(bytes[size - 2] << 8 | bytes[size - 1]);
    if (containerCrc(bytes, size - kCrcLength) != stored)
        throw TProtectorError("Invalid CRC!");

    std::string payload(length, '\0');
    for (size_t i = 0; i < length; ++i) {
        const uint8_t* pair = bytes + kHeaderLength + 2 * i;
        payload[i] = static_cast<char>(pair[0] ^ pair[1] ^ keyByte(Key, i));
    }
    if (readLittleEndian(header_.data() + kCompressedAt) == 1) {
        TCompressor compressor;
        if (compressor.Decompress(payload) != 0 || payload.empty())
            throw TProtectorError("Invalid compression data!");
    }
    data_ = Unwrap(payload);
}

// Takes the identifier and its CR LF off the payload and decides ValidKeyFile.
std::string TProtector::Unwrap(const std::string& payload) {
    if (!UseFileID) {
        validKeyFile_ = true;
        return payload;
    }
    const size_t idLength =
        PassiveFileID ? readLittleEndian(header_.data() + kFileIdLengthAt) : FileID.size();
    // A payload that ends in the identifier gives it as far as it goes.
    const std::string id = payload.substr(0, idLength);
    if (PassiveFileID)
        FileID = id;
    validKeyFile_ = PassiveFileID || id == FileID;
    return payload.substr(std::min(payload.size(), idLength + 2));
}

void TProtector::SaveToFile(const std::string& fileName, const std::string& text) {
    Clear();
    RequireKey();
    std::string payload = UseFileID ? FileID + "\r\n" + text : text;
    if (CompressData) {
        TCompressor compressor;
        payload = compressor.CompressString(payload);
    }
    writeLittleEndian(header_.data(), kMagic);
    writeLittleEndian(header_.data() + 4, kVersion);
    writeLittleEndian(header_.data() + kLengthAt, static_cast<uint32_t>(payload.size()));
    writeLittleEndian(header_.data() + kCompressedAt, CompressData ? 1 : 0);
    writeLittleEndian(header_.data() + kFileIdLengthAt, static_cast<uint32_t>(FileID.size()));

    TStreamString stream;
    stream.AppendBuffer(header_.data(), header_.size());
    for (size_t i = 0; i < payload.size(); ++i) {
        const uint8_t random = static_cast<uint8_t>(RandomBelow(256));
        const uint8_t pair[2] = {
            random, static_cast<uint8_t>(static_cast<uint8_t>(payload[i]) ^ keyByte(Key, i) ^ random)};
        stream.AppendBuffer(pair, sizeof pair);
    }
    const uint16_t crc = containerCrc(stream.Memory(), stream.Size());
    const uint8_t crcBytes[2] = {static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)};
    stream.AppendBuffer(crcBytes, sizeof crcBytes);
    stream.SaveToFile(fileName);
}

void registerProtectorComponent() {
    RegisterComponent("KelvoTools", "TProtector", ComponentFactoryOf<TProtector>());
}
