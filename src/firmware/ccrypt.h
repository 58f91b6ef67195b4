#pragma once
// The firmware cipher: SAFER K-128 / SK-128 (the designer's reference key schedule
// and block encryption) run in 64-bit cipher feedback mode. The enciphered firmware
// files are read with the strengthened schedule, 10 rounds and the stored vector.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

class CCrypt {
public:
    static constexpr unsigned kBlockLength = 8;
    static constexpr unsigned kMaxRounds = 13;
    // The schedule: the round count, then 8 bytes for each of 2 x rounds + 1 subkeys.
    static constexpr size_t kScheduleLength = 1 + kBlockLength * (2 * kMaxRounds + 1);
    using KeySchedule = std::array<uint8_t, kScheduleLength>;

    // The rounds and the initialisation vector of the enciphered firmware files.
    static constexpr unsigned kFirmwareRounds = 10;
    static constexpr std::array<uint8_t, 4> kFirmwareIv{'0', '6', '1', '9'};

    CCrypt();
    virtual ~CCrypt() = default;

    // SAFER K-128 schedule of the 16-byte user key (first half, then second half),
    // or SK-128 when strengthened; more than 13 rounds are taken as 13.
    void ExpandUserKey(KeySchedule& schedule, const uint8_t* userKey, bool strengthened,
                       unsigned rounds) const;
    // Encrypts one 8-byte block in place with the rounds held in the schedule.
    void EncryptBlock(uint8_t* block, const KeySchedule& schedule) const;
    // Deciphers length bytes in place in CFB-64 mode. The feedback register starts
    // as the first ivLength bytes of iv (at most 8) followed by zeros.
    void DecryptCfb(uint8_t* data, size_t length, const KeySchedule& schedule, size_t ivLength,
                    const uint8_t* iv) const;

private:
    std::array<uint8_t, 256> log_{};
    std::array<uint8_t, 256> exp_{};
};

// Deciphers an enciphered firmware file in place with the 16-byte key: every byte
// but the last, with the strengthened schedule, 10 rounds and the stored vector.
void DecipherFirmwareFile(std::span<uint8_t> file, const std::array<uint8_t, 16>& key);
