#include "designer/parameter_schema.h"
#include "designer_fixture.h"

#include <fstream>

namespace {

class ParameterSchemaTest : public DesignerFolderTest {
protected:
    ParameterSchema Fixture(const std::string& name) {
        AddTypeFile(name);
        return ReadParameterSchema(folder.file(name));
    }
    ParameterSchema Written(const std::string& text) {
        std::ofstream(folder.file("T.smf"), std::ios::binary) << text;
        return ReadParameterSchema(folder.file("T.smf"));
    }
    static std::string Keys(const ParameterSchema& schema) {
        std::string keys;
        for (const ParameterField& field : schema.fields)
            keys += field.key + " ";
        return keys;
    }
};

TEST_F(ParameterSchemaTest, ReadsEveryFieldOfATypeFile) {
    const ParameterSchema schema = Fixture("QX-450R.smf");
    EXPECT_EQ(Keys(schema), "B0CHANNEL W5TXPOWER S0STATION H5NETMASK M0ACK R0SPEED M0REPEAT C9FACTORY ");
    const ParameterField& power = schema.fields[1];
    EXPECT_EQ(power.letter, 'W');
    EXPECT_EQ(power.level, '5');
    EXPECT_EQ(power.label, "Transmitter power (mW)");
    EXPECT_EQ(power.hint, "Output power of the transmitter in milliwatts");
    EXPECT_EQ(power.visibilityMask, 3);
    EXPECT_EQ(power.nmsSize, 16);
    EXPECT_EQ(power.nmsId, 0x1101);
    EXPECT_EQ(schema.fields[2].nmsId, ParameterField::kNoNmsId);
    EXPECT_EQ(schema.fields[2].nmsSize, 0);

    const std::vector<ParameterItem>& speeds = schema.fields[5].items;
    ASSERT_EQ(speeds.size(), 3u);
    EXPECT_EQ(speeds[2].text, "19200");
    EXPECT_EQ(speeds[2].number, 2);
    const std::vector<ParameterItem>& bands = schema.fields[7].items;
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_EQ(bands[1].number, 4);
    EXPECT_EQ(bands[1].text, "High band");
    EXPECT_EQ(schema.FirstFactoryField(), 7u);
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(ParameterSchemaTest, VisibilityFollowsMaskModeFactoryModeAndLevel) {
    const ParameterSchema schema = Fixture("QX-450R.smf");
    const size_t netmask = 3;
    const size_t factoryBand = 7;
    const auto shown = [&](SchemaView view) {
        std::string letters;
        for (size_t i : schema.ShownFields(view))
            letters += schema.fields[i].letter;
        return letters;
    };
    EXPECT_EQ(shown({false, false, '0'}), "BWSHMRM");
    // Mask 1: the network mask is a project parameter only.
    EXPECT_EQ(shown({true, false, '5'}), "BWSMRM");
    // Factory mode shows every parameter, level 9 still only at level 9.
    EXPECT_EQ(shown({true, true, '5'}), "BWSHMRM");
    EXPECT_EQ(shown({false, false, '9'}), "BWSHMRMC");
    EXPECT_EQ(shown({true, false, '9'}), "BWSMRM");

    EXPECT_FALSE(ParameterSchema::Enabled(schema.fields[netmask], {false, false, '0'}));
    EXPECT_TRUE(ParameterSchema::Enabled(schema.fields[netmask], {false, false, '5'}));
    EXPECT_EQ(schema.FactorySeparatorIndex({false, false, '9'}), factoryBand);
    EXPECT_EQ(schema.FactorySeparatorIndex({false, false, '5'}), schema.fields.size());
    // A level-9 field hidden by its mask puts no separator anywhere.
    EXPECT_EQ(schema.FactorySeparatorIndex({true, false, '9'}), schema.fields.size());
}

TEST_F(ParameterSchemaTest, ReportedValuesFollowOnFromTheFirstOrTheFactoryField) {
    const ParameterSchema schema = Fixture("QX-450R.smf");
    const size_t last = schema.fields.size() - 1;
    EXPECT_EQ(schema.ReportedField(5u, 1), 0u);
    EXPECT_EQ(schema.ReportedField(std::nullopt, 1001), schema.FirstFactoryField());
    EXPECT_EQ(schema.ReportedField(2u, 7), 3u);
    // Past the last field, or with no report before, there is none.
    EXPECT_EQ(schema.ReportedField(last, 2), std::nullopt);
    EXPECT_EQ(schema.ReportedField(std::nullopt, 2), std::nullopt);
    // A type without factory fields has none for the first factory number.
    ParameterSchema plain;
    plain.fields.resize(2);
    EXPECT_EQ(plain.ReportedField(std::nullopt, 1001), std::nullopt);
    EXPECT_EQ(ParameterSchema().ReportedField(std::nullopt, 1), std::nullopt);
}

TEST_F(ParameterSchemaTest, NmsDescriptions) {
    ParameterField field;
    ReadNmsDescription("U16,1,4", field);
    EXPECT_EQ(field.nmsSize, 16);
    EXPECT_EQ(field.nmsId, 0x1004);
    ReadNmsDescription("I8,0,1", field);
    EXPECT_EQ(field.nmsSize, 9);
    EXPECT_EQ(field.nmsId, 1);
    EXPECT_TRUE(boxes.texts().empty());
    // Another sign letter is reported; its numbers are taken all the same.
    ReadNmsDescription("X32.2.16", field);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"hassu X32.2.16"});
    EXPECT_EQ(field.nmsSize, 32);
    EXPECT_EQ(field.nmsId, 0x2010);
}

// Every key after a list's "_v" key that contains the list's key is an item, even
// one with a "_v" key of its own; the first other key is the next parameter.
TEST_F(ParameterSchemaTest, ListItemsAreAllFollowingKeysThatContainTheListKey) {
    const ParameterSchema schema = Written("[Properties]\r\n"
                                           "R0MODE=Mode\r\nR0MODE_v=1\r\nR0MODE0=Off\r\nR0MODE1=On\r\n"
                                           "r0modex=Extra mode\r\nR0MODEX_v=1\r\nR0MODEX0=A\r\n"
                                           "C0BAND=Band\r\nC0BAND_v=1\r\nC0BAND0=7\r\nC0BAND1=9,Nine\r\n"
                                           "B0AFTER=After\r\nB0AFTER_v=1\r\n");
    EXPECT_EQ(Keys(schema), "R0MODE C0BAND B0AFTER ");
    ASSERT_EQ(schema.fields[0].items.size(), 5u);
    EXPECT_EQ(schema.fields[0].items[2].text, "Extra mode");
    EXPECT_EQ(schema.fields[0].items[3].text, "1");
    EXPECT_EQ(schema.fields[0].items[4].number, 4);
    // A 'C' item without a comma is shown in a box and taken whole.
    ASSERT_EQ(schema.fields[1].items.size(), 2u);
    EXPECT_EQ(schema.fields[1].items[0].text, "7");
    EXPECT_EQ(schema.fields[1].items[0].number, 7);
    EXPECT_EQ(schema.fields[1].items[1].number, 9);
    EXPECT_EQ(schema.fields[2].label, "After");
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"7"});
}

// The key after a parameter is taken as its "_v" key whatever it is: a parameter
// without one loses the key after it. A key of another letter passes only itself.
TEST_F(ParameterSchemaTest, TheKeyAfterAParameterIsItsVisibilityKey) {
    const ParameterSchema schema = Written("[Properties]\r\n"
                                           "X0ODD=Odd\r\nX0ODD_v=1\r\n"
                                           "B0NOMASK=No mask\r\n"
                                           "B0LOST=Lost\r\n"
                                           "R0LIST=List\r\nM0NOTVISIBILITY=x\r\nR0LIST0=A\r\n"
                                           "B0NEXT=Next\r\nB0NEXT_v=2\r\n");
    EXPECT_EQ(Keys(schema), "X0ODD X0ODD_V B0NOMASK R0LIST B0NEXT ");
    EXPECT_FALSE(schema.fields[0].HasControl());
    EXPECT_EQ(schema.fields[2].visibilityMask, 0);
    EXPECT_EQ(schema.fields[2].hint, "ERROR");
    ASSERT_EQ(schema.fields[3].items.size(), 1u);
    EXPECT_EQ(schema.fields[3].items[0].text, "A");
    EXPECT_EQ(schema.fields[4].visibilityMask, 2);
}

// A file far larger than any type file is not read: no fields, the usual box.
// Reading is linear in the file's size, so a big file that is still below the
// limit reads at once (a quadratic reading of this one took minutes).
TEST_F(ParameterSchemaTest, HugeFilesAreNotReadAndBigOnesReadWhole) {
    std::string big = "[Properties]\r\n";
    for (int i = 0; big.size() < 900 * 1024; ++i) {
        const std::string key = "B0K" + std::to_string(i);
        big += key + "=Field " + std::to_string(i) + "\r\n" + key + "_v=1\r\n";
    }
    const ParameterSchema read = Written(big);
    EXPECT_GT(read.fields.size(), 20000u);
    EXPECT_EQ(read.fields.back().visibilityMask, 1);
    EXPECT_TRUE(boxes.texts().empty());

    EXPECT_TRUE(Written(big + std::string(200 * 1024, ';') + "\r\n").fields.empty());
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"ERROR: Check ini-file"});
}

TEST_F(ParameterSchemaTest, MissingFileOrEmptySectionIsReported) {
    EXPECT_TRUE(ReadParameterSchema(folder.file("none.smf")).fields.empty());
    EXPECT_TRUE(Written("[Version]\r\nName=x\r\n").fields.empty());
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"ERROR: Check ini-file", "ERROR: Check ini-file"}));
}

} // namespace
