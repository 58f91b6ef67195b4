#include "base/tstreamstring.h"
#include "support/temp_folder.h"
#include "support/unreadable_file.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

TEST(TStreamStringTest, AppendsAtTheEndWhereverThePositionIs) {
    TStreamString stream;
    stream.AppendString("ab");
    stream.Seek(0);
    stream.AppendString(std::string("c\0", 2));
    stream.AppendBuffer("de", 2);
    EXPECT_EQ(stream.Size(), 6u);
    EXPECT_EQ(stream.AsString(), std::string("abc\0de", 6));
    EXPECT_EQ(stream.Memory()[2], 'c');
}

TEST(TStreamStringTest, ReadsFromThePosition) {
    TStreamString stream;
    stream.AppendString("hello");
    char buffer[8] = {};
    stream.AsString();
    EXPECT_EQ(stream.ReadBuffer(buffer, 8), 0u) << "AsString leaves the position at the end";
    stream.Rewind();
    EXPECT_EQ(stream.ReadBuffer(buffer, 8), 5u);
    EXPECT_EQ(std::string(buffer), "hello");
    EXPECT_EQ(stream.ByteAt(1), 'e');
    EXPECT_EQ(stream.ReadBuffer(buffer, 2), 2u);
    EXPECT_EQ(std::string(buffer, 2), "ll") << "ByteAt leaves the position after its byte";
    EXPECT_EQ(stream.ByteAt(9), 0);
    stream.Clear();
    EXPECT_EQ(stream.Size(), 0u);
    EXPECT_EQ(stream.AsString(), "");
}

TEST(TStreamStringTest, SavesAndLoadsFiles) {
    TempFolder folder;
    const std::string name = folder.file("image.bin");
    TStreamString stream;
    stream.AppendString(std::string("\0\x01\xFF", 3));
    stream.SaveToFile(name);
    TStreamString loaded;
    loaded.AppendString("old");
    loaded.LoadFromFile(name);
    EXPECT_EQ(loaded.AsString(), std::string("\0\x01\xFF", 3));

    EXPECT_THROW(loaded.LoadFromFile(folder.file("missing.bin")), EStreamError);
    for (const std::string& unreadable : MakeUnreadableFiles(folder.file("unreadable")))
        EXPECT_THROW(loaded.LoadFromFile(unreadable), EStreamError) << unreadable;
    std::filesystem::permissions(name, std::filesystem::perms::owner_read);
    EXPECT_THROW(TStreamString().SaveToFile(name), EStreamError);
    loaded.LoadFromFile(name);
    EXPECT_EQ(loaded.Size(), 3u) << "a failed save leaves the file as it was";
}

} // namespace
