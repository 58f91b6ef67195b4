#include "designer/network_design.h"
#include "designer/route_generation.h"
#include "support/message_box_recorder.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// A routing project built figure by figure; the first figure added is the master.
struct Network {
    NetworkDesign design{false};
    int redraws = 0;
    RouteGenerator routes{design, [this] { ++redraws; }};
    MessageBoxRecorder boxes;

    TKuvio& Add(const std::string& address, TKuvio* parent) {
        TKuvio& figure = design.Append(std::make_unique<TKuvio>(0, 0));
        figure.identifier = static_cast<uint16_t>(design.Figures().size());
        figure.parent = parent;
        if (address.empty())
            figure.SetNoTerminalAddress(true);
        else
            figure.SetTerminalAddress(address);
        if (!design.master) {
            figure.SetMasterLook();
            design.master = &figure;
        }
        design.routesDirty = true;
        return figure;
    }
    TKuvio& AddMultiport(const Lines& addresses, TKuvio* parent) {
        TKuvio& figure = Add("x", parent);
        figure.SetMultiLook();
        figure.SetTerminalAddressAt(-1, "");
        for (size_t i = 0; i < addresses.size(); ++i)
            figure.SetTerminalAddressAt(static_cast<int>(i), addresses[i]);
        return figure;
    }
    Lines SourceLines() const { return design.master->SourceRoutes()->Lines(); }
};

Lines TableOf(const TKuvio& figure) {
    return figure.VirtualRoutes() ? figure.VirtualRoutes()->Lines() : Lines{};
}

TEST(RouteGeneration, AddressesDifferingOnlyInLetterCaseAreDuplicatesButLeadingZerosAreNot) {
    Network net;
    TKuvio& master = net.Add("A", nullptr);
    net.Add("0A", &master);
    EXPECT_TRUE(net.routes.Generate());

    TKuvio& twin = net.Add("0a", &master);
    EXPECT_FALSE(net.routes.Generate());
    EXPECT_EQ(net.boxes.texts(), Lines{"Duplicate address found and set as active modem"});
    EXPECT_EQ(net.design.active, &twin);
    EXPECT_TRUE(net.design.routeProblem);
    EXPECT_EQ(net.redraws, 1);
}

TEST(RouteGeneration, AnAddressThatIsNoHexNumberIsRefusedAndRepeatersAreNotChecked) {
    Network net;
    TKuvio& master = net.Add("01", nullptr);
    net.Add("", &master);
    TKuvio& multi = net.AddMultiport({"10", "1G"}, &master);
    EXPECT_TRUE(net.routes.ValidateAddresses());
    EXPECT_EQ(net.boxes.texts(), Lines{"Invalid hex address found. Modem set as active modem"});
    EXPECT_EQ(net.design.active, &multi);
}

TEST(RouteGeneration, SourceRoutesRunFromTheTerminalAddressThroughTheRepeatersToTheModem) {
    Network net;
    TKuvio& master = net.Add("01", nullptr);
    TKuvio& repeater = net.Add("", &master);
    TKuvio& modem = net.Add("0a", &repeater);
    net.AddMultiport({"10", "11"}, &master);

    ASSERT_TRUE(net.routes.Generate());
    EXPECT_EQ(master.RouteText(), "tyhja1 ");
    EXPECT_EQ(repeater.RouteText(), "toistin");
    EXPECT_EQ(modem.RouteText(), "0a 2 3 ");
    EXPECT_EQ(net.SourceLines(), (Lines{"0000000A 0002 0003", "00000010 0004", "00000011 0004"}));
    EXPECT_FALSE(net.design.routesDirty);
    EXPECT_TRUE(net.boxes.texts().empty());

    // Without a change nothing is generated again.
    master.CloseSourceRouteWindow();
    EXPECT_TRUE(net.routes.Generate());
    EXPECT_FALSE(master.SourceRoutes().has_value());
}

TEST(RouteGeneration, AMasterAloneGivesNoSourceLine) {
    Network net;
    net.Add("01", nullptr);
    EXPECT_TRUE(net.routes.Generate());
    EXPECT_FALSE(net.design.master->SourceRoutes().has_value());
}

TEST(RouteGeneration, MissingMasterUnlinkedModemAndMissingAddressAreRouteProblems) {
    Network net;
    TKuvio& master = net.Add("01", nullptr);
    net.design.master = nullptr;
    EXPECT_FALSE(net.routes.Generate());
    net.design.master = &master;

    TKuvio& loose = net.Add("02", nullptr);
    EXPECT_FALSE(net.routes.Generate());
    EXPECT_EQ(net.design.active, &loose);

    loose.parent = &master;
    TKuvio& empty = net.AddMultiport({}, &master);
    EXPECT_FALSE(net.routes.Generate());
    EXPECT_EQ(net.design.active, &empty);
    EXPECT_EQ(net.boxes.texts(),
              (Lines{"Error: Network must have a master modem", "One moden does not have route to it!!!",
                     "No defined address in modem shown as active modem"}));
}

// A mobile modem hangs by its dotted link only: it has a route through its mobile
// parent, and one without that link has none, whatever its ordinary link.
TEST(RouteGeneration, AMobileModemIsRoutedThroughItsMobileParent) {
    Network net;
    TKuvio& master = net.Add("01", nullptr);
    TKuvio& repeater = net.Add("", &master);
    TKuvio& mobile = net.Add("0b", nullptr);
    mobile.SetMobileLook();
    mobile.mobileParent = &repeater;
    ASSERT_TRUE(net.routes.Generate());
    EXPECT_EQ(mobile.RouteText(), "0b 2 3 ");
    EXPECT_TRUE(net.boxes.texts().empty());

    mobile.parent = &repeater;
    mobile.mobileParent = nullptr;
    net.design.routesDirty = true;
    EXPECT_FALSE(net.routes.Generate());
    EXPECT_EQ(net.design.active, &mobile);
}

TEST(RouteGeneration, ARingEndsInARouteProblemInBothRoutingTypes) {
    for (int routingType : {0, 1}) {
        Network net;
        net.design.properties.routingType = routingType;
        TKuvio& master = net.Add("01", nullptr);
        TKuvio& a = net.Add("02", &master);
        TKuvio& b = net.Add("03", &a);
        a.parent = &b;
        EXPECT_FALSE(net.routes.Generate());
        EXPECT_TRUE(net.design.routeProblem);
        EXPECT_EQ(net.boxes.texts(), Lines{"One moden does not have route to it!!!"});
    }
}

TEST(RouteGeneration, VirtualTablesNumberEveryLinkOnTheWayToTheMaster) {
    Network net;
    net.design.properties.routingType = 1;
    TKuvio& master = net.Add("01", nullptr);
    TKuvio* repeater = nullptr;
    TKuvio& modem = net.Add("0A", nullptr);
    repeater = &net.Add("", &master);
    modem.parent = repeater;

    ASSERT_TRUE(net.routes.Generate());
    EXPECT_EQ(TableOf(modem), Lines{"00000001 <-> 0001"});
    EXPECT_EQ(TableOf(*repeater), Lines{"0002 <-> 0001"});
    EXPECT_EQ(TableOf(master), Lines{"0000000A <-> 0002"});
    EXPECT_EQ(modem.RouteText(), "0A ");
    EXPECT_FALSE(modem.NameHighlight());

    // Only the tables that changed are marked once routes existed before.
    TKuvio& leaf = net.Add("0B", &master);
    ASSERT_TRUE(net.routes.Generate());
    EXPECT_EQ(TableOf(leaf), Lines{"00000001 <-> 0004"});
    EXPECT_EQ(TableOf(master), (Lines{"0000000A <-> 0002", "0000000B <-> 0004"}));
    EXPECT_TRUE(master.NameHighlight());
    EXPECT_TRUE(leaf.NameHighlight());
    EXPECT_FALSE(modem.NameHighlight());
    EXPECT_FALSE(repeater->NameHighlight());
}

// A generation that meets a problem still marks the tables it changed: those it
// emptied or left half built.
TEST(RouteGeneration, AProblemStillMarksTheTablesItChanged) {
    Network net;
    net.design.properties.routingType = 1;
    TKuvio& master = net.Add("01", nullptr);
    TKuvio& bad = net.Add("0A", &master);
    TKuvio& after = net.Add("0B", &master);
    ASSERT_TRUE(net.routes.Generate());
    bad.SetTerminalAddress("0");
    net.design.routesDirty = true;
    EXPECT_FALSE(net.routes.Generate());
    EXPECT_TRUE(master.NameHighlight());
    EXPECT_FALSE(bad.NameHighlight());
    EXPECT_TRUE(after.NameHighlight());
    EXPECT_TRUE(net.design.routesDirty);
}

// A repeater's table is made sorted by its first link line, with the lines it had
// from a multiport master in the order of its addresses.
TEST(RouteGeneration, ARepeatersTableIsSortedWithTheLinesItHadBefore) {
    Network net;
    net.design.properties.routingType = 1;
    TKuvio& master = net.AddMultiport({"B1", "A1"}, nullptr);
    TKuvio& repeater = net.Add("0C", &master);
    net.Add("0D", &repeater);
    ASSERT_TRUE(net.routes.Generate());
    EXPECT_EQ(TableOf(repeater), (Lines{"000000A1 <-> 0001", "000000B1 <-> 0001", "0003 <-> 0002"}));
}

TEST(RouteGeneration, MultiportModemsGetOneMasterLinePerAddress) {
    Network net;
    net.design.properties.routingType = 1;
    TKuvio& master = net.Add("01", nullptr);
    net.AddMultiport({"20", "21"}, &master);
    ASSERT_TRUE(net.routes.Generate());
    EXPECT_EQ(TableOf(master), (Lines{"00000020 <-> 0001", "00000021 <-> 0001"}));
}

// In virtual routing an address must convert as a positive number in a signed
// 32-bit integer: "0", the addresses that turn negative there and those longer
// than 32 bits are invalid; the master is shown when its single address is at
// fault, the modem otherwise.
TEST(RouteGeneration, VirtualRoutingRefusesAddressesThatAreNoPositiveNumber) {
    struct Case {
        const char* master;
        const char* modem;
        bool masterShown;
    };
    const Case cases[] = {{"0", "0A", true},         {"00000000", "0A", true},  {"80000000", "0A", true},
                          {"FFFFFFFF", "0A", true},  {"01", "0", false},        {"01", "00", false},
                          {"01", "80000001", false}, {"01", "100000000", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.master) + " " + c.modem);
        Network net;
        net.design.properties.routingType = 1;
        TKuvio& master = net.Add(c.master, nullptr);
        TKuvio& modem = net.Add(c.modem, &master);
        EXPECT_FALSE(net.routes.Generate());
        EXPECT_TRUE(net.design.routeProblem);
        EXPECT_EQ(net.design.active, c.masterShown ? &master : &modem);
        EXPECT_EQ(net.boxes.texts(), Lines{"Invalid address in modem shown as active modem"});
    }
    Network largest;
    largest.design.properties.routingType = 1;
    TKuvio& master = largest.Add("7FFFFFFF", nullptr);
    TKuvio& modem = largest.Add("000000001", &master);
    EXPECT_TRUE(largest.routes.Generate());
    EXPECT_EQ(TableOf(modem), Lines{"7FFFFFFF <-> 0001"});
    EXPECT_EQ(TableOf(master), Lines{"00000001 <-> 0001"});
}

TEST(RouteGeneration, ShowRouteNamesTheRouteOrTheRepeaterAndTogglesTheMastersList) {
    Network net;
    TKuvio& master = net.Add("01", nullptr);
    TKuvio& repeater = net.Add("", &master);
    TKuvio& modem = net.Add("1f", &repeater);
    for (TKuvio* figure : {&modem, &repeater, &master}) {
        net.design.context = figure;
        net.routes.ShowRoute();
        EXPECT_EQ(net.design.context, nullptr);
    }
    EXPECT_EQ(net.boxes.texts(), (Lines{"Route\r\n0000001F 0002 0003", "Repeater.\r\nNo route"}));
    EXPECT_TRUE(master.SourceRouteWindowShown());
}

} // namespace
