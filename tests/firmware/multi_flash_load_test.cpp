#include "firmware/multi_flash_load.h"

#include "firmware/cmassflash_kz_k10.h"
#include "firmware/firmware_blocks.h"
#include "firmware/tprotector.h"
#include "sim/firmware/firmware_test_files.h"
#include "support/file_text.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {
std::string protectedFile(const std::string& name, const std::string& payload, const std::string& fileId) {
    TProtector crypter;
    crypter.Key = kFirmwarePassPhrase;
    crypter.UseFileID = true;
    crypter.CompressData = true;
    crypter.FileID = fileId;
    crypter.SaveToFile(name, payload);
    return name;
}

class MultiFlashLoadTest : public ::testing::Test {
protected:
    MultiFlashLoadTest() {
        for (int c = 0; c < kFlashChannels; ++c)
            choices.channels[c] = {false, "COM" + std::to_string(c + 1)};
        choices.channels[0].enabled = true;
        choices.fileName = folder.file("modem.a37");
        WriteFileText(choices.fileName, MakeSRecordFile(image));
    }

    MultiFlashFirmware read() {
        auto result = ReadMultiFlashFirmware(choices);
        EXPECT_TRUE(std::holds_alternative<MultiFlashFirmware>(result))
            << std::get<FlashRefusal>(result).text;
        return std::holds_alternative<MultiFlashFirmware>(result) ? std::get<MultiFlashFirmware>(result)
                                                                  : MultiFlashFirmware{};
    }

    std::string refusalOfRead() {
        auto result = ReadMultiFlashFirmware(choices);
        EXPECT_TRUE(std::holds_alternative<FlashRefusal>(result));
        return std::holds_alternative<FlashRefusal>(result) ? std::get<FlashRefusal>(result).text
                                                            : "(loaded)";
    }

    std::string refusalOfCheck() {
        const auto refusal = CheckMultiFlashChoices(choices);
        return refusal ? refusal->text : "(passed)";
    }

    TempFolder folder;
    MessageBoxRecorder boxes;
    MultiFlashChoices choices;
    const std::vector<uint8_t> image = MakeTestImage(1000);
};

TEST_F(MultiFlashLoadTest, ChecksRefuseInTheWindowsOrder) {
    // An empty port box ends the check silently and turns that channel off, even
    // before the other checks could speak.
    choices.channels[0].enabled = false;
    choices.h8_3069 = choices.kzModule = true;
    choices.channels[2].portText.clear();
    auto refusal = CheckMultiFlashChoices(choices);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->text, "");
    EXPECT_EQ(refusal->clearChannel, 2);

    choices.channels[2].portText = "COM3";
    EXPECT_EQ(refusalOfCheck(), "One of the ports must be enabled !!!");
    choices.channels[3].enabled = true;
    EXPECT_EQ(refusalOfCheck(), "Both H8 and KZ mudules can not be flashed same time !!!");
    choices.kzModule = false;
    choices.channels[2].enabled = true;
    choices.channels[2].portText = choices.channels[3].portText;
    EXPECT_EQ(refusalOfCheck(), "All active channels must point to different com ports !!!");
    choices.channels[2].portText = "COM3";
    choices.fileName = folder.file("missing.a37");
    EXPECT_EQ(refusalOfCheck(), "File " + choices.fileName + " does not exists !!!");
}

TEST_F(MultiFlashLoadTest, DisabledChannelsPortsAreNotCompared) {
    choices.channels[1].portText = choices.channels[2].portText = choices.channels[0].portText;
    EXPECT_EQ(refusalOfCheck(), "(passed)");
    choices.channels[1].enabled = true;
    EXPECT_EQ(refusalOfCheck(), "All active channels must point to different com ports !!!");
}

TEST_F(MultiFlashLoadTest, AnEnabledPortWithoutANumberIsRefusedNotACrash) {
    choices.channels[0].portText = "ttyUSB";
    EXPECT_EQ(refusalOfCheck(), "Serial port ttyUSB is not a COM port !!!");
}

TEST_F(MultiFlashLoadTest, SpeedIndexAndCrystalFollowTheBoxesInOrder) {
    struct Case {
        bool fast, slow;
        int32_t index;
    };
    for (const Case c :
         {Case{false, false, 0}, Case{true, false, 1}, Case{true, true, 2}, Case{false, true, 2}}) {
        choices.speedSelection = c.fast;
        choices.veryslow = c.slow;
        const auto inputs = MultiFlashInputs(choices, {});
        EXPECT_EQ(inputs.speedIndex, c.index);
        EXPECT_EQ(inputs.highSpeed, c.fast ? 1u : 0u);
    }
    EXPECT_FALSE(MultiFlashInputs(choices, {}).clockHz);
    choices.freq24 = true;
    EXPECT_EQ(MultiFlashInputs(choices, {}).clockHz, 24576000);
    choices.freq33 = true;
    EXPECT_EQ(MultiFlashInputs(choices, {}).clockHz, 33000000);
    choices.freqVar = true;
    choices.crystalHz = 40000000;
    EXPECT_EQ(MultiFlashInputs(choices, {}).clockHz, 40000000);
}

TEST_F(MultiFlashLoadTest, InputsCarryPortsOfEnabledChannelsAndTheFamilysFixedValues) {
    choices.channels[2] = {true, "COM12"};
    choices.dsrMode = true;
    MultiFlashFirmware k10;
    k10.family = FlashFamily::K10;
    k10.cryptFile = true;
    const auto inputs = MultiFlashInputs(choices, k10);
    EXPECT_EQ(inputs.ports[0], 1u);
    EXPECT_FALSE(inputs.ports[1]);
    EXPECT_EQ(inputs.ports[2], 12u);
    EXPECT_EQ(inputs.updateMode, 1) << "the K10 engine always runs in update mode";
    EXPECT_EQ(inputs.fileKind, kK10FromProtectedFile);
    EXPECT_EQ(inputs.dsrCheck, 1);
    EXPECT_EQ(MultiFlashInputs(choices, MultiFlashFirmware{}).updateMode, 0);
    k10.cryptFile = false;
    EXPECT_EQ(MultiFlashInputs(choices, k10).fileKind, kK10FromSRecords);
}

TEST_F(MultiFlashLoadTest, H8_3048GetsTheTextAsReadWithItsLength) {
    const auto firmware = read();
    const std::string text = MakeSRecordFile(image);
    EXPECT_EQ(firmware.family, FlashFamily::H8_3048);
    EXPECT_EQ(firmware.imageLength, text.size());
    EXPECT_EQ(std::string(firmware.image.begin(), firmware.image.begin() + firmware.imageLength), text);
}

TEST_F(MultiFlashLoadTest, H8_3069ImageIsPlainOrBlocksByUpdateAndRow) {
    choices.h8_3069 = true;
    choices.update = true;
    choices.deviceRow = 1;
    auto plain = read();
    EXPECT_EQ(plain.image.size(), kH8_3069ImageSize);
    EXPECT_EQ(plain.imageLength, 1024u);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), plain.image.begin()));

    choices.deviceRow = 3;
    auto blocks = read();
    EXPECT_EQ(blocks.imageLength, 8 * kFirmwareBlockSize);
    DecodeFirmwareBlocks(blocks.image);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 128, blocks.image.begin() + 4));

    choices.update = false;
    EXPECT_EQ(read().imageLength, 1024u) << "boot mode programs the plain image";
}

TEST_F(MultiFlashLoadTest, BootSectionIsReadInBootFlashMode) {
    choices.h8_3069 = true;
    choices.bootSection = true;
    choices.bootFileName = folder.file("boot.a37");
    WriteFileText(choices.bootFileName, MakeSRecordFile(MakeTestImage(300, 7)));
    const auto firmware = read();
    EXPECT_EQ(firmware.bootImage.size(), kBootImageSize);
    EXPECT_EQ(firmware.bootImageLength, 384u);
    EXPECT_EQ(firmware.bootImage[0], MakeTestImage(300, 7)[0]);
}

TEST_F(MultiFlashLoadTest, K10SRecordFileBecomesABlockImage) {
    choices.kzModule = true;
    const auto firmware = read();
    EXPECT_FALSE(firmware.cryptFile);
    EXPECT_EQ(firmware.imageLength, 8 * kFirmwareBlockSize);
    EXPECT_EQ(firmware.image.size(), firmware.imageLength);
}

TEST_F(MultiFlashLoadTest, K10ProtectedFileIsProgrammedAsStoredWithoutItsLastTwoBytes) {
    choices.kzModule = true;
    std::vector<uint8_t> flat = MakeTestImage(256);
    const std::vector<uint8_t> blocks = EncodeFirmwareBlocks(flat, 256);
    const std::string payload = std::string(blocks.begin(), blocks.end()) + "\x12\x34";
    choices.fileName = protectedFile(folder.file("module.sf1"), payload, "YAX22-1");
    const auto firmware = read();
    EXPECT_TRUE(firmware.cryptFile);
    EXPECT_EQ(firmware.imageLength, 2 * kFirmwareBlockSize);
    EXPECT_TRUE(std::equal(blocks.begin(), blocks.end(), firmware.image.begin()));
    EXPECT_EQ(firmware.image[firmware.imageLength], 0xFF);
    EXPECT_EQ(firmware.fileId, "YAX22-1");
}

TEST_F(MultiFlashLoadTest, CapitalSF1IsReadAsSRecordText) {
    choices.kzModule = true;
    choices.fileName = folder.file("module.SF1");
    WriteFileText(choices.fileName, MakeSRecordFile(image));
    EXPECT_FALSE(IsCryptFile(choices));
    EXPECT_EQ(read().imageLength, 8 * kFirmwareBlockSize);
}

TEST_F(MultiFlashLoadTest, BadFilesAreRefusedWithAMessage) {
    choices.kzModule = true;
    choices.fileName = protectedFile(folder.file("odd.sf1"), std::string(200, 'x'), "ID");
    EXPECT_EQ(refusalOfRead(), "ERROR: File is not made of whole blocks! Check file!");
    choices.fileName =
        protectedFile(folder.file("long.sf1"), std::string(kFirmwareBlockSize + 2, 'x'), "ID-LONGER-THAN-15");
    EXPECT_EQ(refusalOfRead(), "ERROR: File identifier is too long! Check file!");
    choices.fileName = protectedFile(folder.file("short.sf1"), "x", "ID");
    EXPECT_EQ(refusalOfRead(), "ERROR: File holds no firmware! Check file!");
    WriteFileText(folder.file("damaged.sf1"), "not a container");
    choices.fileName = folder.file("damaged.sf1");
    EXPECT_EQ(refusalOfRead(), "Invalid file size!");
}

// A damaged H8/3048 file is refused before any channel opens its port, instead of
// leaving every modem half programmed.
TEST_F(MultiFlashLoadTest, DamagedH8_3048FileIsRefusedBeforeTheLoad) {
    std::string text = MakeSRecordFile(image);
    text.resize(text.rfind("S2") + 20);
    WriteFileText(choices.fileName, text);
    EXPECT_EQ(refusalOfRead(), "ERROR: Not a valid file!");
    text = MakeSRecordFile(image);
    text[text.find("\r\nS2") + 12] ^= 1;
    WriteFileText(choices.fileName, text);
    EXPECT_EQ(refusalOfRead(), "ERROR: Not a valid file!");
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(MultiFlashLoadTest, K10ProtectedBlocksOutsideTheFlashAreRefused) {
    choices.kzModule = true;
    std::vector<uint8_t> big(0x100000, 0x44);
    std::vector<uint8_t> blocks = EncodeFirmwareBlocksFrom(big, 0xFFF80, 0x100000);
    blocks[1] ^= 0x10; // the header now names 0x1FFF80
    choices.fileName =
        protectedFile(folder.file("far.sf1"), std::string(blocks.begin(), blocks.end()) + "\x12\x34", "ID");
    EXPECT_EQ(refusalOfRead(), "ERROR: File is too big for the image buffer! Check file!");
}

TEST_F(MultiFlashLoadTest, SRecordChecksumErrorRefusesAfterTheReadersBox) {
    choices.h8_3069 = true;
    std::string text = MakeSRecordFile(image);
    text[text.find("\r\nS2") + 12] ^= 1;
    WriteFileText(choices.fileName, text);
    EXPECT_EQ(refusalOfRead(), "");
    EXPECT_EQ(boxes.count(), 1u);
}
} // namespace
