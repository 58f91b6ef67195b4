// The designer window's programming commands against the simulated modem.
#include "designer/modem_data_file.h"
#include "designer/run_fixtures.h"
#include "designer/tarvotaulu.h"
#include "designer/tinfo.h"
#include "designer/tominaisuus.h"
#include "designer/tpiirtopohja.h"
#include "designer/tsuoja.h"
#include "designer_fixture.h"
#include "platform/file_dialogs.h"
#include "serial/event_loop.h"
#include "sim/dollar_modem_sim.h"
#include "support/fake_main_window.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <functional>

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
        return RunToItsEnd();
    }

    bool RunToItsEnd() {
        RunTimer& startDelay = designer->Programming().run.StartDelayTimer();
        if (!startDelay.Active())
            return false;
        startDelay.onTimeout();
        return ProcessEventsUntil([this] { return !designer->Programming().port.IsOpen(); }, 5s);
    }

    // A modem of a type with a file, whose values the properties window stored.
    TKuvio& AddTypedModem(const std::string& address, TKuvio* parent, int channel) {
        TKuvio& figure = AddModem(address, parent);
        figure.SetTypeName("QX-450R");
        figure.ResetPropertyList(true);
        ShowProperties(figure);
        designer->PropertiesWindow()->findChild<QSpinBox*>("B0CHANNEL")->setValue(channel);
        designer->PropertiesWindow()->okClick(nullptr);
        return figure;
    }
    void ShowProperties(TKuvio& figure) {
        designer->PropertiesWindow()->SetFigure(designer, &figure);
        designer->PropertiesWindow()->ShowModemProperties(false);
    }
    // The command takes `given`, active when chosen; a ping makes `other` active
    // while its file dialog is open.
    void ChooseWhileAnotherIsMadeActive(TKuvio& given, TKuvio& other, const std::function<void()>& command) {
        designer->Design().active = &given;
        SetFileDialogResponder([&](const FileDialogRequest&) {
            designer->Design().active = &other;
            return std::optional<std::string>(folder.file("modem.ssf"));
        });
        command();
        SetFileDialogResponder({});
    }
    // Whether the window is still shown, and the newest modem's name after its OK.
    std::string WindowAndNewestModem() {
        const bool shown = designer->PropertiesWindow()->isVisible();
        designer->PropertiesWindow()->okClick(nullptr);
        return (shown ? "shown, " : "closed, ") + designer->Design().Figures().back()->GetModemName();
    }
    static std::string Channel(const TKuvio& figure) { return figure.PropertyEntries().at(0).value; }

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
    Tsuoja* security = designer->SecurityLevelDialog();
    ASSERT_NE(security, nullptr);
    for (const char* password : {"wrong", "zirkapol"}) {
        security->ShowFor(designer);
        security->findChild<QRadioButton*>("taso_9")->setChecked(true);
        security->findChild<QLineEdit*>("salasana")->setText(password);
        security->okClick();
        security->hide();
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

// A hexadecimal value beyond 32 bits would be sent as 0: neither protocol sends it.
TEST_F(DesignerProgrammingTest, AHexadecimalValueBeyondItsFieldStopsTheTransmitBeforeThePortOpens) {
    TKuvio& modem = AddModem("01", nullptr);
    modem.SetPropertyEntry('H', '0', "123456789A", true, true, 0, 0x1C05);
    for (bool nms : {false, true}) {
        boxes.clear();
        modem.SetNmsSupport(nms);
        designer->Lhetarvot1Click();
        EXPECT_FALSE(designer->Programming().port.IsOpen());
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{"The value 123456789A of value 1.3077 does not fit "
                                                          "the modem's 32-bit field: nothing was sent"});
    }
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

// Each command works on the modem it was given, whatever is made active while it
// goes, and the properties window writes into no modem it was not given. Each row
// gives what it observed: channels, the channel the modem got, or the window.
TEST_F(DesignerProgrammingTest, EveryCommandTakesTheModemItWasGiven) {
    AddTypeFile("QX-450R.smf");
    const std::string file = folder.file("modem.ssf");
    const auto channels = [](TKuvio& given, TKuvio& other) { return Channel(given) + "/" + Channel(other); };
    const struct {
        const char* command;
        // Works on `given` while `other` is the active modem.
        std::function<std::string(TKuvio& given, TKuvio& other)> run;
        std::string observed;
    } cases[] = {
        {"the properties window's Receive",
         [&](TKuvio& given, TKuvio& other) {
             modem.With([](DollarModemSim& sim) { sim.SetParameters({{'B', '0', "\x07"}}); });
             ShowProperties(given);
             designer->PropertiesWindow()->receivebtnClick();
             EXPECT_TRUE(RunToItsEnd());
             return channels(given, other);
         },
         "7/42"},
        {"the properties window's Transmit",
         [&](TKuvio& given, TKuvio&) {
             ShowProperties(given);
             designer->PropertiesWindow()->transmitbtnClick();
             EXPECT_TRUE(RunToItsEnd());
             return std::to_string(
                 modem.With([](DollarModemSim& sim) { return sim.Parameters().at(0).value[0]; }));
         },
         "3"},
        {"the properties window's buttons while a ping holds the port",
         [&](TKuvio& given, TKuvio& other) {
             const size_t sent = Commands().size();
             ShowProperties(given);
             designer->Ping1Click();
             designer->PropertiesWindow()->receivebtnClick();
             designer->PropertiesWindow()->transmitbtnClick();
             designer->Programming().Cancel();
             const bool cancel = designer->PropertiesWindow()->findChild<QPushButton*>("pois")->isEnabled();
             return channels(given, other) + (cancel ? ", Cancel" : "") + ", " +
                    std::to_string(Commands().size() - sent);
         },
         "3/42, Cancel, 0"},
        {"Load and Save modem data",
         [&](TKuvio& given, TKuvio& other) {
             TKuvio source(0, 0);
             source.SetTypeName(given.TypeName());
             source.SetPropertyEntry('B', '0', "9", true, true, 0, 0);
             SaveModemData(source, file);
             ChooseWhileAnotherIsMadeActive(given, other, [&] { designer->LataaModeemi1Click(); });
             source.ResetPropertyList(true);
             ChooseWhileAnotherIsMadeActive(given, other, [&] { designer->TallennaModeemi1Click(); });
             EXPECT_TRUE(LoadModemData(source, file));
             return channels(given, other) + (Channel(source) == Channel(given) ? ", saved given's" : "");
         },
         "9/42, saved given's"},
        {"the properties window when New or Open empties the design",
         [&](TKuvio& given, TKuvio&) {
             ShowProperties(given);
             designer->Design().modified = false;
             EXPECT_TRUE(designer->AskSaveChanges());
             AddModem("0B", nullptr).SetModemName("new");
             return WindowAndNewestModem();
         },
         "closed, new"},
        {"the property table of a second designer",
         [&](TKuvio&, TKuvio&) {
             designer->PropTable1Click();
             std::unique_ptr<Tpiirtopohja> second(CreateDesigner(false));
             QCoreApplication::processEvents();
             TKuvio& figure = AddSimulatedModem(second->Design(), "05", nullptr);
             figure.ResetPropertyList(true);
             figure.SetModemName("second's");
             second->PropTable1Click();
             const std::unique_ptr<Tarvotaulu> table(arvotaulu);
             return table->Designer() == second.get() ? table->Grid(0)->item(0, 1)->text().toStdString() : "";
         },
         "second's"},
    };
    for (const auto& row : cases) {
        designer->Design().DeleteAllFigures();
        TKuvio& other = AddTypedModem("01", nullptr, 42);
        TKuvio& given = AddTypedModem("0A", &other, 3);
        designer->Design().active = &other;
        EXPECT_EQ(row.run(given, other), row.observed) << row.command;
    }
}

} // namespace
