// The designer window's programming commands against the simulated modem.
#include "designer/run_fixtures.h"
#include "designer/tinfo.h"
#include "designer/tpiirtopohja.h"
#include "designer/tsuoja.h"
#include "designer_fixture.h"
#include "serial/event_loop.h"
#include "sim/dollar_modem_sim.h"
#include "support/fake_main_window.h"

#include <QAction>
#include <QLineEdit>
#include <QRadioButton>

namespace {

using namespace std::chrono_literals;
using Codes = std::vector<uint8_t>;

constexpr int kCom = 43;

class DesignerProgrammingTest : public DesignerFolderTest {
protected:
    void SetUp() override {
        DesignerFolderTest::SetUp();
        designer = CreateDesigner(false);
        QCoreApplication::processEvents();
        QAction port;
        port.setData(kCom);
        designer->COM11Click(&port);
    }

    TKuvio& AddModem(const std::string& address, TKuvio* parent) {
        return AddSimulatedModem(designer->Design(), address, parent);
    }

    bool Transmit() {
        designer->Lhetarvot1Click();
        RunTimer& startDelay = designer->Programming().run.StartDelayTimer();
        if (!startDelay.Active())
            return false;
        startDelay.onTimeout();
        return ProcessEventsUntil([this] { return !designer->Programming().port.IsOpen(); }, 5s);
    }

    Codes Commands() {
        return modem.With([](DollarModemSim& sim) { return sim.Commands(); });
    }

    FakeMainWindow main;
    DollarModemOnPort modem{kCom};
    Tpiirtopohja* designer = nullptr;
};

TEST_F(DesignerProgrammingTest, TransmitValuesProgramsTheActiveModemAndLogsInTheStatusWindow) {
    TKuvio& master = AddModem("01", nullptr);
    AddModem("0A", &master);
    designer->Design().active = &master;
    ASSERT_TRUE(Transmit());
    EXPECT_EQ(Commands(), (Codes{0x01, 0x02, 0x0B, 0x07, 0x06, 0x0D, 0x0C, 0x00}));
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(info->isVisible());
    EXPECT_EQ(info->windowTitle(), "Transfering values to modem modem 1");
    EXPECT_NE(info->LogText().find("Routes saved to eeprom response\nSet programming mode off"),
              std::string::npos);
    EXPECT_TRUE(boxes.texts().empty());
}

// The modem relies on the start delay as a minimum: the first command comes no
// sooner than 1000 ms after the port opened (a loaded machine only makes it later).
TEST_F(DesignerProgrammingTest, TheFirstCommandWaitsTheWholeStartDelay) {
    designer->Design().active = &AddModem("01", nullptr);
    designer->Lhetarvot1Click();
    ASSERT_TRUE(ProcessEventsUntil([this] { return !designer->Programming().port.IsOpen(); }, 10s));
    const std::optional<std::chrono::milliseconds> delay = modem.FirstBytesAfterOpen();
    ASSERT_TRUE(delay.has_value());
    EXPECT_GE(*delay, 1000ms);
    EXPECT_EQ(Commands().front(), 0x01);
}

// The factory block goes out at level 9 only, not on the "Level 9" tick alone,
// which a wrong password leaves ticked.
TEST_F(DesignerProgrammingTest, OnlyAnAcceptedLevelNineWritesTheFactoryBlock) {
    main.factory_mode = true;
    designer->Design().active = &AddModem("01", nullptr);
    ASSERT_NE(suoja, nullptr);
    for (const char* password : {"wrong", "zirkapol"}) {
        suoja->ShowFor(designer);
        suoja->findChild<QRadioButton*>("taso_9")->setChecked(true);
        suoja->findChild<QLineEdit*>("salasana")->setText(password);
        suoja->okClick();
        suoja->hide();
        const size_t sent = Commands().size();
        ASSERT_TRUE(Transmit());
        EXPECT_EQ(Commands().at(sent + 1), password == std::string("wrong") ? 0x02 : 0x11);
    }
}

TEST_F(DesignerProgrammingTest, SavingAModemWithoutValuesAsksForItsPropertiesFirst) {
    designer->Design().active = &designer->Design().Append(std::make_unique<TKuvio>(0, 0));
    designer->TallennaModeemi1Click();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Setup modems properties first"});
}

TEST_F(DesignerProgrammingTest, ADuplicateAddressStopsTheTransmitBeforeThePortOpens) {
    TKuvio& master = AddModem("0a", nullptr);
    AddModem("0A", &master);
    designer->Lhetarvot1Click();
    EXPECT_FALSE(designer->Programming().port.IsOpen());
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Duplicate address found and set as active modem"});
    EXPECT_TRUE(Commands().empty());
}

TEST_F(DesignerProgrammingTest, ABadPingAddressLeavesTheDesignerUsable) {
    TKuvio& master = AddModem("01", nullptr);
    TKuvio& bad = AddModem("XZ", &master);
    designer->Design().active = &bad;
    designer->Ping1Click();
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{"Can't ping this modem because its terminal address is not valid"});
    EXPECT_FALSE(designer->Programming().ping.WaitsForText());

    bad.SetTerminalAddress("0B");
    designer->Design().active = &master;
    ASSERT_TRUE(Transmit());
    EXPECT_EQ(Commands().back(), 0x00);
}

} // namespace
