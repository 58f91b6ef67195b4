#include "designer/nms_transfer.h"

#include "base/nms_frame.h"
#include "serial/cdirectserial.h"
#include "sim/nms_modem_sim.h"
#include "sim/simulated_modems_clock.h"
#include "support/bytes.h"
#include "support/message_box_recorder.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>

namespace {

constexpr int kModemCom = 23;
constexpr uint16_t kFrequencyTx = 0x1100;
constexpr uint16_t kFrequencyRx = 0x1101;
constexpr uint16_t kPower = 0x1205;
constexpr uint16_t kServiceValue = 0x9107;

// Records what the transfer shows; its pauses last while the simulated modem has
// work.
class RecordingView : public NmsTransferView {
public:
    void ShowTransferStatus(const std::string& text, int mode) override {
        lines.push_back(text);
        modes.push_back(mode);
        if (mode == 1)
            last = text;
    }
    void AddStatusPair(const std::string& text) override { pairs += text; }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void TransferStarts(TKuvio&) override { ++starts; }
    void MarkNmsWriteResult(size_t, const PropertyEntry& entry, int result) override {
        results.emplace_back(entry.nmsId, result);
    }
    void RefreshPropertyForm() override { ++refreshes; }
    void ValuesReceived(TKuvio&) override { ++received; }
    void Pause(int ms) override {
        static SimulatedModemsClock clock;
        clock.Sleep(std::chrono::milliseconds(ms));
    }

    bool Shows(const std::string& text) const {
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }

    std::vector<std::string> lines;
    std::vector<int> modes;
    std::string last;
    std::string pairs;
    std::vector<std::string> messages;
    std::vector<std::pair<uint16_t, int>> results;
    int starts = 0;
    int refreshes = 0;
    int received = 0;
};

class NmsTransferTest : public testing::Test {
protected:
    NmsTransferTest() {
        transfer.SetTimeoutSeconds(1);
        modem.With([](NmsModemSim& sim) {
            sim.SetOwnSpeed(115200);
            sim.SetLoginRequired(true);
            sim.SetValue(NmsId::FirmwareId, "YRF0100 7QV");
            sim.SetValue(NmsId::Mode, bytesOf({0}));
            for (uint16_t id : {kFrequencyTx, kFrequencyRx, kServiceValue})
                sim.SetValue(id, bytesOf({0, 0, 0, 0}));
            sim.SetValue(kPower, bytesOf({0}));
            for (uint16_t id : {NmsId::ProjectName, NmsId::NetworkId})
                sim.SetValue(id, "");
            for (uint16_t id :
                 {NmsId::AddressType, NmsId::RoutingType, NmsId::AddressOffset, NmsId::AddressLength})
                sim.SetValue(id, bytesOf({0}));
            sim.SetValue(NmsId::ModemAddress, bytesOf({0, 0}));
        });
        master.SetModemName("Master");
        master.identifier = 0x0102;
        master.SetPropertyEntry('F', '1', "458", true, true, NmsUnsigned32, kFrequencyTx);
        master.SetPropertyEntry('F', '2', "458.0125", true, true, NmsUnsigned32, kFrequencyRx);
        master.SetPropertyEntry('N', '3', "10", true, true, NmsUnsigned8, kPower);
        master.SetPropertyEntry('T', '4', "plain", true, true, 0, 0);
        repeater.AddRouteText("toistin");
        leaf.AddRouteText("1A2B 3 4");
        job.figure = &master;
        job.master = &master;
        job.routingProject = true;
        job.figures = {&master, &repeater, &leaf};
        job.project.netId = "NET1";
        job.generateRoutes = [] { return true; };
    }

    std::string Stored(uint16_t id) {
        return modem.With([id](NmsModemSim& sim) { return sim.Value(id); });
    }

    MessageBoxRecorder boxes;
    NmsModemOnPort modem{kModemCom};
    CDirectSerial port;
    RecordingView view;
    uint8_t sequence = 0;
    NmsTransfer transfer{port, view, sequence};
    TKuvio master{10, 10};
    TKuvio repeater{100, 10};
    TKuvio leaf{200, 10};
    NmsTransferJob job;
};

TEST(NmsTransferText, FrequenciesInMegahertzAndRouteRecords) {
    EXPECT_EQ(FrequencyTextToHz("458"), 458000000u);
    EXPECT_EQ(FrequencyTextToHz("458.0125"), 458012500u);
    EXPECT_EQ(FrequencyTextToHz("458.1250"), 458125000u);
    EXPECT_EQ(FrequencyTextToHz("45.5"), 45500000u);
    EXPECT_EQ(FrequencyTextToHz("1000.5"), 1000500000u);
    EXPECT_EQ(FrequencyTextToHz("abc"), 0u);
    // The 32-bit field holds up to 4294.967295 MHz; more is refused, never wrapped.
    EXPECT_EQ(FrequencyTextToHz("4294.967295"), 4294967295u);
    EXPECT_EQ(FrequencyTextToHz("0004294"), 4294000000u);
    EXPECT_EQ(FrequencyTextToHz("4294.967296"), std::nullopt);
    EXPECT_EQ(FrequencyTextToHz("4581"), std::nullopt);
    EXPECT_EQ(FrequencyTextToHz("99999999999999999999"), std::nullopt);
    EXPECT_EQ(FrequencyHzToText(458012500), "458.012500");
    EXPECT_EQ(FrequencyHzToText(45500000), "45.500000");
    EXPECT_EQ(SourceRouteRecord("1A2B 3 4"), bytesOf({0, 0, 0x1A, 0x2B, 2, 0, 3, 0, 4}));
    EXPECT_EQ(SourceRouteRecord("  0x10  "), bytesOf({0, 0, 0, 0x10, 0}));
    EXPECT_EQ(SourceRouteRecord("XYZ 1"), std::nullopt);
}

TEST_F(NmsTransferTest, SpeedSearchTriesEachSpeedDownToTheModems) {
    modem.With([](NmsModemSim& sim) { sim.SetOwnSpeed(9600); });
    ASSERT_TRUE(port.Open(kModemCom, 115200, 8, 0));
    EXPECT_EQ(transfer.FindModemSpeed(kModemCom), NmsOk);
    EXPECT_EQ(view.lines, (std::vector<std::string>{"checking com speed 115200", "checking com speed 57600",
                                                    "checking com speed 38400", "checking com speed 19200",
                                                    "checking com speed 9600"}));
    port.Close();
}

TEST_F(NmsTransferTest, SpeedSearchRefusesOldProductsAndReportsTheMode) {
    ASSERT_TRUE(port.Open(kModemCom, 115200, 8, 0));
    modem.With([](NmsModemSim& sim) { sim.SetValue(NmsId::Mode, bytesOf({64})); });
    EXPECT_EQ(transfer.FindModemSpeed(kModemCom), NmsMode64);
    modem.With([](NmsModemSim& sim) { sim.SetValue(NmsId::FirmwareId, "YRF0013 old"); });
    EXPECT_EQ(transfer.FindModemSpeed(kModemCom), NmsNotCompatible);
    port.Close();
}

TEST_F(NmsTransferTest, TransmitOfTheMasterWritesValuesProtocolRoutesAndSaves) {
    master.SetPropertyEntry('S', '5', "7", true, true, NmsUnsigned32, kServiceValue);
    transfer.Transmit(kModemCom, job);

    EXPECT_EQ(view.last, "All done");
    EXPECT_EQ(modem.With([](NmsModemSim& sim) { return sim.LoginLevel(); }), 9);
    EXPECT_EQ(Stored(kFrequencyTx), NmsNumberBytes(458000000, NmsUnsigned32));
    EXPECT_EQ(Stored(kFrequencyRx), NmsNumberBytes(458012500, NmsUnsigned32));
    EXPECT_EQ(Stored(kPower), bytesOf({10}));
    EXPECT_EQ(Stored(kServiceValue), NmsNumberBytes(7, NmsUnsigned32));
    EXPECT_EQ(Stored(NmsId::ProjectName), "Master");
    EXPECT_EQ(Stored(NmsId::NetworkId), std::string("NET1\0\0\0\0", 8));
    EXPECT_EQ(Stored(NmsId::ModemAddress), bytesOf({1, 2}));
    EXPECT_EQ(Stored(NmsId::RoutingType), bytesOf({1}));
    EXPECT_EQ(Stored(NmsId::FirstRoute), bytesOf({0, 0, 0x1A, 0x2B, 2, 0, 3, 0, 4}));
    EXPECT_EQ(Stored(NmsId::RouteCount), bytesOf({0, 1}));
    EXPECT_EQ(modem.With([](NmsModemSim& sim) { return sim.Saves(); }), 1);
    EXPECT_TRUE(view.Shows("Save settings"));
    EXPECT_EQ(view.pairs, "####");
    EXPECT_EQ(view.results.size(), 4u);
    // The access codes never reach the status window or a box.
    std::vector<std::string> shown = view.lines;
    shown.insert(shown.end(), view.messages.begin(), view.messages.end());
    for (const std::string& line : shown) {
        EXPECT_EQ(line.find(NmsTransfer::kLevel9Code), std::string::npos);
        EXPECT_EQ(line.find(NmsTransfer::kLevel5Code), std::string::npos);
    }
}

// Only Transmit needs the project's routes and stops on a route problem; Receive
// reads the modem and is logged as receiving (the caption of mode 3).
TEST_F(NmsTransferTest, OnlyTransmitNeedsRoutesAndReceiveIsLoggedAsReceiving) {
    int generations = 0;
    job.generateRoutes = [&generations] {
        ++generations;
        return false;
    };
    const struct {
        bool transmit;
        int generations;
        int nameMode;
        std::string last;
    } rows[] = {{true, 1, 2, "One modem does not have route !!\r\nPlease check high lighted mode's route"},
                {false, 0, 3, "All done"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.transmit ? "transmit" : "receive");
        view = RecordingView();
        generations = 0;
        row.transmit ? transfer.Transmit(kModemCom, job) : transfer.Receive(kModemCom, job);
        EXPECT_EQ(generations, row.generations);
        ASSERT_GE(view.lines.size(), 2u);
        EXPECT_EQ(view.lines[1], "Master");
        EXPECT_EQ(view.modes[1], row.nameMode);
        EXPECT_EQ(view.last, row.last);
    }
}

TEST_F(NmsTransferTest, ReceiveBringsTheValuesIntoTheFigure) {
    modem.With([](NmsModemSim& sim) {
        sim.SetValue(kFrequencyTx, NmsNumberBytes(458012500, NmsUnsigned32));
        sim.SetValue(kPower, bytesOf({0xFF}));
    });
    transfer.Receive(kModemCom, job);

    EXPECT_EQ(view.last, "All done");
    EXPECT_EQ(view.received, 1);
    const std::vector<PropertyEntry>& entries = master.PropertyEntries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].value, "458.012500");
    EXPECT_EQ(entries[1].value, "0.000000");
    EXPECT_EQ(entries[2].value, "255");
    EXPECT_EQ(entries[3].value, "plain");
}

// An 'H' field holds hexadecimal digits: its text goes out as that number and
// comes back as such digits, not read or written as a decimal number.
TEST_F(NmsTransferTest, HexadecimalFieldsAreHexadecimalBothWays) {
    constexpr uint16_t kNetMask = 0x2010;
    modem.With([](NmsModemSim& sim) { sim.SetValue(kNetMask, bytesOf({0, 0, 0, 0})); });
    master.SetPropertyEntry('H', '5', "FFFFFF00", true, true, NmsUnsigned32, kNetMask);
    transfer.Transmit(kModemCom, job);
    EXPECT_EQ(view.last, "All done");
    EXPECT_EQ(Stored(kNetMask), bytesOf({0xFF, 0xFF, 0xFF, 0x00}));

    modem.With([](NmsModemSim& sim) { sim.SetValue(kNetMask, bytesOf({0, 0, 0xAB, 0xC0})); });
    transfer.Receive(kModemCom, job);
    EXPECT_EQ(master.PropertyEntries().back().value, "ABC0");
}

// The end of an exchange is never examined: both replies are taken whatever the
// modem answers, and no line is shown.
TEST_F(NmsTransferTest, TheEndOfTheExchangeTakesBothRepliesAndChecksNothing) {
    ASSERT_TRUE(port.Open(kModemCom, 115200, 8, 0));
    for (NmsModemSim::Fault fault : {NmsModemSim::Fault::NoAcknowledge, NmsModemSim::Fault::Silent}) {
        modem.With([fault](NmsModemSim& sim) { sim.SetFault(fault); });
        EXPECT_EQ(transfer.NmsWriteValue(NmsId::EndOfExchange, NmsUnsigned8, 1), NmsOk);
        char left = 0;
        EXPECT_EQ(port.ReadWithTimeout(&left, 1, 100), 0);
    }
    EXPECT_TRUE(view.lines.empty());
    port.Close();
}

// A modem that sends every reply twice: the second copy is no answer to the next
// request, so values are written, read back and received as they are.
TEST_F(NmsTransferTest, RepeatedRepliesAreNotTakenForTheNextAnswer) {
    modem.With([](NmsModemSim& sim) {
        sim.SetRepeatReply(true);
        sim.SetValue(kPower, bytesOf({42}));
    });
    transfer.Receive(kModemCom, job);
    EXPECT_EQ(view.last, "All done");
    const std::vector<PropertyEntry>& entries = master.PropertyEntries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].value, "0.000000");
    EXPECT_EQ(entries[2].value, "42");

    view = RecordingView();
    transfer.Transmit(kModemCom, job);
    EXPECT_EQ(view.last, "All done");
    EXPECT_EQ(modem.With([](NmsModemSim& sim) { return sim.Saves(); }), 1);
}

// Each fault ends the transfer with its own last line and result, without "All
// done" and without a save.
TEST_F(NmsTransferTest, FaultsEndWithoutAllDone) {
    constexpr const char* kValueErrors = "There was errors while writing parameters to modem !";
    struct Case {
        const char* name;
        std::function<void(NmsModemSim&)> fault;
        const char* last;
        const char* message;
        std::pair<uint16_t, int> lastValueResult;
        std::string statusLine;
    };
    const size_t firstFrameSize =
        BuildNmsSetFrame(0, kFrequencyTx, NmsNumberBytes(0, NmsUnsigned32)).value_or("").size();
    const Case cases[] = {
        {"refused value",
         [](NmsModemSim& sim) { sim.RefuseId(kPower); },
         " ",
         kValueErrors,
         {kPower, NmsWriteRejected},
         "parametri pieleen"},
        {"other read-back",
         [](NmsModemSim& sim) { sim.SetFault(NmsModemSim::Fault::OtherReadBack); },
         " ",
         kValueErrors,
         {kFrequencyTx, NmsErrorReply},
         " "},
        {"no acknowledgement",
         [](NmsModemSim& sim) { sim.SetFault(NmsModemSim::Fault::NoAcknowledge); },
         " ",
         kValueErrors,
         {kFrequencyTx, NmsNoAcknowledge},
         "EI ACK sanoma " + std::to_string(firstFrameSize)},
        {"failed save",
         [](NmsModemSim& sim) { sim.SetSaveFails(true); },
         "Communication error",
         nullptr,
         {kPower, NmsOk},
         "Save failed"},
        {"refused route",
         [](NmsModemSim& sim) { sim.RefuseId(NmsId::FirstRoute); },
         "Communication error",
         "Source route transmit error",
         {kPower, NmsOk},
         "Save failed"},
        {"refused protocol value",
         [](NmsModemSim& sim) { sim.RefuseId(NmsId::AddressType); },
         "Communication error",
         nullptr,
         {kPower, NmsOk},
         "Protocol write error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        modem.With([&](NmsModemSim& sim) {
            sim.SetFault(NmsModemSim::Fault::None);
            sim.RefuseId(0);
            sim.SetSaveFails(false);
            c.fault(sim);
        });
        view = RecordingView();
        const int savesBefore = modem.With([](NmsModemSim& sim) { return sim.Saves(); });
        transfer.Transmit(kModemCom, job);
        EXPECT_NE(view.last, "All done");
        EXPECT_EQ(view.last, c.last);
        EXPECT_EQ(view.messages,
                  c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        ASSERT_FALSE(view.results.empty());
        EXPECT_EQ(view.results.back(), c.lastValueResult);
        EXPECT_TRUE(view.Shows(c.statusLine));
        EXPECT_FALSE(view.Shows("Save settings"));
        EXPECT_EQ(modem.With([](NmsModemSim& sim) { return sim.Saves(); }), savesBefore);
    }
}

// A project name the modem refuses is a communication error, but the transfer
// goes on: protocol values and routes are written and saved.
TEST_F(NmsTransferTest, ARefusedProjectNameGoesOnToTheSave) {
    modem.With([](NmsModemSim& sim) { sim.RefuseId(NmsId::ProjectName); });
    transfer.Transmit(kModemCom, job);
    EXPECT_EQ(view.last, "Communication error");
    EXPECT_TRUE(view.Shows("Save settings"));
    EXPECT_EQ(modem.With([](NmsModemSim& sim) { return sim.Saves(); }), 1);
    EXPECT_EQ(Stored(NmsId::RouteCount), bytesOf({0, 1}));
    EXPECT_EQ(Stored(NmsId::ModemAddress), bytesOf({1, 2}));
}

// A frequency or an 'H' value beyond the 32-bit field is refused with a message
// naming the value, before any value is sent; the transfer ends as a failed value
// write.
TEST_F(NmsTransferTest, AValueBeyondThirtyTwoBitsIsRefusedAndNothingIsSent) {
    constexpr uint16_t kNetMask = 0x2010;
    struct Row {
        char tag;
        const char* value;
        uint16_t id;
        std::string message;
    };
    // The 'H' value comes after the others; the frequency takes the first entry.
    const Row rows[] = {
        {'H', "123456789", kNetMask,
         "The value 123456789 of value 2.16 does not fit the modem's 32-bit field: nothing was sent"},
        {'F', "4581", kFrequencyTx,
         "The frequency 4581 MHz of value 1.256 does not fit the modem's 32-bit field: it was not sent"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        view = RecordingView();
        if (row.tag == 'F')
            master.ResetPropertyList(false);
        master.SetPropertyEntry(row.tag, '1', row.value, true, true, NmsUnsigned32, row.id);
        transfer.Transmit(kModemCom, job);
        EXPECT_EQ(view.messages, (std::vector<std::string>{
                                     row.message, "There was errors while writing parameters to modem !"}));
        const std::vector<uint16_t> written = modem.With([](NmsModemSim& sim) { return sim.Written(); });
        for (uint16_t id : {kFrequencyTx, kFrequencyRx, kPower, row.id})
            EXPECT_EQ(std::count(written.begin(), written.end(), id), 0) << id;
        ASSERT_EQ(view.results.size(), 1u);
        EXPECT_EQ(view.results[0], (std::pair<uint16_t, int>{row.id, NmsWriteRejected}));
    }
}

// A refused protocol value does not keep the ones after it from being written.
TEST_F(NmsTransferTest, EveryProtocolValueIsWrittenThoughOneIsRefused) {
    modem.With([](NmsModemSim& sim) { sim.RefuseId(NmsId::AddressType); });
    transfer.Transmit(kModemCom, job);
    EXPECT_TRUE(view.Shows("Protocol write error"));
    const std::vector<uint16_t> written = modem.With([](NmsModemSim& sim) { return sim.Written(); });
    for (uint16_t id : {NmsId::RoutingType, NmsId::ModemAddress, NmsId::NetworkId, NmsId::AddressOffset,
                        NmsId::AddressLength})
        EXPECT_EQ(std::count(written.begin(), written.end(), id), 1) << id;
}

// The transfer's own failures without a value written: no port, and a modem that
// is not in the routing mode, which a receive names in its note.
TEST_F(NmsTransferTest, NoPortAndTheCompatibleModeNote) {
    transfer.Transmit(kModemCom + 1, job);
    EXPECT_EQ(view.messages, std::vector<std::string>{"Port does not exists !!!"});

    view = RecordingView();
    modem.With([](NmsModemSim& sim) { sim.SetValue(NmsId::Mode, bytesOf({5})); });
    transfer.Receive(kModemCom, job);
    EXPECT_EQ(view.last, "All done");
    EXPECT_EQ(view.messages,
              std::vector<std::string>{"NOTE: This modem is not \"Teramondo-7QV\" mode.\rCombatile "
                                       "mode needs to set to \"Teramondo-7QV\" mode"});
}

TEST_F(NmsTransferTest, GarbledRepliesEndWithTheirCodes) {
    ASSERT_TRUE(port.Open(kModemCom, 115200, 8, 0));
    uint32_t value = 0;
    modem.With([](NmsModemSim& sim) { sim.SetFault(NmsModemSim::Fault::BadCrc); });
    EXPECT_EQ(transfer.NmsReadValue(kPower, NmsUnsigned8, value), NmsBadCrc);
    modem.With([](NmsModemSim& sim) { sim.SetFault(NmsModemSim::Fault::OversizedLength); });
    EXPECT_EQ(transfer.NmsReadValue(kPower, NmsUnsigned8, value), NmsBadCrc);
    modem.With([](NmsModemSim& sim) { sim.SetFault(NmsModemSim::Fault::Silent); });
    EXPECT_EQ(transfer.NmsReadValue(kPower, NmsUnsigned8, value), NmsNoStx);
    EXPECT_TRUE(view.Shows("MSG com error 129"));
    modem.With([](NmsModemSim& sim) { sim.SetFault(NmsModemSim::Fault::None); });
    view.Pause(100);
    char drain[256];
    while (port.Read(drain, sizeof drain) > 0) {
    }
    EXPECT_EQ(transfer.NmsWriteValue(kPower, NmsUnsigned8, 3), NmsOk);
    port.Close();
}

TEST_F(NmsTransferTest, NoModemOnTheLineEndsTheSearchAfterEverySpeed) {
    modem.With([](NmsModemSim& sim) { sim.SetOwnSpeed(0); });
    transfer.Transmit(kModemCom, job);
    EXPECT_EQ(view.last,
              "Modem can't enter prog mode !\r\nPlease check port selection and Reboot modem and retry");
    EXPECT_TRUE(view.Shows("checking com speed 1200"));
}

} // namespace
