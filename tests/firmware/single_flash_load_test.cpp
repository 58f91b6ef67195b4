#include "firmware/single_flash_load.h"

#include "base/crc16.h"
#include "firmware/firmware_blocks.h"
#include "firmware/tprotector.h"
#include "sim/firmware/firmware_test_files.h"
#include "support/file_text.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {
const std::array<uint8_t, 16> kKey{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                                   0x10, 0x32, 0x54, 0x76, 0x10, 0x32, 0x54, 0x76};

std::vector<uint8_t> withOemCrc(std::vector<uint8_t> blocks) {
    const uint16_t crc = OemFileCrc(blocks);
    blocks.push_back(static_cast<uint8_t>(crc >> 8));
    blocks.push_back(static_cast<uint8_t>(crc));
    return blocks;
}

class SingleFlashLoadTest : public ::testing::Test {
protected:
    SingleFlashLoadTest() {
        choices.portText = "COM7";
        choices.keyFields = {"01234567", "89abcdef", "10325476"};
    }

    // A file of the kind its extension selects.
    void choose(const std::string& name, const std::vector<uint8_t>& bytes) {
        choices.fileName = folder.file(name);
        WriteFileText(choices.fileName, std::string(bytes.begin(), bytes.end()));
        choices.kind = *SingleFlashFileKindOf(name, false).kind;
    }

    SingleFlashLoad load() {
        auto result = PrepareSingleFlashLoad(choices);
        if (auto* refusal = std::get_if<FlashRefusal>(&result)) {
            ADD_FAILURE() << refusal->text;
            return {};
        }
        return std::get<SingleFlashLoad>(result);
    }

    std::string refusal() {
        auto result = PrepareSingleFlashLoad(choices);
        return std::holds_alternative<FlashRefusal>(result) ? std::get<FlashRefusal>(result).text
                                                            : "(loaded)";
    }

    std::vector<uint8_t> enciphered(const std::string& magic, uint16_t crcError = 0) {
        return EncipherFirmwareFile(magic + MakeSRecordFile(image), kKey, crcError);
    }

    TempFolder folder;
    MessageBoxRecorder boxes;
    SingleFlashChoices choices;
    const std::vector<uint8_t> image = MakeTestImage(700);
};

TEST(SingleFlashFileKind, ExtensionSelectsEngineRowAndProtector) {
    struct Case {
        const char* name;
        bool h8_3069;
        int row;
        bool protectedFile;
    };
    for (const Case c :
         {Case{"a.sff", false, 0, false}, Case{"a.sf2", true, 0, false}, Case{"a.sf3", true, 1, false},
          Case{"a.sfo", true, 2, false}, Case{"a.s11", true, 3, false}, Case{"a.S12", true, 15, true},
          Case{"a.s22", true, 15, true}, Case{"a.s20", true, 16, true}, Case{"a.u11", true, 3, false},
          Case{"a.u18", true, 10, false}, Case{"a.u20", true, 14, false}, Case{"a.U21", true, 13, false},
          Case{"a.u26", true, 12, false}}) {
        const auto kind = SingleFlashFileKindOf(c.name, true).kind;
        ASSERT_TRUE(kind) << c.name;
        EXPECT_EQ(kind->h8_3069, c.h8_3069) << c.name;
        EXPECT_EQ(kind->row, c.row) << c.name;
        EXPECT_EQ(kind->protectedFile, c.protectedFile) << c.name;
    }
    for (const char* unknown : {"a.s19", "a.s23", "a.sf1", "a.u19", "a.a37", "a"})
        EXPECT_FALSE(SingleFlashFileKindOf(unknown, true).kind) << unknown;
    EXPECT_TRUE(SingleFlashFileKindOf("a.u99", true).enableDeviceList);
    EXPECT_FALSE(SingleFlashFileKindOf("a.u11", false).enableDeviceList);
}

TEST(SingleFlashKey, FieldsAreExactlyEightHexDigits) {
    EXPECT_EQ(ParseKeyField("0a1B2c3D"), (std::array<uint8_t, 4>{0x0A, 0x1B, 0x2C, 0x3D}));
    for (const char* bad : {"0A1B2C3", "0A1B2C3D4", "0A1B2C3G", "", " A1B2C3D"})
        EXPECT_FALSE(ParseKeyField(bad)) << bad;
}

TEST_F(SingleFlashLoadTest, H8_3048FileGoesAsReadWithTheKeyAndPort) {
    choose("modem.sff", enciphered("KelvoFlash"));
    const auto loaded = load();
    EXPECT_FALSE(loaded.h8_3069);
    EXPECT_EQ(loaded.data, enciphered("KelvoFlash"));
    EXPECT_EQ(loaded.length, loaded.data.size());
    EXPECT_EQ(loaded.key, kKey) << "the last four key bytes repeat the third field";
    EXPECT_EQ(loaded.port, 7u);
}

TEST_F(SingleFlashLoadTest, RefusalsComeInOrderKeyThenFile) {
    choose("empty.sff", {});
    choices.keyFields[1] = "nothex!!";
    EXPECT_EQ(refusal(), "The format of key is NOT valid! Check It!");
    choices.keyFields[1] = "89abcdef";
    EXPECT_EQ(refusal(), "Code file *.sff is empty. Check file and retry");
    choose("empty.sf2", {});
    EXPECT_EQ(refusal(), "Code file *.sf2 is empty. Check file and retry");
}

TEST_F(SingleFlashLoadTest, EncipheredSRecordFileBecomesAPlainImage) {
    choose("modem.sf2", enciphered("KelvoFlash"));
    choices.veryslow = true;
    const auto loaded = load();
    EXPECT_TRUE(loaded.h8_3069);
    EXPECT_EQ(loaded.data.size(), kH8_3069ImageSize);
    EXPECT_EQ(loaded.length, 768u);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), loaded.data.begin()));
    EXPECT_EQ(loaded.speedIndex, 2);
    EXPECT_EQ(loaded.clockHz, 24576000);
    EXPECT_EQ(loaded.nmsKind, 0u);
}

TEST_F(SingleFlashLoadTest, NmsFileGivesItsKindAndTheFasterCrystal) {
    choose("nms.sf3", enciphered("KelvoVHFNMS"));
    auto loaded = load();
    EXPECT_EQ(loaded.nmsKind, 2u);
    EXPECT_EQ(loaded.clockHz, 33000000);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), loaded.data.begin()));
    choose("nms.sf3", enciphered("KelvoUHFNMS"));
    EXPECT_EQ(load().nmsKind, 1u);
    // The NMS magic is looked for only when the extension is written as ".sf3".
    choose("nms.SF3", enciphered("KelvoUHFNMS"));
    EXPECT_EQ(refusal(), "ERROR: Wrong key or file isn't correct!");
}

TEST_F(SingleFlashLoadTest, WrongKeyCrcOrShortEncipheredFilesAreRefused) {
    choose("modem.sf2", enciphered("KelvoFlash", 1));
    EXPECT_EQ(refusal(), "ERROR: Wrong CRC after decrypting! Check file!");
    choose("modem.sf2", enciphered("KelvoFlash"));
    choices.keyFields[0] = "00000000";
    EXPECT_EQ(refusal(), "ERROR: Wrong key or file isn't correct!");
    choices.keyFields[0] = "01234567";
    choose("short.sf2", EncipherFirmwareFile("Kelvo", kKey));
    EXPECT_EQ(refusal(), "ERROR: Wrong key or file isn't correct!");
    auto cut = EncipherFirmwareFile("KelvoFlash", kKey);
    cut.pop_back();
    choose("magic.sf2", cut);
    EXPECT_EQ(refusal(), "ERROR: Wrong key or file isn't correct!") << "magic without room for its CRC";
}

TEST_F(SingleFlashLoadTest, SRecordErrorAfterDecipheringIsRefusedNotProgrammedEmpty) {
    std::string text = MakeSRecordFile(image);
    text[text.find("\r\nS2") + 12] ^= 1;
    choose("modem.sf2", EncipherFirmwareFile("KelvoFlash" + text, kKey));
    EXPECT_EQ(refusal(), "");
    EXPECT_EQ(boxes.count(), 1u);
}

TEST_F(SingleFlashLoadTest, BlockFileIsSentAsItIsInUpdateMode) {
    auto plain = image;
    plain.resize(768, 0xFF);
    const auto blocks = EncodeFirmwareBlocks(plain, 768);
    choose("oem.sfo", withOemCrc(blocks));
    choices.update = true;
    const auto loaded = load();
    EXPECT_EQ(loaded.data, blocks);
    EXPECT_EQ(loaded.length, blocks.size());
    EXPECT_EQ(loaded.deviceRow, 2u);
}

TEST_F(SingleFlashLoadTest, BootModeProgramsTheBlocksDataAtTheirAddressesWithoutHeaders) {
    auto plain = image;
    plain.resize(768, 0xFF);
    auto scrambled = plain;
    choose("oem.s11", withOemCrc(EncodeFirmwareBlocks(scrambled, 768)));
    choices.update = false;
    const auto loaded = load();
    EXPECT_EQ(loaded.length, 768u);
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), loaded.data.begin()));
    EXPECT_EQ(loaded.data[768], 0xFF);
}

TEST_F(SingleFlashLoadTest, ShortOrCutBlockFilesAreRefused) {
    choose("one.sfo", {0x42});
    EXPECT_EQ(refusal(), "ERROR: Wrong CRC after decrypting! Check file!");
    std::vector<uint8_t> ones(256, 1);
    auto blocks = EncodeFirmwareBlocks(ones, 256);
    choose("bad.sfo", withOemCrc(blocks));
    blocks.back() ^= 1;
    auto damaged = withOemCrc(blocks);
    damaged.back() ^= 1;
    choose("bad.sfo", damaged);
    EXPECT_EQ(refusal(), "ERROR: Wrong CRC after decrypting! Check file!");
    blocks.pop_back();
    choose("cut.sfo", withOemCrc(blocks));
    EXPECT_EQ(refusal(), "ERROR: File is not made of whole blocks! Check file!");
    choose("crc-only.sfo", withOemCrc({}));
    EXPECT_EQ(refusal(), "ERROR: File holds no firmware! Check file!");
}

// A block addressed beyond the modem's 512 KiB would be refused by the modem
// halfway through the load; update mode finds it before the load starts, as the
// boot mode's flattening does.
TEST_F(SingleFlashLoadTest, BlocksOutsideTheImageAreRefusedInBothModes) {
    std::vector<uint8_t> big(0x80080, 0x33);
    const auto blocks = EncodeFirmwareBlocksFrom(big, 0x7FF80, 0x80080);
    for (const bool update : {true, false}) {
        choose("far.sfo", withOemCrc(blocks));
        choices.update = update;
        EXPECT_EQ(refusal(), "ERROR: File is too big for the image buffer! Check file!") << update;
    }
}

TEST_F(SingleFlashLoadTest, ProtectedFileGivesItsIdentifier) {
    std::vector<uint8_t> threes(128, 3);
    const auto blocks = withOemCrc(EncodeFirmwareBlocks(threes, 128));
    TProtector crypter;
    crypter.Key = kFirmwarePassPhrase;
    crypter.UseFileID = crypter.CompressData = true;
    crypter.FileID = "YAX12-OEM";
    choices.fileName = folder.file("oem.s12");
    crypter.SaveToFile(choices.fileName, std::string(blocks.begin(), blocks.end()));
    choices.kind = *SingleFlashFileKindOf(choices.fileName, false).kind;
    choices.update = true;
    const auto loaded = load();
    EXPECT_EQ(loaded.fileId, "YAX12-OEM");
    EXPECT_EQ(loaded.deviceRow, 15u);
    EXPECT_EQ(loaded.length, kFirmwareBlockSize);
}
} // namespace
