#include "designer/figure_values.h"
#include "designer/property_rows.h"
#include "designer/property_table.h"
#include "designer/tkuvio.h"
#include "designer_fixture.h"

#include <fstream>

namespace {

class PropertyRowsTest : public DesignerFolderTest {
protected:
    void SetUp() override {
        DesignerFolderTest::SetUp();
        AddTypeFile("QX-450R.smf");
        schema = ReadParameterSchema(folder.file("QX-450R.smf"));
        figure.SetTypeName("QX-450R");
        figure.SetModemName("Hill");
        figure.identifier = 0x2A;
        figure.SetTerminalAddress("1F");
    }

    // Stores the values (as the properties window does) from stored texts.
    void Store(const std::vector<std::string>& stored, SchemaView view = {}) {
        std::vector<FieldValue> values;
        for (size_t i = 0; i < stored.size(); ++i)
            values.push_back(FieldValueFromStored(schema.fields[i], stored[i]));
        figure.ResetPropertyList(true);
        StoreFieldValues(figure, schema, values, view);
    }

    static std::vector<std::string> Lines(const std::vector<PropertyRow>& rows) {
        std::vector<std::string> lines;
        for (const PropertyRow& row : rows)
            lines.push_back(std::string(1, row.letter) + " " + row.label + " " + row.value);
        return lines;
    }

    ParameterSchema schema;
    TKuvio figure{0, 0};
};

const std::vector<std::string> kStored{"12", "500", "North", "FF00", "1", "2", "0", "4"};

TEST_F(PropertyRowsTest, StoredEntriesCarryLetterLevelUseAndNmsDescription) {
    Store(kStored);
    const std::vector<PropertyEntry>& entries = figure.PropertyEntries();
    ASSERT_EQ(entries.size(), schema.fields.size());
    EXPECT_EQ(entries[1], (PropertyEntry{'W', '5', 1, "500", 16, 0x1101}));
    // Not shown at security level 0: the level-9 band is stored but not in use.
    EXPECT_EQ(entries[7], (PropertyEntry{'C', '9', 0, "4", 8, 0x9106}));
    EXPECT_EQ(figure.HighestAccessLevel(), 9);
    EXPECT_EQ(LoadFieldValues(schema, figure)[5].number, 2);
    EXPECT_EQ(LoadFieldValues(schema, figure)[7].number, 1);
}

TEST_F(PropertyRowsTest, ConflictIsAskedOnceAndNoLeavesTheRestAtDefaults) {
    Store(kStored);
    figure.ResetPropertyList(false);
    figure.SetPropertyEntry('S', '0', "99", true, true, 0, 0);
    figure.SetPropertyEntry('S', '0', "77", true, true, 0, 0);
    int asked = 0;
    std::vector<FieldValue> values =
        LoadFieldValues(schema, figure, [&](const TKuvio&) { return ++asked, true; });
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(values[0].number, 99);
    EXPECT_EQ(values[2].text, "North");

    // The figure read again under the question (the properties window shows it)
    // leaves the walk where it was.
    values = LoadFieldValues(schema, figure, [&](const TKuvio&) {
        LoadFieldValues(schema, figure, [](const TKuvio&) { return true; });
        return true;
    });
    EXPECT_EQ(values[2].text, "North");

    values = LoadFieldValues(schema, figure, [&](const TKuvio&) { return false; });
    EXPECT_EQ(values[0], DefaultFieldValue(schema.fields[0]));
    EXPECT_EQ(values[2], DefaultFieldValue(schema.fields[2]));

    boxes.queueAnswer(IDNO);
    LoadFieldValues(schema, figure);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text,
              "Conflict between modem data structure and QX-450R.smf file. \r\n\r\nContinue anyway ?");
    EXPECT_EQ(boxes.boxes()[0].caption, "Error in parameters types");
}

TEST_F(PropertyRowsTest, FieldWithoutControlKeepsItsOwnValue) {
    ParameterSchema odd;
    odd.fields.resize(3);
    odd.fields[0].letter = 'S';
    odd.fields[1].letter = 'X';
    odd.fields[2].letter = 'X';
    figure.SetPropertyEntry('S', '0', "first", true, true, 0, 0);
    figure.SetPropertyEntry('X', '0', "own", true, true, 0, 0);
    std::vector<FieldValue> values = LoadFieldValues(odd, figure);
    figure.ResetPropertyList(true);
    StoreFieldValues(figure, odd, values, {});
    ASSERT_EQ(figure.PropertyEntries().size(), 3u);
    EXPECT_EQ(figure.PropertyEntries()[1].value, "own");
    EXPECT_EQ(figure.PropertyEntries()[2].value, "");
    EXPECT_EQ(boxes.texts(),
              (std::vector<std::string>{"mita se t\xE4\xE4ll\xE4 ? X", "mita se t\xE4\xE4ll\xE4 ? X"}));
}

TEST_F(PropertyRowsTest, NonHexadecimalTextIsFound) {
    std::vector<FieldValue> values;
    for (const ParameterField& field : schema.fields)
        values.push_back(DefaultFieldValue(field));
    EXPECT_FALSE(FirstInvalidHexField(schema, values));
    values[3].text = "12G4";
    EXPECT_EQ(FirstInvalidHexField(schema, values), 3u);
}

TEST_F(PropertyRowsTest, RowsStopBeforeTheFactoryBlockBelowLevelNine) {
    Store(kStored);
    const std::vector<std::string> common{
        "S Name: Hill",         "S Terminal address: 1F",        "S Modem address: 002A",
        "B Radio channel: 12",  "W Transmitter power (mW): 500", "S Station name: North",
        "H Network mask: FF00", "M Acknowledged transfer <ON>",  "R Radio speed: 19200",
        "M Repeater <OFF>"};
    EXPECT_EQ(Lines(RowsOfOneBuild({false, '5', ""})(figure)), common);
    std::vector<std::string> factory = common;
    factory.push_back("S FACTORY SETTINGS ******");
    factory.push_back("C Factory band: High band");
    EXPECT_EQ(Lines(RowsOfOneBuild({false, '9', ""})(figure)), factory);
}

TEST_F(PropertyRowsTest, SingleModemAndMultiportFixedRows) {
    Store(kStored);
    const std::vector<std::string> single =
        Lines(RowsOfOneBuild({true, '0', "Setup single modem : /home/u/site 4.ssf"})(figure));
    EXPECT_EQ(std::vector<std::string>(single.begin(), single.begin() + 4),
              (std::vector<std::string>{"S File: site 4.ssf", "S -- --", "S -- --", "B Radio channel: 12"}));

    figure.SetMultiLook();
    figure.SetTerminalAddressAt(0, "A1");
    figure.SetTerminalAddressAt(1, "B2");
    EXPECT_EQ(RowsOfOneBuild({})(figure)[1].value, "A1,B2");
}

TEST_F(PropertyRowsTest, OneBuildReadsEachTypeFileOnceAndTheNextBuildReadsItAgain) {
    Store(kStored);
    const PropertyRowContext context{false, '5', ""};
    const ModemRows rows = RowsOfOneBuild(context);
    EXPECT_EQ(rows(figure).size(), 10u);

    // Modems of a missing type: one box for the build, not one per modem.
    boxes.clear();
    TKuvio missing[2] = {{0, 0}, {0, 0}};
    for (TKuvio& gone : missing) {
        gone.SetTypeName("QX-Gone");
        EXPECT_EQ(rows(gone).size(), 3u);
    }
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"ERROR: Check ini-file"}));

    // A type file changed on disk: the build keeps what it read, the next one reads it again.
    std::ifstream in(folder.file("QX-450R.smf"), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text.replace(text.find("=Radio channel"), 14, "=Channel");
    std::ofstream(folder.file("QX-450R.smf"), std::ios::binary) << text;
    EXPECT_EQ(rows(figure)[3].label, "Radio channel:");
    EXPECT_EQ(RowsOfOneBuild(context)(figure)[3].label, "Channel:");
}

} // namespace
