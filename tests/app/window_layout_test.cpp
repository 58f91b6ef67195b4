#include "app/window_layout.h"
#include "platform/tinifile.h"
#include "support/temp_folder.h"
#include "terminal/terminal_layout.h"

#include <gtest/gtest.h>

namespace {

class WindowLayoutTest : public testing::Test {
protected:
    TempFolder folder;
    TIniFile ini{folder.file("quovix.ini")};
};

LayoutChild Child(int type, int left, int info = 0) {
    return {{type, info, {left, left + 1, 300 + left, 200 + left}}, nullptr};
}

TEST_F(WindowLayoutTest, NoChildWritesOnlyTheCount) {
    SaveLayout(ini, {});
    EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"Layout"});
    EXPECT_EQ(ini.ReadSectionValues("Layout"), std::vector<std::string>{"Layout count=0"});
    EXPECT_TRUE(ReadLayout(ini).empty());
}

TEST_F(WindowLayoutTest, WindowsComeBackInSavedOrderAtTheirPlaces) {
    LayoutChild terminal = Child(kLayoutTerminal, 10);
    terminal.writeOwnKeys = [](TIniFile& file, const std::string& section) {
        file.WriteString(section, "name", "first");
    };
    SaveLayout(ini, {terminal, Child(kLayoutTerminal, 20), Child(kLayoutDesigner, 30)});

    EXPECT_EQ(ini.ReadInteger("Layout", "Layout count", -1), 3);
    EXPECT_EQ(ini.ReadString("Window number 0", "name", ""), "first");
    const std::vector<std::string> keys{"Window type", "Window info", "Left", "Top",
                                        "Width",       "Height",      "name"};
    EXPECT_EQ(ini.ReadSection("Window number 0"), keys);

    const std::vector<SavedWindow> windows = ReadLayout(ini);
    ASSERT_EQ(windows.size(), 3u);
    const int types[] = {kLayoutTerminal, kLayoutTerminal, kLayoutDesigner};
    for (int i = 0; i < 3; ++i) {
        const WindowRect& place = windows[static_cast<size_t>(i)].window.place;
        EXPECT_EQ(windows[static_cast<size_t>(i)].index, i);
        EXPECT_EQ(windows[static_cast<size_t>(i)].window.type, types[i]);
        const int left = 10 * (i + 1);
        EXPECT_EQ(place, (WindowRect{left, left + 1, 300 + left, 200 + left}));
    }
}

TEST_F(WindowLayoutTest, StaleSectionOfAnEarlierRunReopensNothing) {
    // The earlier run had a designer as child 1; this run has a radio test there.
    SaveLayout(ini, {Child(kLayoutTerminal, 0), Child(kLayoutDesigner, 50)});
    SaveLayout(ini, {Child(kLayoutTerminal, 0), Child(kLayoutNoWindow, 0)});
    EXPECT_EQ(ini.ReadInteger("Window number 1", "Window type", -1), 0);
    const std::vector<SavedWindow> windows = ReadLayout(ini);
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].window.type, kLayoutTerminal);
}

TEST_F(WindowLayoutTest, OnlyKnownKindsAndMultiFlashInstancesOneToFourReopen) {
    SaveLayout(ini, {Child(kLayoutMultiFlash, 0, 3), Child(kLayoutMultiFlash, 0, 7), Child(4, 0),
                     Child(kLayoutSingleModem, 0), Child(kLayoutSingleFlash, 0)});
    const std::vector<SavedWindow> windows = ReadLayout(ini);
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(windows[0].window.info, 3);
    EXPECT_EQ(windows[1].index, 3);
    EXPECT_EQ(windows[1].window.type, kLayoutSingleModem);
    EXPECT_EQ(windows[2].window.type, kLayoutSingleFlash);
}

TEST_F(WindowLayoutTest, MissingKeysGiveDefaultsAndADamagedCountReadsOnlyWhatIsThere) {
    ini.WriteInteger("Layout", "Layout count", 2000000000);
    ini.WriteInteger("Window number 0", "Window type", kLayoutSingleFlash);
    ini.WriteInteger("window NUMBER 5", "Window type", kLayoutDesigner);
    ini.WriteInteger("Window number 05", "Window type", kLayoutDesigner);
    const std::vector<SavedWindow> windows = ReadLayout(ini);
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].window.place, (WindowRect{0, 0, 400, 400}));
    EXPECT_EQ(windows[1].index, 5);
}

TEST_F(WindowLayoutTest, TerminalKeysRoundTripInTheirOrder) {
    TerminalLayout saved;
    saved.line = {.portNumber = 6,
                  .baudRate = 9,
                  .dataBits = 3,
                  .parity = 2,
                  .stopBits = LineSettings::kStopTwo,
                  .rtsMode = LineSettings::kRtsDisable,
                  .flowControl = LineSettings::kFlowXonXoff};
    saved.options.localEcho = true;
    saved.options.mirror = true;
    saved.options.crLf = true;
    saved.options.timeStamp = true;
    saved.options.lineStart = true;
    saved.options.viewType = kMixedView;
    saved.options.highMark = 20480;
    saved.options.name = "modem 1";
    saved.options.colourCounter = true;
    saved.packetTimerEnabled = true;
    saved.packetIntervalMs = 2000;
    saved.transmitShown = true;
    saved.transmit = {11, 22, 333, 444};
    WriteTerminalLayout(ini, "Window number 0", saved);

    const std::vector<std::string> order{
        "Serial port",     "Baudrate",  "Databits",   "Parity",     "Stopbits",   "Handshake",
        "Local Echo",      "Mirror",    "CR LF",      "Time stamp", "Linestart",  "CR interval",
        "Packet Interval", "View Type", "ScrollBack", "5qv6qv",     "trx status", "name",
        "Counter color",   "tx left",   "tx top",     "tx width",   "tx height"};
    EXPECT_EQ(ini.ReadSection("Window number 0"), order);
    EXPECT_EQ(ini.ReadInteger("Window number 0", "Handshake", -1), kHandshakeSoftware);

    const TerminalLayout read = ReadTerminalLayout(ini, "Window number 0", TerminalLayout{});
    EXPECT_EQ(read.line, saved.line);
    EXPECT_TRUE(read.options.localEcho && read.options.mirror && read.options.crLf);
    EXPECT_TRUE(read.options.timeStamp && read.options.lineStart && read.options.colourCounter);
    EXPECT_FALSE(read.options.fiveQv);
    EXPECT_EQ(read.options.viewType, kMixedView);
    EXPECT_EQ(read.options.highMark, 20480);
    EXPECT_EQ(read.options.lowMark, 20480 - 1024);
    EXPECT_EQ(read.options.name, "modem 1");
    EXPECT_EQ(read.options.rtsHoldMs, RtsHoldMs(9));
    EXPECT_TRUE(read.packetTimerEnabled);
    EXPECT_EQ(read.packetIntervalMs, 2000);
    EXPECT_TRUE(read.transmitShown);
    EXPECT_EQ(read.transmit, (WindowRect{11, 22, 333, 444}));
}

TEST_F(WindowLayoutTest, FiveQvSavedDuringASendRestoresAsFiveQv) {
    TerminalLayout sending;
    sending.options.fiveQv = true;
    sending.line.rtsMode = LineSettings::kRtsHandshake; // RTS is up while the bytes go out
    WriteTerminalLayout(ini, "s", sending);
    EXPECT_EQ(ini.ReadInteger("s", "Handshake", -1), kHandshakeFiveQv);

    TerminalLayout hardware;
    hardware.line.rtsMode = LineSettings::kRtsHandshake;
    WriteTerminalLayout(ini, "h", hardware);
    EXPECT_EQ(ini.ReadInteger("h", "Handshake", -1), kHandshakeHardware);

    const TerminalLayout read = ReadTerminalLayout(ini, "s", hardware);
    EXPECT_TRUE(read.options.fiveQv);
    EXPECT_EQ(read.line.rtsMode, LineSettings::kRtsDisable);
    EXPECT_EQ(read.line.flowControl, LineSettings::kFlowNone);
}

TEST_F(WindowLayoutTest, EmptyOrDamagedTerminalSectionReadsDefaults) {
    TerminalLayout current;
    current.line.rtsMode = LineSettings::kRtsHandshake;
    current.transmit = {58, 130, 400, 400};
    ini.WriteInteger("t", "Handshake", 9);
    ini.WriteInteger("t", "Baudrate", 99);
    ini.WriteInteger("t", "View Type", -1);
    ini.WriteInteger("t", "trx status", 1);
    const TerminalLayout read = ReadTerminalLayout(ini, "t", current);
    EXPECT_EQ(read.line.portNumber, 0);
    EXPECT_EQ(read.line.baudRate, 4);
    EXPECT_EQ(read.line.dataBits, LineSettings::kEightBits);
    EXPECT_EQ(read.line.rtsMode, LineSettings::kRtsHandshake); // unknown handshake code changes nothing
    EXPECT_EQ(read.options.viewType, kTextView);
    EXPECT_EQ(read.options.highMark, 65536);
    EXPECT_EQ(read.options.lowMark, 64512);
    EXPECT_EQ(read.transmit, (WindowRect{58, 130, 400, 400}));

    TerminalLayout closedTransmit;
    WriteTerminalLayout(ini, "c", closedTransmit);
    EXPECT_FALSE(ini.ValueExists("c", "tx left"));
    EXPECT_EQ(ini.ReadInteger("c", "trx status", -1), 0);
}

} // namespace
