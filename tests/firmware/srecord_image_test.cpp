#include "firmware/srecord_image.h"

#include "sim/firmware/firmware_test_files.h"
#include "support/message_box_recorder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
std::vector<uint8_t> blankImage(size_t size = 0x80000) {
    return std::vector<uint8_t>(size, 0xFF);
}

std::vector<uint8_t> bytes(size_t count, uint8_t first) {
    std::vector<uint8_t> data(count);
    for (size_t i = 0; i < count; ++i)
        data[i] = static_cast<uint8_t>(first + i);
    return data;
}

const std::string kEnd = MakeSRecord('9', 0, {});
} // namespace

TEST(SRecordImage, WritesDataRecordsAndRoundsTheSizeUpTo128) {
    MessageBoxRecorder boxes;
    auto image = blankImage();
    const auto data = bytes(16, 0x10);
    const std::string text =
        MakeSRecord('0', 0, bytes(4, 'A')) + "\r\n" + MakeSRecord('1', 0, data) + "\r\n" + kEnd + "\r\n";
    ASSERT_EQ(MakeSRecord('1', 0, data).substr(2, 2), "13");
    for (auto reader : {ParseSRecordImage, LoadSRecordImage}) {
        std::fill(image.begin(), image.end(), 0xFF);
        EXPECT_EQ(reader(text, image), 128u);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), image.begin()));
        EXPECT_EQ(image[16], 0xFF);
    }
    EXPECT_EQ(boxes.count(), 0u);

    const auto sizeEndingAt = [&](uint32_t last) {
        const std::string records = MakeSRecord('2', last - 3, bytes(4, 0)) + "\r\n" + kEnd + "\r\n";
        return LoadSRecordImage(records, image);
    };
    EXPECT_EQ(sizeEndingAt(0x1FFFF), 0x20000u);
    EXPECT_EQ(sizeEndingAt(0x1FF80), 0x20000u);
    EXPECT_EQ(sizeEndingAt(0x1FF7F), 0x1FF80u);
}

TEST(SRecordImage, ChecksumErrorStopsWithItsBox) {
    MessageBoxRecorder boxes;
    auto image = blankImage();
    std::string badHeader = MakeSRecord('0', 0, bytes(4, 'A'));
    badHeader[badHeader.size() - 1] ^= 1;
    const std::string text = badHeader + "\r\n" + MakeSRecord('1', 0, bytes(16, 0)) + "\r\n" + kEnd + "\r\n";
    EXPECT_EQ(ParseSRecordImage(text, image), 0u);
    EXPECT_EQ(LoadSRecordImage(text, image), 0u);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"CRC error in a37 file ", "CRC error in a37 file "}));
    EXPECT_EQ(image[0], 0xFF);

    boxes.clear();
    std::string lower = MakeSRecord('1', 0, bytes(16, 0xA0));
    for (char& c : lower)
        c = static_cast<char>(std::tolower(c));
    lower[0] = 'S';
    EXPECT_EQ(LoadSRecordImage(lower + "\r\n" + kEnd, image), 0u);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"CRC error in a37 file "});
}

TEST(SRecordImage, SingleWindowReaderCutsAtEachS) {
    MessageBoxRecorder boxes;
    auto image = blankImage();
    // No line ends at all, then two 'S's in a row: the reading ends there.
    const std::string joined = MakeSRecord('1', 0, bytes(4, 1)) + MakeSRecord('1', 4, bytes(4, 5)) + "SS" +
                               MakeSRecord('1', 0x200, bytes(4, 9));
    EXPECT_EQ(ParseSRecordImage(joined, image), 128u);
    EXPECT_EQ(image[7], 8);
    EXPECT_EQ(image[0x200], 0xFF);
    EXPECT_EQ(boxes.count(), 0u);

    // Without an end record the empty record at the end fails the sum.
    EXPECT_EQ(ParseSRecordImage(MakeSRecord('1', 0, bytes(4, 1)) + "\n", image), 0u);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"CRC error in a37 file "});
}

TEST(SRecordImage, LineReadersTakeLfOnlyFilesAndEndAtABlankLine) {
    MessageBoxRecorder boxes;
    const auto data = MakeTestImage(1000);
    for (const char* lineEnd : {"\r\n", "\n"}) {
        auto image = blankImage();
        uint32_t lowest = 0;
        EXPECT_EQ(LoadSRecordImageAt(MakeSRecordFile(data, 32, lineEnd), image, lowest), 1024u) << lineEnd;
        EXPECT_TRUE(std::equal(data.begin(), data.end(), image.begin()));
        EXPECT_EQ(lowest, 0u);
    }
    auto image = blankImage();
    uint32_t lowest = 0;
    const std::string blank =
        MakeSRecord('1', 0x300, bytes(4, 1)) + "\n\n" + MakeSRecord('1', 0x100, bytes(4, 1)) + "\n";
    EXPECT_EQ(LoadSRecordImageAt(blank, image, lowest), 0x380u);
    EXPECT_EQ(lowest, 0x300u);
    EXPECT_EQ(image[0x100], 0xFF);
    EXPECT_EQ(LoadSRecordImageAt(MakeSRecord('0', 0, {}), image, lowest), 128u);
    EXPECT_EQ(lowest, kNoSRecordAddress);
    EXPECT_EQ(boxes.count(), 0u);

    // A line that does not begin with 'S' is warned about and read all the same.
    const std::string odd = "X" + MakeSRecord('1', 0, bytes(4, 1)).substr(1) + "\r\n" + kEnd;
    EXPECT_EQ(LoadSRecordImage(odd, image), 128u);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"a37 is wrong format"});
}

TEST(SRecordImage, RefusesRecordsThatDoNotFit) {
    MessageBoxRecorder boxes;
    auto image = blankImage(0x1000);
    const auto refusal = [&](const std::string& text) {
        boxes.clear();
        const SRecordImage byLines = ReadSRecordImage(text, image, SRecordCutting::ByLines);
        const SRecordImage atEachS = ReadSRecordImage(text, image, SRecordCutting::AtEachS);
        EXPECT_EQ(byLines.size, 0u);
        EXPECT_EQ(byLines.error, atEachS.error);
        EXPECT_EQ(boxes.texts().back(), SRecordErrorText(byLines.error));
        return byLines.error;
    };
    // Data that would run past the image buffer writes nothing.
    EXPECT_EQ(refusal(MakeSRecord('1', 0xFFE, bytes(4, 1)) + "\r\n"), SRecordError::OutsideImage);
    EXPECT_EQ(image[0xFFE], 0xFF);
    EXPECT_EQ(refusal(MakeSRecord('2', 0xFFFFFF, bytes(1, 1)) + "\r\n"), SRecordError::OutsideImage);
    // 57 data bytes fill the record buffer; 58 do not fit.
    EXPECT_EQ(
        ReadSRecordImage(MakeSRecord('1', 0, bytes(57, 0)) + "\r\n" + kEnd, image, SRecordCutting::ByLines)
            .error,
        SRecordError::None);
    EXPECT_EQ(refusal(MakeSRecord('1', 0, bytes(58, 0)) + "\r\n"), SRecordError::TooLong);
    // An S2 record with a count of 3 has no room for its address and checksum.
    EXPECT_EQ(refusal("S2030000FC\r\n"), SRecordError::CountTooSmall);
    // A last record cut short, and digits outside the hexadecimal set.
    const std::string whole = MakeSRecord('1', 0, bytes(16, 0));
    EXPECT_EQ(refusal(whole.substr(0, whole.size() - 5)), SRecordError::Checksum);
    EXPECT_EQ(refusal("S1"), SRecordError::Checksum);
    EXPECT_EQ(refusal("S1!!"), SRecordError::Checksum);
    boxes.clear();
    EXPECT_EQ(LoadSRecordImage("S1zz00", image), 0u);
    EXPECT_EQ(boxes.texts().front(), "l\xE4skiks meni");
}

TEST(SRecordImage, CopyTextLineStopsAtLineEndsAndAtTheBuffer) {
    std::array<char, 4> line{};
    EXPECT_EQ(CopyTextLine("AB\r\nCD", line), 2u);
    EXPECT_EQ(CopyTextLine(std::string_view("AB\0CD", 5), line), 2u);
    EXPECT_EQ(CopyTextLine("ABCDEFG", line), 7u);
    EXPECT_EQ(std::string(line.data(), 4), "ABCD");
}
