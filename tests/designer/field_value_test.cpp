#include "designer/field_value.h"

#include <gtest/gtest.h>

namespace {

ParameterField Field(char letter, std::vector<ParameterItem> items = {}) {
    ParameterField field;
    field.letter = letter;
    field.level = '0';
    field.items = std::move(items);
    return field;
}

const std::vector<ParameterItem> kBands{{1, "Low"}, {4, "High"}, {4, "Also high"}};
const std::vector<ParameterItem> kSpeeds{{0, "4800"}, {1, "9600"}, {2, "19200"}};

TEST(FieldValueTest, StoredValuesComeBackEqualForEveryLetter) {
    const std::pair<ParameterField, std::string> cases[] = {
        {Field('S'), "Station 1"},  {Field('H'), "00FF10A0"},  {Field('B'), "200"},
        {Field('W'), "65535"},      {Field('M'), "1"},         {Field('M'), "0"},
        {Field('R', kSpeeds), "2"}, {Field('C', kBands), "1"}, {Field('X'), "kept as is"}};
    for (const auto& [field, stored] : cases)
        EXPECT_EQ(StoredFieldText(field, FieldValueFromStored(field, stored)), stored) << field.letter;
}

TEST(FieldValueTest, ValuesAreHeldAsTheControlsHoldThem) {
    // Texts are held whole: their length limits hold only what is typed.
    EXPECT_EQ(FieldValueFromStored(Field('S'), std::string(30, 'x')).text, std::string(30, 'x'));
    EXPECT_EQ(FieldValueFromStored(Field('H'), "123456789").text, "123456789");
    EXPECT_EQ(FieldValueFromStored(Field('B'), "300").number, 255);
    EXPECT_EQ(FieldValueFromStored(Field('W'), "-5").number, 0);
    EXPECT_EQ(FieldValueFromStored(Field('W'), "abc").number, 0);
    EXPECT_EQ(FieldValueFromStored(Field('R', kSpeeds), "7").number, 2);
    EXPECT_EQ(FieldValueFromStored(Field('R', kSpeeds), "-3").number, 0);
    EXPECT_EQ(FieldValueFromStored(Field('R'), "1").number, -1);
    // A 'C' number selects the last item that has it, the first when none has.
    EXPECT_EQ(FieldValueFromStored(Field('C', kBands), "4").number, 2);
    EXPECT_EQ(FieldValueFromStored(Field('C', kBands), "3").number, 0);
    EXPECT_EQ(DefaultFieldValue(Field('H')).text, "0");
    EXPECT_EQ(DefaultFieldValue(Field('R', kSpeeds)).number, 0);
}

TEST(FieldValueTest, DisplayTexts) {
    EXPECT_EQ(FieldDisplayText(Field('M'), {"", 1}), "<ON>");
    EXPECT_EQ(FieldDisplayText(Field('M'), {"", 0}), "<OFF>");
    EXPECT_EQ(FieldDisplayText(Field('R', kSpeeds), {"", 1}), "9600");
    EXPECT_EQ(FieldDisplayText(Field('C', kBands), {"", 0}), "Low");
    EXPECT_EQ(FieldDisplayText(Field('W'), {"", 1200}), "1200");
    EXPECT_EQ(FieldDisplayText(Field('H'), {"1F", 0}), "1F");
}

TEST(FieldValueTest, ReportedValues) {
    FieldValue value = DefaultFieldValue(Field('R', kSpeeds));
    // A list index from a modem is held in the list like typed input.
    EXPECT_EQ(ApplyReportedValue(Field('R', kSpeeds), 'R', "9", value), ResponseResult::Applied);
    EXPECT_EQ(value.number, 2);
    EXPECT_EQ(ApplyReportedValue(Field('R', kSpeeds), 'R', "fast", value), ResponseResult::NotANumber);
    EXPECT_EQ(value.number, 2);
    EXPECT_EQ(ApplyReportedValue(Field('R', kSpeeds), 'B', "1", value), ResponseResult::Mismatch);
    EXPECT_EQ(ApplyReportedValue(Field('R', kSpeeds), 'K', "1", value), ResponseResult::Ignored);
    EXPECT_EQ(value.number, 2);

    value = {};
    EXPECT_EQ(ApplyReportedValue(Field('C', kBands), 'C', "4", value), ResponseResult::Applied);
    EXPECT_EQ(value.number, 2);
    // 'B' and 'W' share a control: the field's range holds.
    EXPECT_EQ(ApplyReportedValue(Field('B'), 'W', "1000", value), ResponseResult::Applied);
    EXPECT_EQ(value.number, 255);
    EXPECT_EQ(ApplyReportedValue(Field('W'), 'W', "x", value), ResponseResult::Applied);
    EXPECT_EQ(value.number, 0);
    EXPECT_EQ(ApplyReportedValue(Field('M'), 'M', "1", value), ResponseResult::Applied);
    EXPECT_EQ(value.number, 1);
    EXPECT_EQ(ApplyReportedValue(Field('S'), 'H', "name", value), ResponseResult::Applied);
    EXPECT_EQ(value.text, "name");
    EXPECT_EQ(ApplyReportedValue(Field('X'), 'S', "x", value), ResponseResult::Mismatch);
}

TEST(FieldValueTest, HexKeyFilter) {
    for (char key : {'0', '9', 'a', 'F', '\b', '\x7f'})
        EXPECT_FALSE(RefusedHexKey(key)) << key;
    for (char key : {'g', 'x', ' ', '~'})
        EXPECT_TRUE(RefusedHexKey(key)) << key;
}

} // namespace
