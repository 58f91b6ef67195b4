#include "designer/designer_port_settings.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "serial/tquovixcommport.h"
#include "support/message_box_recorder.h"
#include "support/pseudo_terminal_ports.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::string>;

TEST(DesignerPortSettings, SettingsTextsAreAppliedFieldByField) {
    MessageBoxRecorder boxes;
    TQuovixCommPort port;
    CheckPortSettings(port, "19200,7,E,1.5");
    EXPECT_EQ(port.Baudrate(), br_19200);
    EXPECT_EQ(port.Databits(), db_7_Seven);
    EXPECT_EQ(port.pariteetti(), pbEven);
    EXPECT_EQ(port.Stopbits(), sbOnePointFive);
    EXPECT_EQ(port.DTRmode(), dtrENABLE);
    EXPECT_EQ(port.RTSmode(), rtsDISABLE);
    CheckPortSettings(port, "256000,8,N,1");
    EXPECT_EQ(port.Stopbits(), sbOne);
    EXPECT_TRUE(boxes.texts().empty());

    // A refused value keeps its setting; the others are still taken. A data-bit
    // digit outside 5..8 selects 4 data bits without a box.
    CheckPortSettings(port, "600,9,X,3");
    EXPECT_EQ(port.Baudrate(), br256000);
    EXPECT_EQ(port.Databits(), db_4_Four);
    EXPECT_EQ(port.pariteetti(), _pbNone);
    EXPECT_EQ(boxes.texts(), (Texts{"Check serial port baudrate !!\r\n600 is invalid value",
                                    "Check serial port parity !!\r\nX is invalid value",
                                    "Check serial port stopbits !!\r\n3 is invalid value"}));
}

// Each field is the character at its place after the first comma, whatever stands
// between; a text too short to hold a field keeps that field's setting.
TEST(DesignerPortSettings, FieldsAreReadAtTheirPlacesAfterTheFirstComma) {
    struct Case {
        const char* text;
        TDataBits dataBits;
        TParityBits parity;
        TStopBits stopBits;
    };
    const Case cases[] = {
        {"9600,7;O;2", db_7_Seven, pbOdd, sbTwo}, {"9600,5,M,1x", db_5_Five, pbMark, sbOnePointFive},
        {"9600,6,S", db_6_Six, pbSpace, sbTwo},   {"9600,", db_8_Eight, pbEven, sbTwo},
        {"9600", db_8_Eight, pbEven, sbTwo},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        MessageBoxRecorder boxes;
        TQuovixCommPort port;
        CheckPortSettings(port, "19200,8,E,2");
        CheckPortSettings(port, c.text);
        EXPECT_EQ(port.Baudrate(), br__9600);
        EXPECT_EQ(port.Databits(), c.dataBits);
        EXPECT_EQ(port.pariteetti(), c.parity);
        EXPECT_EQ(port.Stopbits(), c.stopBits);
        EXPECT_TRUE(boxes.texts().empty());
    }
}

TEST(DesignerPortSettings, PortNumbersOutsideTheRangeOrWhileOpenAreRefused) {
    MessageBoxRecorder boxes;
    TQuovixCommPort port;
    EXPECT_TRUE(CheckPortNumber(port, 256));
    EXPECT_EQ(static_cast<int>(port.Portin_nro()), 255);
    EXPECT_FALSE(CheckPortNumber(port, 0));
    EXPECT_FALSE(CheckPortNumber(port, 257));
    EXPECT_EQ(static_cast<int>(port.Portin_nro()), 255);
    EXPECT_EQ(boxes.texts(), (Texts(2, "Check serial port number !!. Allowed values 1..256")));

    // An open port keeps its number.
    TempFolder folder;
    SetProgramPathForTests(folder.file("quovix"));
    PseudoTerminalPorts ports;
    ports.Add(3);
    port.setPortin_nro(static_cast<TPortnro>(2));
    port.aukaise(true);
    ASSERT_TRUE(port.IsOpen());
    boxes.clear();
    EXPECT_FALSE(CheckPortNumber(port, 5));
    EXPECT_EQ(static_cast<int>(port.Portin_nro()), 2);
    EXPECT_EQ(boxes.texts(), Texts{"Close serial port before changing port number !!"});
    port.sulje();
    SetProgramPathForTests("");
}

TEST(DesignerPortSettings, ChoicesAreStoredAtOnceAndReadBackWithTheirDefaults) {
    TempFolder folder;
    SetProgramPathForTests(folder.file("quovix"));
    MessageBoxRecorder boxes;
    DesignerPortSettings settings = DesignerPortSettings::Read();
    EXPECT_EQ(settings.PingSettingsText(), "9600,8,N,1");
    EXPECT_EQ(TIniFile(SettingsFileName()).ReadInteger("Properties", "Timeout", 0), 3);

    ChoosePortSetting(settings, PortChoice::Speed, 600);
    ChoosePortSetting(settings, PortChoice::Parity, 2);
    ChoosePortSetting(settings, PortChoice::PortNumber, 12);
    const DesignerPortSettings read = DesignerPortSettings::Read();
    EXPECT_EQ(read.PingSettingsText(), "600,8,E,1");
    EXPECT_EQ(read.portNumber, 12);
    EXPECT_TRUE(boxes.texts().empty());
    SetProgramPathForTests("");
}

} // namespace
