#include "firmware/ccrypt.h"

#include <algorithm>
#include <cstring>

namespace {
uint8_t rotateLeft(uint8_t value, unsigned count) {
    return static_cast<uint8_t>((value << count) | (value >> (8 - count)));
}

// The pseudo-Hadamard transform of two bytes.
void pht(uint8_t& x, uint8_t& y) {
    y = static_cast<uint8_t>(y + x);
    x = static_cast<uint8_t>(x + y);
}
} // namespace

CCrypt::CCrypt() {
    unsigned power = 1;
    for (unsigned i = 0; i < 256; ++i) {
        exp_[i] = static_cast<uint8_t>(power & 0xFF); // 45^128 = 256 is stored as 0
        log_[exp_[i]] = static_cast<uint8_t>(i);
        power = power * 45 % 257;
    }
}

void CCrypt::ExpandUserKey(KeySchedule& schedule, const uint8_t* userKey, bool strengthened,
                           unsigned rounds) const {
    rounds = std::min(rounds, kMaxRounds);
    constexpr unsigned width = kBlockLength + 1;
    std::array<uint8_t, width> ka{};
    std::array<uint8_t, width> kb{};
    uint8_t* out = schedule.data();
    *out++ = static_cast<uint8_t>(rounds);
    for (unsigned j = 0; j < kBlockLength; ++j) {
        ka[j] = rotateLeft(userKey[j], 5);
        ka[kBlockLength] ^= ka[j];
        kb[j] = userKey[kBlockLength + j];
        kb[kBlockLength] ^= kb[j];
        *out++ = kb[j];
    }
    for (unsigned i = 1; i <= rounds; ++i) {
        for (unsigned j = 0; j < width; ++j) {
            ka[j] = rotateLeft(ka[j], 6);
            kb[j] = rotateLeft(kb[j], 6);
        }
        for (unsigned j = 0; j < kBlockLength; ++j) {
            const uint8_t a = strengthened ? ka[(j + 2 * i - 1) % width] : ka[j];
            *out++ = static_cast<uint8_t>(a + exp_[exp_[(18 * i + j + 1) & 0xFF]]);
        }
        for (unsigned j = 0; j < kBlockLength; ++j) {
            const uint8_t b = strengthened ? kb[(j + 2 * i) % width] : kb[j];
            *out++ = static_cast<uint8_t>(b + exp_[exp_[(18 * i + j + 10) & 0xFF]]);
        }
    }
}

void CCrypt::EncryptBlock(uint8_t* block, const KeySchedule& schedule) const {
    uint8_t a = block[0], b = block[1], c = block[2], d = block[3];
    uint8_t e = block[4], f = block[5], g = block[6], h = block[7];
    const unsigned rounds = std::min<unsigned>(schedule[0], kMaxRounds);
    const uint8_t* key = schedule.data() + 1;
    auto mixKey = [&] {
        a ^= key[0];
        b = static_cast<uint8_t>(b + key[1]);
        c = static_cast<uint8_t>(c + key[2]);
        d ^= key[3];
        e ^= key[4];
        f = static_cast<uint8_t>(f + key[5]);
        g = static_cast<uint8_t>(g + key[6]);
        h ^= key[7];
        key += kBlockLength;
    };
    for (unsigned round = 0; round < rounds; ++round) {
        mixKey();
        a = static_cast<uint8_t>(exp_[a] + key[0]);
        b = log_[b] ^ key[1];
        c = log_[c] ^ key[2];
        d = static_cast<uint8_t>(exp_[d] + key[3]);
        e = static_cast<uint8_t>(exp_[e] + key[4]);
        f = log_[f] ^ key[5];
        g = log_[g] ^ key[6];
        h = static_cast<uint8_t>(exp_[h] + key[7]);
        key += kBlockLength;
        pht(a, b), pht(c, d), pht(e, f), pht(g, h);
        pht(a, c), pht(e, g), pht(b, d), pht(f, h);
        pht(a, e), pht(b, f), pht(c, g), pht(d, h);
        uint8_t t = b;
        b = e, e = c, c = t;
        t = d;
        d = f, f = g, g = t;
    }
    mixKey();
    block[0] = a, block[1] = b, block[2] = c, block[3] = d;
    block[4] = e, block[5] = f, block[6] = g, block[7] = h;
}

void CCrypt::DecryptCfb(uint8_t* data, size_t length, const KeySchedule& schedule, size_t ivLength,
                        const uint8_t* iv) const {
    std::array<uint8_t, kBlockLength> feedback{};
    std::memcpy(feedback.data(), iv, std::min<size_t>(ivLength, kBlockLength));
    while (length > 0) {
        const size_t n = std::min<size_t>(kBlockLength, length);
        EncryptBlock(feedback.data(), schedule);
        std::array<uint8_t, kBlockLength> cipherText{};
        std::memcpy(cipherText.data(), data, n);
        for (size_t i = 0; i < n; ++i)
            data[i] ^= feedback[i];
        std::memcpy(feedback.data(), cipherText.data(), n);
        data += n;
        length -= n;
    }
}

void DecipherFirmwareFile(std::span<uint8_t> file, const std::array<uint8_t, 16>& key) {
    if (file.empty())
        return;
    const CCrypt crypt;
    CCrypt::KeySchedule schedule{};
    crypt.ExpandUserKey(schedule, key.data(), true, CCrypt::kFirmwareRounds);
    crypt.DecryptCfb(file.data(), file.size() - 1, schedule, CCrypt::kFirmwareIv.size(),
                     CCrypt::kFirmwareIv.data());
}
