#include "sim/firmware/firmware_test_files.h"

#include "base/crc16.h"
#include "firmware/ccrypt.h"

#include <cstdio>

namespace {
int addressLength(char type) {
    switch (type) {
    case '2':
    case '8':
        return 3;
    case '3':
    case '7':
        return 4;
    default:
        return 2;
    }
}

void appendHex(std::string& text, uint8_t byte) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    text += digits;
}

// A small generator of test bytes, the same on every machine.
uint32_t nextValue(uint32_t& state) {
    state = state * 1103515245u + 12345u;
    return state >> 16;
}
} // namespace

std::string MakeSRecord(char type, uint32_t address, std::span<const uint8_t> data) {
    const int addressBytes = addressLength(type);
    std::vector<uint8_t> bytes;
    bytes.push_back(static_cast<uint8_t>(addressBytes + data.size() + 1));
    for (int i = addressBytes - 1; i >= 0; --i)
        bytes.push_back(static_cast<uint8_t>(address >> (8 * i)));
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (const uint8_t byte : bytes)
        sum += byte;
    bytes.push_back(static_cast<uint8_t>(~sum));
    std::string line = {'S', type};
    for (const uint8_t byte : bytes)
        appendHex(line, byte);
    return line;
}

std::string MakeSRecordFile(std::span<const uint8_t> image, size_t bytesPerRecord, std::string_view lineEnd) {
    const std::string title = "test image";
    std::string text =
        MakeSRecord('0', 0, std::span(reinterpret_cast<const uint8_t*>(title.data()), title.size()));
    text += lineEnd;
    for (size_t at = 0; at < image.size(); at += bytesPerRecord) {
        text += MakeSRecord('2', static_cast<uint32_t>(at),
                            image.subspan(at, std::min(bytesPerRecord, image.size() - at)));
        text += lineEnd;
    }
    text += MakeSRecord('9', 0, {});
    text += lineEnd;
    return text;
}

std::vector<uint8_t> MakeTestImage(size_t size, uint32_t seed) {
    std::vector<uint8_t> image(size);
    for (uint8_t& byte : image)
        byte = static_cast<uint8_t>(nextValue(seed));
    return image;
}

std::vector<uint8_t> MakeTestLoader(uint32_t seed) {
    return MakeTestImage(1436, seed);
}

std::vector<uint8_t> EncipherFirmwareFile(const std::string& plain, const std::array<uint8_t, 16>& key,
                                          uint16_t crcError) {
    std::vector<uint8_t> file(plain.begin(), plain.end());
    const uint16_t crc = Crc16Nibble(0, file.data(), file.size()) ^ crcError;
    file.push_back(static_cast<uint8_t>(crc >> 8));
    const CCrypt crypt;
    CCrypt::KeySchedule schedule{};
    crypt.ExpandUserKey(schedule, key.data(), true, CCrypt::kFirmwareRounds);
    std::array<uint8_t, 8> feedback{};
    std::copy(CCrypt::kFirmwareIv.begin(), CCrypt::kFirmwareIv.end(), feedback.begin());
    for (size_t at = 0; at < file.size(); at += feedback.size()) {
        crypt.EncryptBlock(feedback.data(), schedule);
        const size_t n = std::min(feedback.size(), file.size() - at);
        for (size_t i = 0; i < n; ++i)
            feedback[i] = file[at + i] ^= feedback[i];
    }
    file.push_back(static_cast<uint8_t>(crc));
    return file;
}
