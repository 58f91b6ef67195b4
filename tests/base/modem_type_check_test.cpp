#include "base/modem_type_check.h"

#include "base/crc16.h"

#include <gtest/gtest.h>

namespace {

constexpr NumberLineForm kDesigner = NumberLineForm::OwnKey;

TEST(ModemTypeCheckTest, CheckValueCoversNameLinesAndCaseButNotTheNumber) {
    const std::vector<std::string> lines{"[Version]", "Quovix ini=1", "Number=123"};
    const uint16_t value = ModemTypeCheckValue("a.smf", lines, kDesigner);
    EXPECT_EQ(ModemTypeCheckValue("A.SMF", lines, kDesigner), value);
    EXPECT_NE(ModemTypeCheckValue("b.smf", lines, kDesigner), value);
    EXPECT_EQ(ModemTypeCheckValue("a.smf", {"[Version]", "Quovix ini=1", "Number=9"}, kDesigner), value);
    EXPECT_NE(ModemTypeCheckValue("a.smf", {"[Version]", "Quovix ini=2", "Number=123"}, kDesigner), value);
    EXPECT_NE(ModemTypeCheckValue("a.smf", {"[version]", "Quovix ini=1", "Number=123"}, kDesigner), value);
    // Without a "Number" line one is put after the name and five lines.
    const std::vector<std::string> six{"1", "2", "3", "4", "5", "6"};
    std::vector<std::string> withNumber = six;
    withNumber.insert(withNumber.begin() + 5, "Number=0000");
    EXPECT_EQ(ModemTypeCheckValue("a.smf", six, kDesigner),
              ModemTypeCheckValue("a.smf", withNumber, kDesigner));
}

// The designer's check keeps the number line's own text up to and including its
// first "=" (blanks and letter case stay under the check); the maker's makes the
// line "Number=0000" whatever its spelling.
TEST(ModemTypeCheckTest, TheNumberLineEntersInTheFormOfTheCheck) {
    const auto checked = [](const std::string& line) {
        return Crc16Nibble(0xFFFF, "abc.smf\r\n[Version]\r\n" + line + "\r\n");
    };
    const struct {
        std::string line;
        std::string designerSees;
    } rows[] = {
        {"Number=123", "Number=0000"}, {"Number = 5", "Number =0000"},     {"NUMBER=123", "NUMBER=0000"},
        {" number=", " number=0000"},  {"Number\t=\t77", "Number\t=0000"}, {"Number=1=2", "Number=0000"},
    };
    for (const auto& row : rows) {
        const std::vector<std::string> lines{"[Version]", row.line};
        EXPECT_EQ(ModemTypeCheckValue("abc.smf", lines, kDesigner), checked(row.designerSees)) << row.line;
        EXPECT_EQ(ModemTypeCheckValue("abc.smf", lines, NumberLineForm::Plain), checked("Number=0000"))
            << row.line;
    }
    EXPECT_NE(ModemTypeCheckValue("abc.smf", {"[Version]", "Numbers=0000"}, kDesigner),
              checked("Number=0000"));
}

} // namespace
