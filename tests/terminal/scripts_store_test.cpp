#include "base/tstreamstring.h"
#include "platform/atomic_file.h"
#include "platform/tinifile.h"
#include "support/temp_folder.h"
#include "terminal/script_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace {

std::string storeRecord(const std::string& text) {
    const auto n = static_cast<uint32_t>(text.size());
    std::string out{static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF),
                    static_cast<char>((n >> 16) & 0xFF), static_cast<char>(n >> 24)};
    return out + text;
}

std::string fileRecord(char flag, const std::string& text) {
    return std::string{flag, static_cast<char>(text.size() >> 8), static_cast<char>(text.size() & 0xFF)} +
           text;
}

// A table whose every cell differs, with empty texts and odd flag values among them.
ScriptTable sampleTable() {
    ScriptTable table;
    for (int k = 1; k <= kScriptCells; ++k) {
        table.cell(k).text = k % 7 == 0 ? "" : "text " + std::to_string(k) + "\\41\r\n\xFF";
        table.cell(k).mixed = k % 3 == 0 ? "1" : (k % 3 == 1 ? "0" : "");
    }
    table.cell(1, kScriptNameRow).text = "First set";
    return table;
}

void expectSameCells(const ScriptTable& expected, const ScriptTable& actual) {
    for (int k = 1; k <= kScriptCells; ++k) {
        EXPECT_EQ(expected.cell(k).text, actual.cell(k).text) << "key " << k;
        EXPECT_EQ(expected.cell(k).IsMixed(), actual.cell(k).IsMixed()) << "key " << k;
    }
}

class ScriptStoreTest : public ::testing::Test {
protected:
    TempFolder folder;
    std::string settingsName = folder.file("quovix.ini");
    std::string storeName = ScriptStoreFileName(settingsName);

    void writeStore(const std::string& bytes) { ReplaceFileContents(storeName, bytes); }
    std::string storeBytes() {
        TStreamString stream;
        stream.LoadFromFile(storeName);
        return stream.AsString();
    }
};

} // namespace

TEST_F(ScriptStoreTest, StoreFileLivesBesideTheSettingsFile) {
    EXPECT_EQ(folder.file("scripts.txt"), storeName);
    EXPECT_EQ("/scripts.txt", ScriptStoreFileName("/quovix.ini"));
}

TEST_F(ScriptStoreTest, VersionThreeRoundTripsEveryCell) {
    TIniFile settings(settingsName);
    const ScriptTable table = sampleTable();
    ASSERT_TRUE(StoreScriptStore(settings, storeName, table));

    EXPECT_EQ("3", settings.ReadString("Script texts", "Script version", ""));
    EXPECT_EQ("1", settings.ReadString("Script texts", "SHIFT F156", ""));
    EXPECT_EQ("0", settings.ReadString("Script texts", "SHIFT F13", ""));
    std::string expectedStore;
    for (int k = 1; k <= kScriptCells; ++k) {
        expectedStore += storeRecord(table.cell(k).text);
    }
    EXPECT_EQ(expectedStore, storeBytes());

    ScriptTable loaded;
    EXPECT_EQ(ScriptStoreLoad::AllSets, LoadScriptStore(settings, storeName, loaded));
    expectSameCells(table, loaded);
    EXPECT_EQ("First set", loaded.cell(1, kScriptNameRow).text);
}

TEST_F(ScriptStoreTest, WithoutStoreFileNothingLoads) {
    TIniFile settings(settingsName);
    settings.WriteString("Script texts", "SHIFT F1", "1");
    ScriptTable table;
    EXPECT_EQ(ScriptStoreLoad::None, LoadScriptStore(settings, storeName, table));
    EXPECT_EQ("", table.cell(1, 1).mixed);
}

// Ways a store file can be there and still not be read, root included (the
// tests may run as root, who reads any file whatever its permissions).
enum class UnreadableStore { Folder, LinkToFolder, LinkLoop, NoPermission };

void makeUnreadable(UnreadableStore kind, const TempFolder& folder, const std::string& storeName) {
    switch (kind) {
    case UnreadableStore::Folder:
        std::filesystem::create_directory(storeName);
        break;
    case UnreadableStore::LinkToFolder:
        std::filesystem::create_directory(folder.file("elsewhere"));
        std::filesystem::create_directory_symlink(folder.file("elsewhere"), storeName);
        break;
    case UnreadableStore::LinkLoop:
        std::filesystem::create_symlink(storeName, storeName);
        break;
    case UnreadableStore::NoPermission:
        ReplaceFileContents(storeName, std::string(4, '\0'));
        std::filesystem::permissions(storeName, std::filesystem::perms::none);
        break;
    }
}

TEST_F(ScriptStoreTest, AStoreThatIsThereButUnreadableIsNotTakenForAMissingOne) {
    TIniFile settings(settingsName);
    settings.WriteString("Script texts", "Script version", "3");
    settings.WriteString("Script texts", "SHIFT F1", "1");
    for (UnreadableStore kind : {UnreadableStore::Folder, UnreadableStore::LinkToFolder,
                                 UnreadableStore::LinkLoop, UnreadableStore::NoPermission}) {
        std::filesystem::remove_all(storeName);
        makeUnreadable(kind, folder, storeName);
        if (kind == UnreadableStore::NoPermission && geteuid() == 0) {
            continue; // root reads it
        }
        ScriptTable table;
        EXPECT_EQ(ScriptStoreLoad::Unreadable, LoadScriptStore(settings, storeName, table))
            << static_cast<int>(kind);
        EXPECT_EQ("", table.cell(1, 1).mixed) << "nothing loads";
    }
}

TEST_F(ScriptStoreTest, MissingVersionReadsOneSetOfTwelveWithFlagsAsRead) {
    TIniFile settings(settingsName);
    settings.WriteString("Script texts", "SHIFT F1", "1yes");
    settings.WriteString("Script texts", "SHIFT F12", "1");
    std::string bytes;
    for (int n = 1; n <= 13; ++n) {
        bytes += storeRecord("key " + std::to_string(n));
    }
    writeStore(bytes);

    ScriptTable table;
    EXPECT_EQ(ScriptStoreLoad::OneSet, LoadScriptStore(settings, storeName, table));
    EXPECT_EQ("1yes", table.cell(1, 1).mixed);
    EXPECT_TRUE(table.cell(1, 12).IsMixed());
    EXPECT_FALSE(table.cell(1, 2).IsMixed());
    EXPECT_EQ("key 12", table.cell(1, 12).text);
    EXPECT_EQ("", table.cell(1, kScriptNameRow).text);
    EXPECT_EQ("", table.cell(2, 1).text);
}

TEST_F(ScriptStoreTest, VersionTwoHasTwelveRowsPerSetAndNoNames) {
    TIniFile settings(settingsName);
    settings.WriteString("Script texts", "Script version", "2");
    settings.WriteString("Script texts", "SHIFT F13", "1");
    std::string bytes;
    for (int k = 1; k <= 144; ++k) {
        bytes += storeRecord("record " + std::to_string(k));
    }
    writeStore(bytes);

    ScriptTable table;
    EXPECT_EQ(ScriptStoreLoad::AllSets, LoadScriptStore(settings, storeName, table));
    EXPECT_EQ("record 13", table.cell(2, 1).text);
    EXPECT_TRUE(table.cell(2, 1).IsMixed());
    EXPECT_EQ("record 144", table.cell(12, 12).text);
    EXPECT_EQ("", table.cell(1, kScriptNameRow).text);

    ASSERT_TRUE(StoreScriptStore(settings, storeName, table));
    EXPECT_EQ("3", settings.ReadString("Script texts", "Script version", ""));
    ScriptTable reloaded;
    EXPECT_EQ(ScriptStoreLoad::AllSets, LoadScriptStore(settings, storeName, reloaded));
    expectSameCells(table, reloaded);
}

TEST_F(ScriptStoreTest, CutStoreFileLoadsOnlyCompleteRecordsAndTextsEndAtZero) {
    TIniFile settings(settingsName);
    settings.WriteString("Script texts", "Script version", "3");
    // The third record claims 100 bytes of which 10 are there.
    writeStore(storeRecord(std::string("ab\0cd", 5)) + storeRecord("second") +
               storeRecord(std::string(100, 'x')).substr(0, 14));

    ScriptTable table;
    EXPECT_EQ(ScriptStoreLoad::AllSets, LoadScriptStore(settings, storeName, table));
    EXPECT_EQ("ab", table.cell(1).text);
    EXPECT_EQ("second", table.cell(2).text);
    for (int k = 3; k <= kScriptCells; ++k) {
        EXPECT_EQ("", table.cell(k).text) << "key " << k;
    }
}

TEST_F(ScriptStoreTest, ReadOnlySettingsFileLeavesStoreFileWhole) {
    {
        TIniFile settings(settingsName);
        ASSERT_TRUE(StoreScriptStore(settings, storeName, sampleTable()));
    }
    const std::string before = storeBytes();
    std::filesystem::permissions(settingsName, std::filesystem::perms::owner_read);

    TIniFile settings(settingsName);
    EXPECT_FALSE(StoreScriptStore(settings, storeName, ScriptTable()));
    EXPECT_EQ(before, storeBytes());
    const auto files = std::distance(std::filesystem::directory_iterator(folder.path()),
                                     std::filesystem::directory_iterator());
    EXPECT_EQ(2, files) << "no temporary file is left behind";
}

TEST(ScriptFile, SetsLayoutRoundTripsAndEncodesEmptyTextAsTwoZeroBytes) {
    ScriptTable small;
    small.cell(1) = {"AB", "1x"};
    small.cell(2) = {"", "1"};
    const std::string bytes = EncodeScriptFile(small);
    EXPECT_EQ(std::string("V\x03"
                          "1\0\x02"
                          "AB"
                          "1\0\0"
                          "0\0\0",
                          13),
              bytes.substr(0, 13));
    EXPECT_EQ(2 + 2 + 156 * 3u, bytes.size());

    const ScriptTable table = sampleTable();
    ScriptTable loaded;
    EXPECT_EQ(ScriptFileContents::Sets, DecodeScriptFile(EncodeScriptFile(table), loaded).layout);
    expectSameCells(table, loaded);
}

TEST(ScriptFile, OldLayoutReturnsTextsForTheShownSetAndLeavesTheTable) {
    const std::string bytes = fileRecord(1, "one") + fileRecord(0, "two") + fileRecord(7, "three");
    ScriptTable table;
    table.cell(1, 1).text = "kept";
    const ScriptFileContents contents = DecodeScriptFile(bytes, table);
    ASSERT_EQ(ScriptFileContents::OldLayout, contents.layout);
    ASSERT_EQ(3u, contents.keys.size());
    EXPECT_TRUE(contents.keys[0].mixed);
    EXPECT_FALSE(contents.keys[1].mixed);
    EXPECT_TRUE(contents.keys[2].mixed);
    EXPECT_EQ("three", contents.keys[2].text);
    EXPECT_EQ("kept", table.cell(1, 1).text);
}

TEST(ScriptFile, CutOrUnknownFilesLoadOnlyWhatIsComplete) {
    ScriptTable table;
    table.cell(3).text = "untouched";
    const std::string cut = std::string("V\x03", 2) + fileRecord('1', "a") + fileRecord('0', "bb") +
                            fileRecord('1', "long text").substr(0, 6);
    EXPECT_EQ(ScriptFileContents::Sets, DecodeScriptFile(cut, table).layout);
    EXPECT_EQ("a", table.cell(1).text);
    EXPECT_TRUE(table.cell(1).IsMixed());
    EXPECT_EQ("bb", table.cell(2).text);
    EXPECT_EQ("untouched", table.cell(3).text);

    EXPECT_EQ(ScriptFileContents::Unknown,
              DecodeScriptFile(std::string("V\x02", 2) + fileRecord('1', "x"), table).layout);
    EXPECT_EQ(ScriptFileContents::Unknown, DecodeScriptFile("X", table).layout);
    EXPECT_EQ(ScriptFileContents::Unknown, DecodeScriptFile("", table).layout);
    EXPECT_EQ("a", table.cell(1).text);
}

// A file holds its 156 (or 12) records; what follows them is not read.
TEST(ScriptFile, BytesAfterTheLastRecordAreLeftUnread) {
    const ScriptTable sets = sampleTable();
    ScriptTable loaded;
    const ScriptFileContents read = DecodeScriptFile(EncodeScriptFile(sets) + "junk", loaded);
    EXPECT_EQ(ScriptFileContents::Sets, read.layout);
    EXPECT_EQ("", ScriptFileFault(read, "a.stf"));
    expectSameCells(sets, loaded);

    for (const std::string& old :
         {std::string(36, '\0'), std::string(300, '\0'), std::string(36, '\0') + fileRecord(1, "more")}) {
        const ScriptFileContents twelveEmpty = DecodeScriptFile(old, loaded);
        EXPECT_EQ(ScriptFileContents::OldLayout, twelveEmpty.layout);
        EXPECT_EQ(12u, twelveEmpty.keys.size());
        EXPECT_EQ("", ScriptFileFault(twelveEmpty, "a.stf"));
    }
}

TEST(ScriptFile, FilesOfNeitherLayoutLoadNothingAndSayWhatWasWrong) {
    ScriptTable table;
    table.cell(1).text = "untouched";
    std::string garbage;
    for (int i = 0; i < 500; ++i) {
        garbage.push_back(static_cast<char>((i * 37 + 11) % 251));
    }
    garbage[0] = 'G';
    struct Case {
        const char* what;
        std::string bytes;
    };
    for (const Case& bad : {Case{"garbage", garbage}, Case{"unknown first byte", "X"}, Case{"empty", ""},
                            Case{"unknown version", std::string("V\x02", 2) + fileRecord('1', "x")}}) {
        const ScriptFileContents contents = DecodeScriptFile(bad.bytes, table);
        EXPECT_EQ(ScriptFileContents::Unknown, contents.layout) << bad.what;
        EXPECT_TRUE(contents.keys.empty()) << bad.what;
        EXPECT_EQ("untouched", table.cell(1).text) << bad.what;
        EXPECT_EQ("File a.stf is not a script file", ScriptFileFault(contents, "a.stf")) << bad.what;
    }

    // Garbage that starts like the old layout runs past its end: it says so.
    garbage[0] = 1;
    for (const std::string& cutBytes : {fileRecord(1, "one") + fileRecord(0, "tw"), garbage}) {
        const ScriptFileContents cut = DecodeScriptFile(cutBytes, table);
        EXPECT_TRUE(cut.cutShort);
        EXPECT_EQ("File a.stf is cut short: only its complete texts were loaded",
                  ScriptFileFault(cut, "a.stf"));
    }

    TempFolder folder;
    const ScriptFileContents unreadable = ReadScriptFile(folder.path().string(), table);
    EXPECT_EQ(ScriptFileContents::Unreadable, unreadable.layout);
    EXPECT_EQ("Unable to read file x.stf", ScriptFileFault(unreadable, "x.stf"));
}
