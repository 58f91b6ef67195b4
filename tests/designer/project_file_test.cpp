#include "designer/byte_reader.h"
#include "designer/modem_data_file.h"
#include "designer/network_design.h"
#include "designer/project_file.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"
#include "support/unreadable_file.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

const std::string kVersion = "5.2.1";
const std::string kCaption = "TERAMONDO Quovix 5.2.1";
const std::string kCorruptedCut =
    "Input file has been corrupted check all properties and\r\nsave project again";

TKuvio& AddFigure(NetworkDesign& design, const std::string& type, int x, int y, uint16_t id) {
    TKuvio& figure = design.Append(std::make_unique<TKuvio>(x, y));
    figure.SetTypeName(type);
    figure.SetModemName("modem " + std::to_string(id));
    figure.identifier = id;
    return figure;
}

// A design with every kind of figure, links of both views and values with NMS bytes.
void BuildNetwork(NetworkDesign& design) {
    TKuvio& master = AddFigure(design, "QX-450", 40, 30, 1);
    master.SetMasterLook();
    master.SetTerminalAddress("0A");
    design.master = &master;
    TKuvio& repeater = AddFigure(design, "QX-450R", 200, 30, 2);
    repeater.parent = &master;
    repeater.SetTerminalAddress("No address");
    repeater.SetNoTerminalAddress(true);
    TKuvio& mobile = AddFigure(design, "QX-450", 200, 200, 3);
    mobile.SetMobileLook();
    mobile.parent = &master;
    mobile.mobileParent = &repeater;
    TKuvio& multi = AddFigure(design, "QX-MP4", 400, 100, 4);
    multi.SetMultiLook();
    for (int i = 0; i < 3; ++i)
        multi.SetTerminalAddressAt(i, std::to_string(10 * (i + 1)));
    multi.parent = &repeater;
    TKuvio& nms = AddFigure(design, "QX-NMS", 600, 100, 9);
    nms.SetPropertyEntry('B', '0', "12", true, true, 8, 0x1100);
    nms.SetPropertyEntry('S', '5', "", true, true, 100, 0x5106);
    nms.SetPropertyEntry('C', '9', "-90", true, true, 9, 0x110C);
    nms.parent = &multi;
    design.properties.name = "Harbour";
    design.properties.netId = "HB01";
    design.properties.addressType = 1;
    design.properties.length = 2;
    design.properties.routingType = 1;
}

class ProjectFileTest : public testing::Test {
protected:
    std::string Save(NetworkDesign& design, const std::string& name = "net.spf") {
        const std::string path = folder.file(name);
        SaveProjectFile(design, path, kVersion, kCaption);
        return path;
    }
    void Write(const std::string& path, const std::string& bytes) { WriteWholeFile(path, bytes); }

    TempFolder folder;
    MessageBoxRecorder boxes;
};

TEST_F(ProjectFileTest, EmptyProjectIsHeadersPropertiesAndTrailer) {
    NetworkDesign design(false);
    const std::string expected = std::string(":\x05"
                                             "5.2.1") +
                                 "V\x16" + kCaption + "S\x06nonameS\x0cUser DefinedB" + std::string(1, '\0') +
                                 "B\x01"
                                 "B" +
                                 std::string(1, '\0') + "S\x05netidB\x01" +
                                 ":\x01"
                                 "0\x45\xA0";
    EXPECT_EQ(EncodeProjectFile(design, kVersion, kCaption), expected);
}

TEST_F(ProjectFileTest, FigurelessSingleModemFileIsTheTrailerOfNothing) {
    NetworkDesign design(true);
    EXPECT_EQ(EncodeProjectFile(design, kVersion, kCaption), std::string(":\x01"
                                                                         "0\xFF\xFF",
                                                                         5));
}

TEST_F(ProjectFileTest, ProjectRoundTripKeepsEveryFigureLinkAndValue) {
    NetworkDesign saved(false);
    BuildNetwork(saved);
    saved.modified = true;
    const std::string path = Save(saved);
    EXPECT_FALSE(saved.modified);

    NetworkDesign loaded(false);
    loaded.modified = true;
    LoadProjectFile(loaded, path, {});
    EXPECT_TRUE(boxes.texts().empty());
    ASSERT_EQ(loaded.Figures().size(), saved.Figures().size());
    for (size_t i = 0; i < saved.Figures().size(); ++i) {
        const TKuvio& before = *saved.Figures()[i];
        const TKuvio& after = *loaded.Figures()[i];
        SCOPED_TRACE(before.GetModemName());
        EXPECT_EQ(after.GetModemName(), before.GetModemName());
        EXPECT_EQ(after.TypeName(), before.TypeName());
        EXPECT_EQ(after.Left(), before.Left());
        EXPECT_EQ(after.Top(), before.Top());
        EXPECT_EQ(after.identifier, before.identifier);
        EXPECT_EQ(after.Mobile(), before.Mobile());
        EXPECT_EQ(after.Multiport(), before.Multiport());
        EXPECT_EQ(after.MasterLook(), before.MasterLook());
        EXPECT_EQ(after.NoTerminalAddress(), before.NoTerminalAddress());
        EXPECT_EQ(after.GetTerminalAddress(), before.GetTerminalAddress());
        EXPECT_EQ(after.TerminalAddresses(), before.TerminalAddresses());
        EXPECT_EQ(after.PropertyEntries(), before.PropertyEntries());
        EXPECT_EQ(loaded.NumberOf(after.parent), saved.NumberOf(before.parent));
        EXPECT_EQ(loaded.NumberOf(after.mobileParent), saved.NumberOf(before.mobileParent));
        EXPECT_EQ(after.fileVersion, kVersion);
    }
    EXPECT_EQ(loaded.master, loaded.Figures()[0].get());
    EXPECT_EQ(loaded.active, loaded.master);
    EXPECT_EQ(loaded.properties, saved.properties);
    EXPECT_EQ(loaded.figureCounter, 9);
    EXPECT_FALSE(loaded.modified);
    EXPECT_EQ(loaded.Figures()[1]->GetTerminalAddress(), "No address");
}

TEST_F(ProjectFileTest, PositionsAreStoredAtFullScaleAndNegativeOnesLoadAtZero) {
    NetworkDesign design(false);
    // Placed at 50 per cent.
    TKuvio& figure = AddFigure(design, "QX-450", 0, 0, 1);
    figure.SetScale(0.5f);
    figure.SetLeft(100);
    figure.SetTop(31);
    const std::string bytes = EncodeProjectFile(design, kVersion, kCaption);
    ByteReader in(bytes);
    in.Seek(2 + kVersion.size() + 2 + kCaption.size() + 37);
    EXPECT_EQ(in.LittleEndian32(), 200u);
    // The picture's top: the name's top doubled, then the picture's offset.
    EXPECT_EQ(in.LittleEndian32(), 62u + TKuvio::kPictureOffset);

    std::string negative = bytes;
    const size_t block = 2 + kVersion.size() + 2 + kCaption.size() + 37;
    negative.replace(block, 8, std::string("\xF6\xFF\xFF\xFF\xF6\xFF\xFF\xFF", 8));
    Write(folder.file("negative.spf"), negative);
    NetworkDesign loaded(false);
    LoadProjectFile(loaded, folder.file("negative.spf"), {});
    ASSERT_EQ(loaded.Figures().size(), 1u);
    EXPECT_EQ(loaded.Figures()[0]->Left(), 0);
    EXPECT_EQ(loaded.Figures()[0]->PictureTop(), 0);
}

TEST_F(ProjectFileTest, FlippedByteGivesTheCorruptionBoxAndTheDesignStillLoads) {
    NetworkDesign saved(false);
    BuildNetwork(saved);
    const std::string path = Save(saved);
    std::string bytes = ReadWholeFile(path);
    const size_t name = bytes.find("modem 2");
    ASSERT_NE(name, std::string::npos);
    bytes[name] = 'M';
    Write(path, bytes);

    NetworkDesign loaded(false);
    LoadProjectFile(loaded, path, {});
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Project file " + path + " is corrupted !!"}));
    ASSERT_EQ(loaded.Figures().size(), saved.Figures().size());
    EXPECT_EQ(loaded.Figures()[1]->GetModemName(), "Modem 2");
}

TEST_F(ProjectFileTest, EveryCutOfAFileIsReportedAndNeverReadPastItsEnd) {
    NetworkDesign saved(false);
    BuildNetwork(saved);
    const std::string whole = ReadWholeFile(Save(saved));
    for (size_t length = 0; length < whole.size(); ++length) {
        boxes.clear();
        NetworkDesign loaded(false);
        LoadProjectBytes(loaded, "cut.spf", whole.substr(0, length), {});
        EXPECT_FALSE(boxes.texts().empty()) << length;
        EXPECT_LE(loaded.Figures().size(), saved.Figures().size());
    }
}

TEST_F(ProjectFileTest, LongTextsAreCutTo255BytesNotStoredEmpty) {
    NetworkDesign saved(false);
    TKuvio& figure = AddFigure(saved, "QX-450", 0, 0, 1);
    figure.SetModemName(std::string(256, 'n'));
    figure.SetPropertyEntry('S', '0', std::string(300, 'v'), true, true, 0, 0);
    saved.properties.name = std::string(511, 'p');
    // The address count is one byte too: a longer list keeps its first 255.
    TKuvio& multi = AddFigure(saved, "QX-MP4", 100, 0, 2);
    multi.SetMultiLook();
    for (int i = 0; i < 300; ++i)
        multi.SetTerminalAddressAt(i, std::to_string(i));
    NetworkDesign loaded(false);
    LoadProjectFile(loaded, Save(saved), {});
    EXPECT_TRUE(boxes.texts().empty());
    ASSERT_EQ(loaded.Figures().size(), 2u);
    EXPECT_EQ(
        loaded.Figures()[1]->TerminalAddresses(),
        std::vector<std::string>(multi.TerminalAddresses().begin(), multi.TerminalAddresses().begin() + 255));
    EXPECT_EQ(loaded.Figures()[0]->GetModemName(), std::string(255, 'n'));
    EXPECT_EQ(loaded.Figures()[0]->PropertyEntries()[0].value, std::string(255, 'v'));
    EXPECT_EQ(loaded.properties.name, std::string(255, 'p'));
}

TEST_F(ProjectFileTest, MultiportWithoutAddressesWritesACountOfZero) {
    NetworkDesign design(false);
    TKuvio& multi = AddFigure(design, "QX-MP4", 0, 0, 1);
    multi.SetMultiLook();
    const std::string record = EncodeModemRecord(multi, false);
    EXPECT_NE(record.find(std::string("B\x01"
                                      "0\0W",
                                      5)),
              std::string::npos);
}

// The records of the files before NMS values: the property entries have no NMS bytes.
std::string OldFigureRecord(uint32_t number, uint32_t parent, const std::string& name) {
    std::string out;
    for (uint32_t word : {10u, 40u, number, parent, 0u})
        out += std::string(reinterpret_cast<const char*>(&word), 4);
    out += "S" + std::string(1, static_cast<char>(name.size())) + "0" + name;
    out += "S\x02"
           "0"
           "1F";
    out += "W" + std::string(1, '\0') + std::string(1, static_cast<char>(number & 0xFF));
    out += "S\x06"
           "0QX-450";
    out += "B\x02"
           "005";
    out += std::string("Z\0\0", 3);
    return out;
}

const std::string kOldBlock = std::string("S\x03oldS\x0cUser DefinedB") + std::string(1, '\0') +
                              "B\x01"
                              "B" +
                              std::string(1, '\0') + "S\x05netidB\x01";

TEST_F(ProjectFileTest, OlderFileKindsLoadWithTheirOwnRules) {
    // A leading 'V' record with a version: no trailer, no NMS bytes before version 5.
    const std::string versioned = std::string("V\x05"
                                              "4.0.5") +
                                  kOldBlock + OldFigureRecord(0x80000001, 0, "root") +
                                  OldFigureRecord(2, 1, "leaf");
    Write(folder.file("v.spf"), versioned);
    NetworkDesign fromVersioned(false);
    LoadProjectFile(fromVersioned, folder.file("v.spf"), {});
    EXPECT_TRUE(boxes.texts().empty());
    ASSERT_EQ(fromVersioned.Figures().size(), 2u);
    EXPECT_EQ(fromVersioned.Figures()[1]->parent, fromVersioned.master);
    EXPECT_EQ(fromVersioned.Figures()[1]->PropertyEntries()[0].value, "05");
    EXPECT_EQ(fromVersioned.properties.name, "old");

    // The oldest files start with the properties block; their mobile flag is bit 15.
    const std::string oldest =
        kOldBlock + OldFigureRecord(0x80000001, 0, "root") + OldFigureRecord(0x8002, 1, "mob");
    Write(folder.file("oldest.spf"), oldest);
    NetworkDesign fromOldest(false);
    LoadProjectFile(fromOldest, folder.file("oldest.spf"), {});
    EXPECT_TRUE(boxes.texts().empty());
    ASSERT_EQ(fromOldest.Figures().size(), 2u);
    EXPECT_TRUE(fromOldest.Figures()[1]->Mobile());
    EXPECT_EQ(fromOldest.Figures()[1]->parent, fromOldest.master);

    // Cut inside the values of a file without trailer: the figures read so far stay.
    Write(folder.file("cut.spf"), versioned.substr(0, versioned.size() - 4));
    NetworkDesign fromCut(false);
    LoadProjectFile(fromCut, folder.file("cut.spf"), {});
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kCorruptedCut}));
    EXPECT_EQ(fromCut.Figures().size(), 2u);
}

TEST_F(ProjectFileTest, HeaderKindsDecideTheLayoutWhateverTheirTexts) {
    // A 'V' header with a long length and no version text: the properties follow
    // at once, even in a file shorter than that length.
    const std::string shortOld = std::string("V\x90") + kOldBlock + OldFigureRecord(0x80000001, 0, "root") +
                                 OldFigureRecord(2, 1, "leaf");
    ASSERT_LT(shortOld.size(), 0x90u + 2);
    Write(folder.file("short.spf"), shortOld);
    NetworkDesign fromShort(false);
    LoadProjectFile(fromShort, folder.file("short.spf"), {});
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(fromShort.Figures().size(), 2u);

    // A ':' file that names an old version still has its trailer and current links.
    NetworkDesign design(false);
    TKuvio& root = AddFigure(design, "QX-450", 40, 30, 1);
    root.SetMasterLook();
    design.master = &root;
    AddFigure(design, "QX-450", 200, 30, 2).parent = &root;
    SaveProjectFile(design, folder.file("colon.spf"), "3.1.0", kCaption);
    NetworkDesign fromColon(false);
    LoadProjectFile(fromColon, folder.file("colon.spf"), {});
    EXPECT_TRUE(boxes.texts().empty());
    ASSERT_EQ(fromColon.Figures().size(), 2u);
    EXPECT_EQ(fromColon.Figures()[1]->parent, fromColon.Figures()[0].get());
}

TEST_F(ProjectFileTest, LinksThatCloseARingAreDropped) {
    const std::string ring = std::string("V\x05"
                                         "4.0.5") +
                             kOldBlock + OldFigureRecord(1, 3, "a") + OldFigureRecord(2, 1, "b") +
                             OldFigureRecord(3, 2, "c") + OldFigureRecord(4, 4, "self");
    Write(folder.file("ring.spf"), ring);
    NetworkDesign design(false);
    LoadProjectFile(design, folder.file("ring.spf"), {});
    ASSERT_EQ(design.Figures().size(), 4u);
    EXPECT_EQ(design.Figures()[0]->parent, nullptr);
    EXPECT_EQ(design.Figures()[1]->parent, design.Figures()[0].get());
    EXPECT_EQ(design.Figures()[2]->parent, design.Figures()[1].get());
    EXPECT_EQ(design.Figures()[3]->parent, nullptr);
}

// The links of a damaged file as the numbers of the figures they go to, from 0;
// -1 for none.
std::vector<int> LinkIndexes(const NetworkDesign& design, TKuvio* TKuvio::*link) {
    std::vector<int> indexes;
    for (const auto& figure : design.Figures())
        indexes.push_back(figure.get()->*link ? static_cast<int>(design.NumberOf(figure.get()->*link)) - 1
                                              : -1);
    return indexes;
}

TEST_F(ProjectFileTest, DamagedLinkNumbersGoToTheLastOtherFigureAndEachRingLosesOneLink) {
    const struct {
        std::vector<std::pair<uint32_t, uint32_t>> numbersAndParents;
        std::vector<int> parents;
        std::vector<int> mobileParents;
    } cases[] = {
        // Two figures numbered 2, and a figure numbered 0 that every link of 0 names
        // (the master's too, which closes a ring that the master's link leaves).
        {{{0x80000001, 0}, {2, 1}, {2, 2}, {3, 2}, {0, 3}, {5, 0}}, {-1, 0, 1, 2, 3, 4}, {4, 4, 4, 4, -1, 4}},
        // Two rings, one with a figure leading into it: the ring's first figure in
        // the list loses its link.
        {{{1, 3}, {2, 1}, {3, 2}, {4, 5}, {5, 6}, {6, 5}}, {-1, 0, 1, 4, -1, 4}, {-1, -1, -1, -1, -1, -1}},
    };
    for (const auto& damaged : cases) {
        std::string bytes = std::string("V\x05"
                                        "4.0.5") +
                            kOldBlock;
        for (const auto& [number, parent] : damaged.numbersAndParents)
            bytes += OldFigureRecord(number, parent, "m");
        Write(folder.file("damaged.spf"), bytes);
        NetworkDesign design(false);
        LoadProjectFile(design, folder.file("damaged.spf"), {});
        EXPECT_EQ(LinkIndexes(design, &TKuvio::parent), damaged.parents);
        EXPECT_EQ(LinkIndexes(design, &TKuvio::mobileParent), damaged.mobileParents);
    }
}

TEST_F(ProjectFileTest, SingleModemFileIsCentredWithoutName) {
    NetworkDesign saved(true);
    TKuvio& figure = AddFigure(saved, "QX-Lite", 5, 5, 1);
    figure.SetPropertyEntry('B', '0', "7", true, true, 8, 0x1100);
    NetworkDesign loaded(true);
    LoadOptions options;
    options.clientWidth = 400;
    options.clientHeight = 300;
    LoadProjectFile(loaded, Save(saved, "one.ssf"), options);
    EXPECT_TRUE(boxes.texts().empty());
    ASSERT_EQ(loaded.Figures().size(), 1u);
    EXPECT_EQ(loaded.Figures()[0]->Left(), 185);
    EXPECT_EQ(loaded.Figures()[0]->Top(), 125);
    EXPECT_EQ(loaded.Figures()[0]->GetModemName(), "");
    EXPECT_EQ(loaded.Figures()[0]->PropertyEntries(), figure.PropertyEntries());
    EXPECT_EQ(loaded.active, loaded.Figures()[0].get());

    // Single-modem records carry no link numbers: a file with a second record
    // (which older versions let a single-modem window write) links nothing.
    AddFigure(saved, "QX-Lite", 5, 5, 2);
    LoadProjectFile(loaded, Save(saved, "two.ssf"), options);
    ASSERT_EQ(loaded.Figures().size(), 2u);
    for (const auto& modem : loaded.Figures())
        EXPECT_EQ(modem->parent, nullptr);
}

// A file that opens but cannot be read is no empty file: both readers fail.
TEST_F(ProjectFileTest, UnreadableFileThrowsAndLeavesAnEmptyDesign) {
    std::vector<std::string> unreadable = MakeUnreadableFiles(folder.file("unreadable"));
    unreadable.push_back(folder.file("missing.spf"));
    for (const std::string& path : unreadable) {
        NetworkDesign design(false);
        BuildNetwork(design);
        EXPECT_THROW(LoadProjectFile(design, path, {}), EFileError) << path;
        EXPECT_TRUE(design.Figures().empty());
        EXPECT_EQ(design.master, nullptr);
        TKuvio modem(0, 0);
        EXPECT_THROW(LoadModemData(modem, path), EFileError) << path;
    }
    EXPECT_TRUE(boxes.texts().empty());
}

class ModemDataFileTest : public ProjectFileTest {};

TEST_F(ModemDataFileTest, ValuesMoveToAnotherModemOfTheSameType) {
    TKuvio source(0, 0);
    source.SetTypeName("QX-450");
    source.SetPropertyEntry('B', '0', "3", true, true, 8, 0x1100);
    source.SetPropertyEntry('S', '0', "north", true, true, 100, 0x2001);
    SaveModemData(source, folder.file("m.ssf"));

    TKuvio target(0, 0);
    target.SetTypeName("QX-450");
    target.SetPropertyEntry('B', '0', "old", true, true, 0, 0);
    EXPECT_TRUE(LoadModemData(target, folder.file("m.ssf")));
    EXPECT_EQ(target.PropertyEntries(), source.PropertyEntries());
    EXPECT_EQ(target.HighestAccessLevel(), 2);
}

TEST_F(ModemDataFileTest, FileOfAnotherTypeOrCutKeepsTheModemsValues) {
    TKuvio source(0, 0);
    source.SetTypeName("QX-NMS");
    source.SetPropertyEntry('B', '0', "3", true, true, 8, 0x1100);
    SaveModemData(source, folder.file("nms.ssf"));

    TKuvio target(0, 0);
    target.SetTypeName("QX-450");
    target.SetPropertyEntry('B', '0', "mine", true, true, 0, 0);
    const auto before = target.PropertyEntries();
    EXPECT_FALSE(LoadModemData(target, folder.file("nms.ssf")));
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"This modem doesn't match with requested file"}));
    EXPECT_EQ(target.PropertyEntries(), before);
    EXPECT_EQ(target.TypeName(), "QX-450");

    boxes.clear();
    const std::string whole = ReadWholeFile(folder.file("nms.ssf"));
    Write(folder.file("cut.ssf"), whole.substr(0, whole.size() - 2));
    target.SetTypeName("QX-NMS");
    EXPECT_FALSE(LoadModemData(target, folder.file("cut.ssf")));
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kCorruptedCut}));
    EXPECT_EQ(target.PropertyEntries(), before);
}

} // namespace
