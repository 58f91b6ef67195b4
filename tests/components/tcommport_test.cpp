#include "components/tcommport.h"

#include "base/crc16.h"
#include "components/txmlnode.h"
#include "platform/virtual_port.h"
#include "support/message_box_recorder.h"

#include <QTest>
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int kCom = 41;

std::string Bytes(const char* text, size_t size) {
    return std::string(text, size);
}

const std::string kTwoPackets = "\x02"
                                "a\x03\x02"
                                "b\x03";

// Waits without running the event loop, as an owner busy on its own thread.
bool WaitWithoutEvents(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

std::string NmsFrame(const std::string& data) {
    const uint16_t crc = Crc16Nibble(0xFFFF, data);
    return "\x02" + std::string(1, static_cast<char>(data.size() >> 8)) +
           std::string(1, static_cast<char>(data.size() & 0xFF)) + data + static_cast<char>(crc >> 8) +
           static_cast<char>(crc & 0xFF);
}

class TCommPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        port.SetComPort(tdGetComPortFromNumber(kCom));
        port.OnPacketReceived = [this](TCommPort*) { ++packetEvents; };
        port.OnDataReceived = [this](TCommPort*) { ++dataEvents; };
        port.OnAfterOpen = [this](TCommPort*) { ++openEvents; };
        port.OnAfterClose = [this](TCommPort*) { ++closeEvents; };
    }
    void open() {
        port.Open();
        ASSERT_TRUE(port.bGetConnected());
    }
    // Sends the bytes and waits until the receiver has taken and reported them.
    void receive(const std::string& bytes) {
        modem.Write(bytes);
        ASSERT_TRUE(QTest::qWaitFor([&] { return port.pGetPacketThread()->bIdle(); }, 2000));
    }
    void usePackets(TdPacketModeType type) {
        port.SetPacketMode(true);
        port.SetPacketModeType(type);
    }

    MessageBoxRecorder boxes;
    VirtualPort modem{kCom};
    TCommPort port;
    int packetEvents = 0;
    int dataEvents = 0;
    int openEvents = 0;
    int closeEvents = 0;
};

TEST_F(TCommPortTest, EachPacketModeSendsItsFramesByteForByte) {
    open();
    std::vector<std::string> beforeSend;
    port.OnBeforeSend = [&](const std::string& frame) { beforeSend.push_back(frame); };

    port.WriteString("raw");
    EXPECT_EQ(modem.ReadFor(3, 1s), "raw");

    usePackets(pmtKELVO_NMS);
    port.UseCRC = true; // never consulted for NMS frames
    port.WriteString("A");
    const std::string nmsFrame = NmsFrame("A");
    EXPECT_EQ(nmsFrame.substr(0, 4), Bytes("\x02\x00\x01"
                                           "A",
                                           4));
    EXPECT_EQ(modem.ReadFor(6, 1s), nmsFrame);

    for (TdPacketModeType type : {pmtNORMAL, pmtLENGTH, pmtEND}) {
        port.SetPacketModeType(type);
        port.WriteString("hi");
        EXPECT_EQ(modem.ReadFor(8, 1s), "\x02"
                                        "hi" +
                                            Crc16X25Hex("hi") + "\x03")
            << type;
    }
    port.PacketSentData = false;
    port.WriteString("hi");
    EXPECT_EQ(modem.ReadFor(6, 1s), "hi" + Crc16X25Hex("hi")) << "unframed, but with its CRC";

    ASSERT_EQ(beforeSend.size(), 6u);
    EXPECT_EQ(beforeSend[1], nmsFrame);
    const auto log = port.pGetCommunicationBuffer();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[0], "TX: \\72\\61\\77");
}

TEST_F(TCommPortTest, SplitAndJoinedNmsFramesArriveAsOnePacketEventEach) {
    usePackets(pmtKELVO_NMS);
    open();
    const std::string first = NmsFrame("first");
    receive("junk" + first.substr(0, 4));
    EXPECT_EQ(packetEvents, 0);
    EXPECT_EQ(port.u32GetPacketCount(), 0u);
    receive(first.substr(4) + NmsFrame("second") + NmsFrame(std::string(300, 'x')) + NmsFrame("third"));
    EXPECT_EQ(packetEvents, 3);
    ASSERT_EQ(port.u32GetPacketCount(), 3u) << "the 300-byte frame is above MaxPacketLen";
    EXPECT_EQ(port.GetPacket(0, false), first.substr(3));
    EXPECT_EQ(port.GetPacket(5, false), "");
    EXPECT_EQ(port.u32GetPacketCount(), 3u);
    EXPECT_EQ(port.GetPacket(1, true).substr(0, 6), "second");
    EXPECT_EQ(port.GetPacket(1, false).substr(0, 5), "third");
    EXPECT_EQ(port.pGetCommunicationBuffer().front().substr(0, 16), "RX: \\02\\00\\05\\66");

    port.DisableEvents();
    receive(NmsFrame("quiet"));
    EXPECT_EQ(packetEvents, 3) << "no event while events are off";
    EXPECT_EQ(port.u32GetPacketCount(), 3u);
}

TEST_F(TCommPortTest, DelimitedPacketsAndPlainDataArriveAsTheirEvents) {
    usePackets(pmtNORMAL);
    open();
    receive("\x02"
            "A\x02"
            "B\x03\x03");
    EXPECT_EQ(packetEvents, 1);
    EXPECT_EQ(port.GetPacket(0, true), "B");

    port.SetPacketMode(false);
    receive("plain ");
    receive("data");
    EXPECT_EQ(dataEvents, 2);
    EXPECT_EQ(port.strGetReadBuffer(), "plain data");
    port.ClearBuffers();
    EXPECT_EQ(port.strGetReadBuffer(), "");
    port.pGetPacketThread()->Suspend(); // the bytes wait for the reads by hand
    modem.Write("read by hand");
    ASSERT_TRUE(QTest::qWaitFor([&] { return port.u32GetInputCount() == 12; }, 2000));
    EXPECT_EQ(port.ReadString(4), "read") << "the count is honoured";
    EXPECT_EQ(port.u32GetInputCount(), 8u);
    EXPECT_EQ(port.ReadString(0), " by hand");
}

TEST_F(TCommPortTest, TheReceiverPollsOnItsOwnWhileThePortIsOpen) {
    usePackets(pmtKELVO_NMS);
    open();
    modem.Write(NmsFrame("timed"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return packetEvents == 1; }, 2000));
    port.Close();
    EXPECT_EQ(port.u32GetPacketCount(), 0u) << "nothing is counted while closed";
}

TEST_F(TCommPortTest, LogsAreKeptToTheirLimits) {
    usePackets(pmtNORMAL);
    port.DisableEvents(); // 150 reports, each a turn of the test's event loop
    open();
    std::string many;
    for (int i = 0; i < 150; ++i)
        many += "\x02" + std::to_string(i) + "\x03";
    receive(many);
    const auto log = port.pGetCommunicationBuffer();
    ASSERT_EQ(log.size(), TPacketThread::kMaxLogLines);
    EXPECT_EQ(log.back(), "RX: \\02\\31\\34\\39\\03") << "the newest line is last";

    EXPECT_EQ(port.GetDebugReadBuffer(), many) << "one read is kept whole";
    const std::string block(TPacketThread::kMaxDebugLog, 'r');
    receive(block);
    receive("tail");
    EXPECT_EQ(port.GetDebugReadBuffer(), block + "tail") << "a log of 1000 characters is not cut";
    receive(block + "x");
    receive("end");
    EXPECT_EQ(port.GetDebugReadBuffer(), std::string(TPacketThread::kDebugLogKept - 1, 'r') + "xend")
        << "the newest bytes are kept";

    port.SetPacketMode(false);
    port.WriteString(std::string(1100, 'w'));
    modem.ReadFor(1100, 1s);
    port.WriteString("last");
    EXPECT_EQ(port.GetDebugWriteBuffer(), std::string(TPacketThread::kDebugLogKept, 'w') + "last");
    EXPECT_EQ(port.GetDebugWriteBuffer(), "") << "reading empties it";
}

TEST_F(TCommPortTest, SettingsRoundTripThroughTheSettingsNode) {
    port.ValidBaudRates |= SetBit(br57600);
    port.SetBaudRate(br57600);
    port.SetByteSize(bs7);
    port.SetStopBits(sbTwo);
    port.SetParityBits(pbEven);
    port.SetFlowControl(fcHardware);
    port.SetDTRControl(dtrEnable);
    TXMLNode node;
    port.GetSaveData(&node);
    std::string saved;
    for (size_t i = 0; i < node.AttributeList.Count(); ++i)
        saved +=
            node.AttributeList.ObjectAt(i)->strName + "=" + node.AttributeList.ObjectAt(i)->strValue + " ";
    EXPECT_EQ(saved, "COM_PORT=41 BAUDRATE=57600 RTS_CONTROL=2 DTR_CONTROL=1 BYTE_SIZE=7 STOP_BITS=2 "
                     "FLOW_CONTROL=1 PARITY=1 PARITY_BITS=2 ");

    TCommPort restored;
    restored.ValidBaudRates |= SetBit(br57600);
    restored.SetSaveData(&node);
    EXPECT_EQ(restored.ComPort(), port.ComPort());
    EXPECT_EQ(restored.BaudRate(), br57600);
    EXPECT_EQ(restored.ByteSize(), bs7);
    EXPECT_EQ(restored.StopBits(), sbTwo);
    EXPECT_EQ(restored.ParityBits(), pbEven);
    EXPECT_TRUE(restored.Parity());
    EXPECT_EQ(restored.FlowControl(), fcHardware);
    EXPECT_EQ(restored.RTSControl(), rtsHandshake);
    EXPECT_EQ(restored.DTRControl(), dtrEnable);

    TCommPort fresh;
    fresh.SetSaveData(&node);
    EXPECT_EQ(fresh.BaudRate(), br9600) << "a rate outside ValidBaudRates is ignored";
}

TEST_F(TCommPortTest, AnEmptyOrOutOfRangeSettingsNodeGivesTheDefaults) {
    TXMLNode empty;
    port.SetSaveData(&empty);
    EXPECT_EQ(port.ComPort(), cpCOM01);
    EXPECT_EQ(port.BaudRate(), br9600);
    EXPECT_EQ(port.ByteSize(), bs8);
    EXPECT_EQ(port.StopBits(), sbOnePointFive) << "the default index is one and a half";
    EXPECT_EQ(port.FlowControl(), fcNone);
    EXPECT_FALSE(port.Parity());

    TXMLNode outOfRange;
    outOfRange.AddAttribute("BYTE_SIZE", "99");
    outOfRange.AddAttribute("PARITY_BITS", "7");
    outOfRange.AddAttribute("FLOW_CONTROL", "-1");
    port.SetSaveData(&outOfRange);
    EXPECT_EQ(port.ByteSize(), bs8);
    EXPECT_EQ(port.ParityBits(), pbNoParity);
    EXPECT_EQ(port.FlowControl(), fcNone);

    port.SetBaudRate(br1200);
    EXPECT_EQ(port.BaudRate(), br9600) << "1200 is not a valid rate of a new port";
}

// A saved value that is no number is the caller's to handle: the settings read
// before it are applied, those after it are not.
TEST_F(TCommPortTest, ASavedValueThatIsNoNumberReachesTheCaller) {
    TXMLNode damaged;
    damaged.AddAttribute("COM_PORT", "3");
    damaged.AddAttribute("BYTE_SIZE", "seven");
    damaged.AddAttribute("FLOW_CONTROL", "1");
    EXPECT_THROW(port.SetSaveData(&damaged), std::invalid_argument);
    EXPECT_EQ(port.ComPort(), cpCOM03);
    EXPECT_EQ(port.ByteSize(), bs8);
    EXPECT_EQ(port.FlowControl(), fcNone);
}

TEST_F(TCommPortTest, TheLineSettingsReachTheDevice) {
    port.SetBaudRate(br115200);
    port.SetByteSize(bs7);
    port.SetParityBits(pbOdd);
    port.SetFlowControl(fcSoftware);
    open();
    DCB near = modem.NearSettings();
    EXPECT_EQ(near.BaudRate, 115200u);
    EXPECT_EQ(near.ByteSize, 7);
    EXPECT_EQ(near.Parity, ODDPARITY);
    EXPECT_TRUE(near.fParity);
    EXPECT_TRUE(near.fOutX && near.fInX);
    port.SetBaudRate(br19200);
    EXPECT_EQ(modem.NearSettings().BaudRate, 19200u) << "applied at once while open";
    port.SetDTRControl(dtrEnable);
    port.SetDTRLine(true);
    EXPECT_TRUE(modem.Dtr());
    port.Close();
    EXPECT_FALSE(port.DTRLine()) << "closing drops DTR";
    EXPECT_EQ(openEvents, 1);
    EXPECT_EQ(closeEvents, 1);
}

TEST_F(TCommPortTest, OpenFailuresLeaveThePortClosedAndReopenable) {
    port.SetComPort(cpCOM62);
    port.Open();
    EXPECT_FALSE(port.bGetConnected());
    EXPECT_EQ(boxes.count(), 0u) << "a missing port shows nothing without ExceptionErrors";
    EXPECT_EQ(closeEvents, 1);

    port.ExceptionErrors = true;
    try {
        port.Open();
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(
            error.what(),
            "ComPort [COM62] doesn't exist on this machine or is already in use by another software!");
    }
    port.ExceptionErrors = false;

    port.SetComPort(tdGetComPortFromNumber(kCom));
    open();
    port.Open();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"ComPort COM41 is already open!"});
}

TEST_F(TCommPortTest, APortChangeWhileOpenReopensWithoutEventsUnlessThePortIsMissing) {
    VirtualPort other(kCom + 1);
    port.SetComPort(cpCOM05);
    EXPECT_EQ(port.ComPort(), cpCOM05) << "only stored while closed";
    port.SetComPort(tdGetComPortFromNumber(kCom));
    open();
    port.SetComPort(tdGetComPortFromNumber(kCom + 1));
    EXPECT_TRUE(port.bGetConnected());
    EXPECT_FALSE(modem.NearEndOpen());
    EXPECT_TRUE(other.NearEndOpen());
    EXPECT_EQ(openEvents, 1);
    EXPECT_EQ(closeEvents, 0);

    port.SetComPort(cpCOM62);
    EXPECT_FALSE(port.bGetConnected());
    EXPECT_FALSE(other.NearEndOpen());
    EXPECT_EQ(closeEvents, 1) << "a change to a missing port is told to the owner";
    EXPECT_EQ(boxes.count(), 0u);

    auto* owned = new TCommPort;
    owned->SetComPort(tdGetComPortFromNumber(kCom));
    owned->OnAfterClose = [](TCommPort* sender) { delete sender; };
    owned->Open();
    ASSERT_TRUE(modem.NearEndOpen());
    owned->SetComPort(cpCOM62); // the handler deletes the port while it changes
    EXPECT_FALSE(modem.NearEndOpen());
}

TEST_F(TCommPortTest, AHandlerMayDeleteOrCloseThePortWhilePacketsAreReported) {
    auto* owned = new TCommPort;
    owned->SetComPort(tdGetComPortFromNumber(kCom));
    owned->SetPacketMode(true);
    int seen = 0;
    owned->OnPacketReceived = [&](TCommPort* sender) {
        ++seen;
        delete sender;
    };
    owned->Open();
    ASSERT_TRUE(owned->bGetConnected());
    modem.Write(kTwoPackets);
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen > 0; }, 2000));
    QTest::qWait(250); // a deleted receiver must not poll again
    EXPECT_EQ(seen, 1);
    EXPECT_FALSE(modem.NearEndOpen());

    usePackets(pmtNORMAL);
    port.OnPacketReceived = [&](TCommPort* sender) {
        ++packetEvents;
        sender->Close();
    };
    open();
    modem.Write(kTwoPackets);
    EXPECT_TRUE(QTest::qWaitFor([&] { return packetEvents > 0; }, 2000));
    QCoreApplication::processEvents();
    EXPECT_EQ(packetEvents, 1) << "nothing is taken after the close";
    EXPECT_FALSE(modem.NearEndOpen());
}

TEST_F(TCommPortTest, APacketIsStoredWhileTheOwnerIsBusyAndReportedWhenItRunsItsEvents) {
    usePackets(pmtKELVO_NMS);
    open();
    modem.Write(NmsFrame("reply"));
    ASSERT_TRUE(WaitWithoutEvents([&] { return port.u32GetPacketCount() == 1; }));
    EXPECT_EQ(packetEvents, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return packetEvents == 1; }, 2000));
}

TEST_F(TCommPortTest, EachPacketIsReportedBeforeTheNextIsTaken) {
    struct Case {
        TdPacketModeType type;
        std::string bytes;
    };
    const Case cases[]{{pmtNORMAL, kTwoPackets}, {pmtKELVO_NMS, NmsFrame("a") + NmsFrame("b")}};
    std::vector<std::string> seen;
    port.OnPacketReceived = [&](TCommPort* sender) {
        const uint32_t count = sender->u32GetPacketCount();
        seen.push_back(std::to_string(count) + sender->GetPacket(count - 1, false).substr(0, 1));
    };
    for (const Case& c : cases) {
        usePackets(c.type);
        open();
        seen.clear();
        receive(c.bytes);
        EXPECT_EQ(seen, (std::vector<std::string>{"1a", "2b"})) << c.type;
        port.Close();
        port.ClearBuffers();
    }
}

TEST_F(TCommPortTest, ACloseWhileAReportWaitsDropsIt) {
    usePackets(pmtNORMAL);
    open();
    modem.Write(kTwoPackets);
    ASSERT_TRUE(WaitWithoutEvents([&] { return port.u32GetPacketCount() == 1; }));
    port.Close();
    QCoreApplication::processEvents();
    EXPECT_EQ(packetEvents, 0);
    open();
    EXPECT_EQ(port.u32GetPacketCount(), 1u) << "the second packet was never taken";
}

TEST_F(TCommPortTest, TheAvailablePortsAreThoseThatOpen) {
    VirtualPort third(3), twelfth(12), high(60);
    port.SetComPort(cpCOM12);
    open();
    std::vector<std::string> ports;
    port.GetAvailablePorts(ports);
    EXPECT_EQ(ports, (std::vector<std::string>{"COM03", "COM41", "COM60"})) << "an open port is taken";
}

} // namespace
