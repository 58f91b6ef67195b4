// A network of a few hundred modems of every kind is saved, loaded and routed, and
// what the user gets (the file's bytes, the route texts and lists, the messages) is
// compared with reference files that an earlier version of the designer wrote for
// the same network: the work that keeps these operations fast on large networks
// must change none of it.
#include "base/hex.h"
#include "designer/network_design.h"
#include "designer/project_file.h"
#include "designer/route_generation.h"
#include "platform/ascii.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

constexpr int kModems = 300;
const std::string kVersion = "5.2.1";
const std::string kCaption = "TERAMONDO Quovix 5.2.1";

std::string Reference(const std::string& name) {
    return ReadWholeFile(std::string(QUOVIX_TEST_DATA) + "/large_network/" + name);
}

// Three-way tree in list order, a master at 0; repeaters, mobile and multiport
// modems spread over it, addresses in both letter cases.
void BuildLargeNetwork(NetworkDesign& design) {
    for (int i = 0; i < kModems; ++i) {
        TKuvio& figure = design.Append(std::make_unique<TKuvio>(20 + i % 20 * 90, 30 + i / 20 * 110));
        figure.identifier = static_cast<uint16_t>(i + 1);
        figure.SetModemName("site " + std::to_string(i));
        const bool multiport = i % 37 == 36;
        figure.SetTypeName(multiport ? "QX-MP4" : i % 5 == 4 ? "QX-450R" : "QX-450");
        if (multiport) {
            figure.SetMultiLook();
            for (int port = 0; port < 3; ++port)
                figure.SetTerminalAddressAt(port, IntToHex(static_cast<uint32_t>(0x8000 + i * 4 + port), 5));
        } else {
            const std::string address = IntToHex(static_cast<uint32_t>(i * 3), 4);
            figure.SetTerminalAddress(i % 2 ? LowerText(address) : address);
        }
        if (i > 0 && i % 7 == 0 && !multiport) {
            figure.SetTerminalAddress("No address");
            figure.SetNoTerminalAddress(true);
        }
        if (i % 23 == 22)
            figure.SetMobileLook();
        figure.SetPropertyEntry('B', '0', std::to_string(i % 256), true, true, 8, 0x1100);
        figure.SetPropertyEntry('S', '5', "station " + std::to_string(i), i % 3 != 0, true, 0, 0);
        if (i == 0) {
            // A route address is a number above 0.
            figure.SetTerminalAddress("0FFF");
            design.MakeMaster(figure);
            continue;
        }
        figure.parent = design.Figures()[static_cast<size_t>((i - 1) / 3)].get();
        if (figure.Mobile())
            figure.mobileParent = design.Figures()[static_cast<size_t>((i - 1) / 9)].get();
    }
    design.figureCounter = kModems;
    design.properties.name = "Large";
}

std::string Lines(const std::optional<RouteLineList>& list) {
    return list ? list->Text() : std::string("(none)\r\n");
}

// Every route text and list of the design, figure by figure, with the message boxes
// raised while they were made.
std::string RouteReport(const NetworkDesign& design, const MessageBoxRecorder& boxes) {
    std::string report;
    for (size_t i = 0; i < design.Figures().size(); ++i) {
        const TKuvio& figure = *design.Figures()[i];
        report += "figure " + std::to_string(i) + (figure.NameHighlight() ? " changed" : "") + "\r\n" +
                  figure.RouteText() + "\r\nvirtual\r\n" + Lines(figure.VirtualRoutes()) + "source\r\n" +
                  Lines(figure.SourceRoutes());
    }
    for (const std::string& text : boxes.texts())
        report += "box " + text + "\r\n";
    return report;
}

std::vector<int> ParentIndexes(const NetworkDesign& design, TKuvio* TKuvio::*link) {
    std::vector<int> indexes;
    for (const auto& figure : design.Figures()) {
        const TKuvio* linked = figure.get()->*link;
        indexes.push_back(linked ? static_cast<int>(design.NumberOf(linked)) - 1 : -1);
    }
    return indexes;
}

class LargeNetworkTest : public testing::Test {
protected:
    void SetUp() override { BuildLargeNetwork(design); }

    NetworkDesign design{false};
    TempFolder folder;
    MessageBoxRecorder boxes;
};

TEST_F(LargeNetworkTest, SavedBytesAreTheReferenceFileAndLoadBackToTheSameLinks) {
    const std::string file = folder.file("large.spf");
    SaveProjectFile(design, file, kVersion, kCaption);
    const std::string reference = Reference("network.spf");
    ASSERT_EQ(ReadWholeFile(file), reference);

    NetworkDesign loaded(false);
    LoadProjectFile(loaded, file, {});
    EXPECT_EQ(ParentIndexes(loaded, &TKuvio::parent), ParentIndexes(design, &TKuvio::parent));
    EXPECT_EQ(ParentIndexes(loaded, &TKuvio::mobileParent), ParentIndexes(design, &TKuvio::mobileParent));
    EXPECT_EQ(loaded.master, loaded.Figures()[0].get());
    EXPECT_EQ(EncodeProjectFile(loaded, kVersion, kCaption), reference);
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(LargeNetworkTest, RouteTextsAndListsAreTheReferenceOnes) {
    RouteGenerator routes(design, nullptr);
    design.routesDirty = true;
    EXPECT_TRUE(routes.Generate());
    std::string report = "source routing\r\n" + RouteReport(design, boxes);
    for (const bool mobileRoutes : {false, true}) {
        std::vector<TKuvio*> figures;
        for (const auto& figure : design.Figures())
            figures.push_back(figure.get());
        for (const std::string& line : SourceRouteLines(figures, design.master, mobileRoutes))
            report += line + "\r\n";
    }
    design.properties.routingType = 1;
    for (int run = 0; run < 2; ++run) {
        design.routesDirty = true;
        // The second run compares the new tables with the first run's.
        if (run == 1)
            design.Figures()[40]->parent = design.Figures()[2].get();
        EXPECT_TRUE(routes.Generate());
        report += "virtual routing\r\n" + RouteReport(design, boxes);
    }
    EXPECT_EQ(report, Reference("routes.txt"));
}

TEST_F(LargeNetworkTest, DuplicateAddressInAnotherLetterCaseIsFoundAtItsSecondModem) {
    design.Figures()[250]->SetTerminalAddress(LowerText(design.Figures()[100]->GetTerminalAddress()));
    RouteGenerator routes(design, nullptr);
    EXPECT_TRUE(routes.ValidateAddresses());
    EXPECT_EQ(design.active, design.Figures()[250].get());
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Duplicate address found and set as active modem"}));
}

} // namespace
