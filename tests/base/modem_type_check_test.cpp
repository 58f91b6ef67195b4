#include "base/modem_type_check.h"

#include <gtest/gtest.h>

namespace {

TEST(ModemTypeCheckTest, CheckValueCoversNameLinesAndCaseButNotTheNumber) {
    const std::vector<std::string> lines{"[Version]", "Quovix ini=1", "Number=123"};
    const uint16_t value = ModemTypeCheckValue("a.smf", lines);
    EXPECT_EQ(ModemTypeCheckValue("A.SMF", lines), value);
    EXPECT_NE(ModemTypeCheckValue("b.smf", lines), value);
    EXPECT_EQ(ModemTypeCheckValue("a.smf", {"[Version]", "Quovix ini=1", "Number=9"}), value);
    EXPECT_NE(ModemTypeCheckValue("a.smf", {"[Version]", "Quovix ini=2", "Number=123"}), value);
    EXPECT_NE(ModemTypeCheckValue("a.smf", {"[version]", "Quovix ini=1", "Number=123"}), value);
    // Blanks around the "=" stay part of the text under the check.
    EXPECT_EQ(ModemTypeCheckValue("a.smf", {"x", "Number =5"}),
              ModemTypeCheckValue("a.smf", {"x", "Number =7"}));
    EXPECT_NE(ModemTypeCheckValue("a.smf", {"x", "Number =5"}),
              ModemTypeCheckValue("a.smf", {"x", "Number=5"}));
    // Without a "Number" line one is put after the name and five lines.
    const std::vector<std::string> six{"1", "2", "3", "4", "5", "6"};
    std::vector<std::string> withNumber = six;
    withNumber.insert(withNumber.begin() + 5, "Number=0000");
    EXPECT_EQ(ModemTypeCheckValue("a.smf", six), ModemTypeCheckValue("a.smf", withNumber));
}

} // namespace
