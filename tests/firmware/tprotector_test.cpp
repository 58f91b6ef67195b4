#include "firmware/tprotector.h"

#include "components/component_registry.h"

#include "base/tstreamstring.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>

namespace {
const std::string kPassPhrase = "qpwzk4710rv8xumt\xE4"
                                "bn";
const std::string kText = std::string("S1130000\r\n\x01\x80\xFF text \xE4 ", 19) + std::string(300, 'x');

std::string readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
}

uint32_t field(const std::string& file, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(file[at + i]);
    return value;
}

std::string loadError(TProtector& protector, const std::string& name) {
    try {
        protector.LoadFromFile(name);
    } catch (const TProtectorError& error) {
        return error.what();
    }
    return "loaded";
}
} // namespace

TEST(TProtector, RoundTripsWithEverySwitch) {
    TempFolder folder;
    const std::string name = folder.file("firmware.s12");
    for (int switches = 0; switches < 8; ++switches) {
        SCOPED_TRACE(switches);
        TProtector writer;
        writer.Key = kPassPhrase;
        writer.FileID = "OEM DEV 12";
        writer.UseFileID = switches & 1;
        writer.PassiveFileID = switches & 2;
        writer.CompressData = switches & 4;
        writer.SaveToFile(name, kText);

        const std::string file = readFile(name);
        const uint32_t length = field(file, 8);
        EXPECT_EQ(file.size(), 2 * length + 50);
        EXPECT_EQ(field(file, 0), 705u);
        EXPECT_EQ(field(file, 4), 256u);
        EXPECT_EQ(field(file, 12), writer.CompressData ? 1u : 0u);
        EXPECT_EQ(field(file, 16), 10u);
        EXPECT_EQ(writer.CompressData, length < kText.size());

        TProtector reader;
        reader.Key = kPassPhrase;
        reader.UseFileID = writer.UseFileID;
        reader.PassiveFileID = writer.PassiveFileID;
        reader.FileID = writer.PassiveFileID ? "" : "OEM DEV 12";
        reader.LoadFromFile(name);
        EXPECT_EQ(reader.Data(), kText);
        EXPECT_TRUE(reader.ValidKeyFile());
        EXPECT_EQ(reader.FileID, reader.PassiveFileID && !reader.UseFileID ? "" : "OEM DEV 12");

        if (writer.UseFileID && !writer.PassiveFileID) {
            reader.FileID = "OEM DEV 13";
            reader.LoadFromFile(name);
            EXPECT_FALSE(reader.ValidKeyFile());
            EXPECT_EQ(reader.Data(), kText);
        }
    }
}

// Every payload byte is stored as a random byte R and P XOR K XOR R, the key taken
// as 8-bit bytes; two saves differ but read the same.
TEST(TProtector, StoresKeyedPairsAndAChecksum) {
    TempFolder folder;
    TProtector protector;
    protector.Key = kPassPhrase;
    protector.SaveToFile(folder.file("a"), kText);
    protector.SaveToFile(folder.file("b"), kText);
    const std::string a = readFile(folder.file("a"));
    const std::string b = readFile(folder.file("b"));
    EXPECT_NE(a, b);
    for (size_t i = 0; i < kText.size(); ++i) {
        const uint8_t plain = static_cast<uint8_t>(a[48 + 2 * i] ^ a[49 + 2 * i] ^ kPassPhrase[i % 19]);
        ASSERT_EQ(plain, static_cast<uint8_t>(kText[i])) << i;
    }
    EXPECT_EQ(static_cast<uint8_t>(a[48 + 2 * 16 + 1] ^ a[48 + 2 * 16]),
              static_cast<uint8_t>(kText[16] ^ 0xE4));
    protector.LoadFromFile(folder.file("b"));
    EXPECT_EQ(protector.Data(), kText);
}

TEST(TProtector, DamagedContainersGiveTheirTexts) {
    TempFolder folder;
    const std::string name = folder.file("c");
    TProtector protector;
    protector.Key = kPassPhrase;
    protector.CompressData = true;
    protector.SaveToFile(name, kText);
    const std::string good = readFile(name);

    writeFile(name, good.substr(0, 50));
    EXPECT_EQ(loadError(protector, name), "Invalid file size!");
    writeFile(name, good.substr(0, good.size() - 1));
    EXPECT_EQ(loadError(protector, name), "Invalid file size!");
    // A length field whose doubled value wraps around 32 bits onto the file size.
    std::string wrapped = good;
    const uint32_t wrapping = field(good, 8) + 0x80000000u;
    for (int i = 0; i < 4; ++i)
        wrapped[8 + i] = static_cast<char>(wrapping >> (8 * i));
    writeFile(name, wrapped);
    EXPECT_EQ(loadError(protector, name), "Invalid file size!");

    std::string flipped = good;
    flipped[60] ^= 0x10;
    writeFile(name, flipped);
    EXPECT_EQ(loadError(protector, name), "Invalid CRC!");
    EXPECT_TRUE(protector.Data().empty());
    EXPECT_FALSE(protector.ValidKeyFile());

    writeFile(name, good);
    protector.Key = "wrong key";
    EXPECT_EQ(loadError(protector, name), "Invalid compression data!");
    EXPECT_TRUE(protector.Data().empty());

    protector.Key.clear();
    EXPECT_EQ(loadError(protector, name), "Invalid key!");
    EXPECT_THROW(protector.SaveToFile(name, kText), TProtectorError);
    EXPECT_EQ(readFile(name), good);

    protector.Key = kPassPhrase;
    EXPECT_THROW(protector.LoadFromFile(folder.file("missing")), EStreamError);
}

// A payload that ends in or before the identifier: the identifier is taken as far
// as it goes. A compared one is accepted when it equals FileID, a passive one
// always.
TEST(TProtector, PayloadThatEndsInTheIdentifier) {
    TempFolder folder;
    const std::string name = folder.file("d");
    TProtector writer;
    writer.Key = "k";
    struct Case {
        std::string payload;
        bool passive;
        std::string expectedId;
        bool valid;
    };
    const Case cases[] = {
        {"OEM1", false, "OEM1", true},  {"OEM1\r", false, "OEM1", true},    {"OEM", false, "OEM1", false},
        {"short", true, "short", true}, {"OEM1\r\nx", false, "OEM1", true},
    };
    for (const Case& c : cases) {
        TProtector reader;
        reader.Key = "k";
        reader.UseFileID = true;
        reader.PassiveFileID = c.passive;
        reader.FileID = c.passive ? "" : "OEM1";
        writer.FileID = std::string(c.passive ? 40 : 0, 'I');
        writer.SaveToFile(name, c.payload);
        reader.LoadFromFile(name);
        EXPECT_EQ(reader.ValidKeyFile(), c.valid) << c.payload;
        EXPECT_EQ(reader.FileID, c.expectedId) << c.payload;
        EXPECT_EQ(reader.Data(), c.payload.size() > 6 ? "x" : "") << c.payload;
    }
}

TEST(TProtector, IsAComponentOfThePackagesPage) {
    registerKelvoTools();
    registerProtectorComponent();
    const std::vector<std::string> names = ComponentClassNames("KelvoTools");
    EXPECT_NE(std::find(names.begin(), names.end(), "TProtector"), names.end());
    std::unique_ptr<QObject> created(CreateComponent("TProtector", nullptr));
    EXPECT_NE(qobject_cast<TProtector*>(created.get()), nullptr);
}
