#include "firmware/tcompressor.h"

#include "sim/firmware/firmware_test_files.h"

#include <gtest/gtest.h>

#include <sstream>
#include <zlib.h>

namespace {
std::string textOf(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}
} // namespace

TEST(TCompressor, RoundTripsTextsOfEverySize) {
    // Zeros expand far beyond one output buffer per input buffer: the finishing
    // steps must keep going until the stream ends.
    for (const std::string& original : {std::string(), std::string("S1130000"), textOf(MakeTestImage(100000)),
                                        std::string(4 << 20, '\0')}) {
        TCompressor compressor;
        std::string bytes = compressor.CompressString(original);
        EXPECT_EQ(compressor.Result(), 0);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(compressor.Decompress(bytes), 0) << compressor.ErrorText();
        EXPECT_EQ(compressor.ErrorText(), "Ok!");
        EXPECT_EQ(bytes.size(), original.size());
        EXPECT_TRUE(bytes == original);
    }
}

TEST(TCompressor, WritesZlibFormatAtItsLevel) {
    const std::string text(5000, 'x');
    TCompressor compressor;
    const std::string bytes = compressor.CompressString(text);
    std::vector<unsigned char> out(text.size());
    uLongf length = out.size();
    ASSERT_EQ(uncompress(out.data(), &length, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()),
              Z_OK);
    EXPECT_EQ(length, text.size());
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x78);
}

TEST(TCompressor, BadInputGivesItsCodeAndAnEmptyStream) {
    std::vector<std::pair<std::string, int>> handled;
    TCompressor compressor;
    compressor.OnError = [&](const std::string& text, int code) { handled.emplace_back(text, code); };
    std::string notZlib = "this is not a zlib stream";
    EXPECT_EQ(compressor.Decompress(notZlib), -3);
    EXPECT_TRUE(notZlib.empty());
    EXPECT_EQ(handled.back(), (std::pair<std::string, int>{"Data error!", -3}));

    std::string truncated = compressor.CompressString(textOf(MakeTestImage(20000)));
    truncated.resize(truncated.size() / 2);
    EXPECT_LT(compressor.Decompress(truncated), 0);
    EXPECT_TRUE(truncated.empty());
    std::string empty;
    EXPECT_LT(compressor.Decompress(empty), 0);
}

TEST(TCompressor, ProgressReachesAHundredAndAHandlerMayAbort) {
    const std::string text = textOf(MakeTestImage(50000));
    std::vector<float> progress;
    TCompressor compressor;
    compressor.OnProgress = [&](float percent) { progress.push_back(percent); };
    std::istringstream input(text);
    std::ostringstream output;
    EXPECT_EQ(compressor.DeflateStreams(input, output, 8), 0);
    ASSERT_GE(progress.size(), 3u);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_FLOAT_EQ(progress.back(), 100.0f);

    compressor.OnProgress = [&](float) { compressor.Abort(); };
    std::string bytes = text;
    EXPECT_EQ(compressor.Compress(bytes), TCompressor::kUserAbort);
    EXPECT_EQ(compressor.ErrorText(), "User abort!");
    EXPECT_TRUE(bytes.empty());
}
