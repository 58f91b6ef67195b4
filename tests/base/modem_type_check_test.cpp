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
    // Without a "Number" line one is put after the name and five lines.
    const std::vector<std::string> six{"1", "2", "3", "4", "5", "6"};
    std::vector<std::string> withNumber = six;
    withNumber.insert(withNumber.begin() + 5, "Number=0000");
    EXPECT_EQ(ModemTypeCheckValue("a.smf", six), ModemTypeCheckValue("a.smf", withNumber));
}

// The number line enters the check as exactly "Number=0000", however it is spelt:
// the factory correction writes "Number=<value>" over it, and the next check must
// find the value it wrote.
TEST(ModemTypeCheckTest, NumberLineEntersAsNumberEqualsZeros) {
    const uint16_t value = ModemTypeCheckValue("abc.smf", {"[Version]", "Number=0000"});
    for (const std::string spelt : {"NUMBER=123", "Number = 5", " number=", "Number\t=\t77"})
        EXPECT_EQ(ModemTypeCheckValue("abc.smf", {"[Version]", spelt}), value) << spelt;
    EXPECT_NE(ModemTypeCheckValue("abc.smf", {"[Version]", "Numbers=0000"}), value);
}

} // namespace
