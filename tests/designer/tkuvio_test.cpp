#include "designer/tkuvio.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Values(const TKuvio& figure) {
    std::vector<std::string> values;
    for (const PropertyEntry& entry : figure.PropertyEntries())
        values.push_back(entry.value);
    return values;
}

TEST(TKuvio, PropertyWritesAppendAndARewindOverwritesFromTheFirstEntry) {
    TKuvio figure(0, 0);
    for (const char* value : {"a", "b", "c"})
        figure.SetPropertyEntry('B', '0', value, true, true, 0, 0);
    figure.ResetPropertyList(false);
    figure.SetPropertyEntry('W', '5', "x", true, true, 0, 0);
    figure.SetPropertyEntry('W', '5', "y", true, true, 0, 0);
    EXPECT_EQ(Values(figure), (std::vector<std::string>{"x", "y", "c"}));
    EXPECT_EQ(figure.PropertyEntries()[0].tag, 'W');

    figure.ResetPropertyList(true);
    EXPECT_TRUE(figure.PropertyEntries().empty());
    figure.SetPropertyEntry('S', '0', "new", true, true, 0, 0);
    EXPECT_EQ(Values(figure), (std::vector<std::string>{"new"}));
}

TEST(TKuvio, WritesWithoutOverwriteChangeOnlyEntriesInUse) {
    TKuvio figure(0, 0);
    figure.SetPropertyEntry('B', '0', "used", true, true, 0, 0);
    figure.SetPropertyEntry('B', '0', "unused", false, true, 0, 0);
    figure.ResetPropertyList(false);
    figure.SetPropertyEntry('W', '0', "changed", false, false, 0, 0);
    figure.SetPropertyEntry('W', '0', "ignored", true, false, 0, 0);
    EXPECT_EQ(Values(figure), (std::vector<std::string>{"changed", "unused"}));
    EXPECT_EQ(figure.PropertyEntries()[0].inUse, 1);
    EXPECT_EQ(figure.PropertyEntries()[1].tag, 'B');
}

TEST(TKuvio, SquelchLevelIsHeldToItsRange) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"MAX", "-80"},  {"min", "-118"},  {"-50", " -80"}, {"-79", " -80"}, {"-200", "-118"},
        {"abc", "-118"}, {"-100", "-100"}, {"-80", "-80"},  {"-118", "-118"}};
    for (const auto& [written, stored] : cases) {
        TKuvio figure(0, 0);
        figure.SetPropertyEntry('B', '0', written, true, true, 9, 0x110C);
        EXPECT_EQ(figure.PropertyEntries()[0].value, stored) << written;
    }
    TKuvio withoutNms(0, 0);
    withoutNms.SetPropertyEntry('B', '0', "max", true, true, 0, 0x110C);
    EXPECT_EQ(withoutNms.PropertyEntries()[0].value, "max");
}

TEST(TKuvio, HighestAccessLevelFollowsTheGroupsOfNmsValues) {
    TKuvio figure(0, 0);
    figure.SetPropertyEntry('B', '0', "1", true, true, 8, 0x5106);
    figure.SetPropertyEntry('B', '0', "1", true, true, 0, 0x9106);
    figure.SetPropertyEntry('B', '0', "1", true, true, 8, 0);
    figure.SetPropertyEntry('B', '0', "1", true, true, 8, 0x1100);
    EXPECT_EQ(figure.HighestAccessLevel(), 5);
}

TEST(TKuvio, TerminalAddressesOfNormalAndMultiportModems) {
    TKuvio figure(0, 0);
    EXPECT_EQ(figure.TerminalAddresses(), (std::vector<std::string>{""}));
    figure.SetTerminalAddress("1A");
    EXPECT_EQ(figure.GetTerminalAddress(), "1A");
    EXPECT_EQ(figure.GetTerminalAddressAt(1), "@@");
    figure.SetTerminalAddressAt(5, "2B");
    EXPECT_EQ(figure.GetTerminalAddressAt(1), "2B");
    figure.SetTerminalAddressAt(-1, "");
    EXPECT_TRUE(figure.TerminalAddresses().empty());

    TKuvio multi(0, 0);
    multi.SetMultiLook();
    EXPECT_TRUE(multi.TerminalAddresses().empty());
    multi.SetTerminalAddress("ignored");
    multi.SetTerminalAddressAt(0, "10");
    EXPECT_EQ(multi.GetTerminalAddress(), "multi port");
    EXPECT_EQ(multi.GetTerminalAddressAt(0), "10");
}

TEST(TKuvio, LooksSetKindFlagsAndPictures) {
    TKuvio figure(0, 0);
    EXPECT_EQ(figure.PictureName(), "MODEEMI");
    figure.SetNmsSupport(true);
    EXPECT_EQ(figure.PictureName(), "MODEEMIE");
    figure.SetMasterLook();
    EXPECT_EQ(figure.PictureName(), "PMASTERE");
    EXPECT_TRUE(figure.MasterLook());
    figure.SetMobileLook();
    EXPECT_TRUE(figure.Mobile());
    EXPECT_FALSE(figure.MasterLook());
    figure.SetNmsSupport(false);
    figure.SetMultiLook();
    EXPECT_EQ(figure.PictureName(), "MULTI");
    EXPECT_FALSE(figure.Mobile());
    EXPECT_TRUE(figure.Multiport());
}

TEST(TKuvio, GeometryAndNames) {
    TKuvio figure(10, 20);
    EXPECT_EQ(figure.GetModemName(), "Noname");
    figure.MoveTo(100, 100);
    EXPECT_EQ(figure.Left(), 85);
    EXPECT_EQ(figure.Top(), 75);
    EXPECT_EQ(figure.PictureTop(), 94);
    EXPECT_EQ(figure.CentreX(), 100);
    EXPECT_EQ(figure.CentreY(), 119);
    figure.SetTypeName("QX-450");
    EXPECT_EQ(figure.GetSmfFileName(), "QX-450.smf");
    figure.identifier = 12;
    EXPECT_EQ(figure.GetModemAddress(), "12 ");
}

TEST(TKuvio, RouteTextsAndLists) {
    TKuvio figure(0, 0);
    figure.identifier = 7;
    figure.AddRouteText("");
    figure.AddRouteText("3 1");
    figure.SetTerminalAddressAt(0, "A1");
    figure.SetTerminalAddressAt(1, "B2");
    figure.RouteTextFromAddresses();
    EXPECT_EQ(figure.RouteText(), "A1 7 3 1\r\nB2 7 3 1\r\n");

    figure.AddSourceRoute("1a 12 300\r\nff 1\r\n");
    ASSERT_TRUE(figure.SourceRoutes());
    EXPECT_EQ(figure.SourceRoutes()->Lines(),
              (std::vector<std::string>{"0000001A 000C 012C\r\n000000FF 0001"}));

    figure.AddVirtualRoute(0x1234, 0x56);
    figure.AddVirtualRoute(0x1, 0x2);
    EXPECT_EQ(figure.NextVirtualRoute(true), "00001234 <-> 0056");
    EXPECT_EQ(figure.NextVirtualRoute(false), "00000001 <-> 0002");
    EXPECT_EQ(figure.NextVirtualRoute(false), "");

    EXPECT_TRUE(figure.RoutesChanged());
    figure.TakeRouteSnapshot();
    EXPECT_FALSE(figure.HasVirtualRouteWindow());
    figure.AddVirtualRoute(0x1234, 0x56);
    figure.AddVirtualRoute(0x1, 0x2);
    EXPECT_FALSE(figure.RoutesChanged());
    figure.AddVirtualRoute(0x3, 0x4);
    EXPECT_TRUE(figure.RoutesChanged());
}

TEST(TKuvio, SortedRouteListsPlaceEachLineAfterItsEqualsAsABinarySearchDoes) {
    RouteLineList sorted;
    sorted.MakeSorted();
    for (const char* line : {"b", "A"})
        sorted.Add(line);
    EXPECT_EQ(sorted.Lines(), (std::vector<std::string>{"A", "b"}));
    for (const char* line : {"a", "c", "B"})
        sorted.Add(line);
    EXPECT_EQ(sorted.Text(), "A\r\na\r\nb\r\nB\r\nc\r\n");

    // Lines added before the list was made sorted are sorted with it, equal ones
    // keeping their order.
    RouteLineList started;
    for (const char* line : {"z", "m", "M"})
        started.Add(line);
    started.MakeSorted();
    for (const char* line : {"n", "a"})
        started.Add(line);
    EXPECT_EQ(started.Lines(), (std::vector<std::string>{"a", "m", "M", "n", "z"}));
    started.Clear();
    for (const char* line : {"y", "x"})
        started.Add(line);
    EXPECT_EQ(started.Lines(), (std::vector<std::string>{"x", "y"}));
}

} // namespace
