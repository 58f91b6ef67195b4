// The designer window's transfer of an NMS modem's values against the simulated
// NMS modem: the commands choose the NMS transfer for such a modem, the status
// window shows its lines, and the port menu lists the main window's ports.
#include "base/nms_frame.h"
#include "designer/designer_nms.h"
#include "designer/modem_type_files.h"
#include "designer/tinfo.h"
#include "designer/tominaisuus.h"
#include "designer/tpiirtopohja.h"
#include "designer_fixture.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "sim/nms_modem_sim.h"
#include "support/fake_main_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>

namespace {

constexpr int kCom = 44;
constexpr uint16_t kPower = 0x1205;

class DesignerNmsTest : public DesignerFolderTest {
protected:
    void SetUp() override {
        DesignerFolderTest::SetUp();
        TIniFile(SettingsFileName()).WriteInteger("Properties", "Timeout", 1);
        main.com_list = "COM1,COM44";
        designer = CreateDesigner(true);
        QCoreApplication::processEvents();
        QAction port;
        port.setData(kCom);
        designer->COM11Click(&port);
        modem.With([](NmsModemSim& sim) {
            sim.SetOwnSpeed(115200);
            sim.SetValue(0x929F, "YRF0100");
            sim.SetValue(0x1158, std::string(1, '\0'));
            sim.SetValue(kPower, std::string(1, '\0'));
        });
        TKuvio& figure = designer->Design().Append(std::make_unique<TKuvio>(10, 10));
        figure.SetNmsSupport(true);
        figure.SetPropertyEntry('N', '1', "12", true, true, NmsUnsigned8, kPower);
        designer->Design().active = &figure;
    }

    FakeMainWindow main;
    NmsModemOnPort modem{kCom};
    Tpiirtopohja* designer = nullptr;
};

TEST_F(DesignerNmsTest, TransmitAndReceiveOfAnNmsModemGoThroughTheNmsTransfer) {
    designer->Lhetarvot1Click();
    EXPECT_EQ(modem.With([](NmsModemSim& sim) { return sim.Value(kPower); }), std::string(1, '\x0C'));
    ASSERT_NE(info, nullptr);
    EXPECT_NE(info->LogText().find("All done"), std::string::npos) << info->LogText();

    modem.With([](NmsModemSim& sim) { sim.SetValue(kPower, std::string(1, '\x2A')); });
    designer->Haearvot1Click();
    EXPECT_EQ(designer->Design().active->PropertyEntries()[0].value, "42");
    EXPECT_TRUE(designer->Design().modified);
}

// A modem whose type file is missing: the properties window is built once for the
// transfer, so its file check and "ERROR: Check ini-file" come once, and each value
// it has no field for is named by its number.
TEST_F(DesignerNmsTest, AMissingTypeFileIsReportedOncePerWindowBuild) {
    TKuvio& figure = *designer->Design().active;
    figure.SetTypeName("QX-GONE");
    figure.SetPropertyEntry('N', '1', "13", true, true, NmsUnsigned8, kPower);
    figure.SetPropertyEntry('N', '1', "14", true, true, NmsUnsigned8, kPower);
    boxes.clear();
    designer->Lhetarvot1Click();
    EXPECT_EQ(boxes.texts(),
              (std::vector<std::string>{
                  "File " + ProgramFile("QX-GONE.smf") + " is missing !!\rRevcover file and try again",
                  "ERROR: Check ini-file", "Modem has more fields than SMF1",
                  "Modem has more fields than SMF2", "Modem has more fields than SMF3"}));
}

// The modem refuses the network mask. The station name before it has no NMS data
// and is not written, yet the mask's own field is the one marked, and OK stores
// each value under its own field.
TEST_F(DesignerNmsTest, ARefusedValueIsMarkedOnItsOwnFieldAndStoredThere) {
    AddTypeFile("QX-NMS.smf");
    NetworkDesign& design = designer->Design();
    design.DeleteAllFigures();
    ModemTypeVersionReader reader(false);
    TKuvio& figure = design.NewModemFigure("QX-NMS", NewModemKind::Normal, 100, 100, "QX-NMS", reader);
    Tominaisuus* properties = designer->PropertiesWindow();
    properties->SetFigure(designer, &figure);
    properties->ShowModemProperties(false);
    auto* station = properties->findChild<QLineEdit*>("S0STATION");
    auto* mask = properties->findChild<QLineEdit*>("H5NETMASK");
    ASSERT_TRUE(station && mask);
    station->setText("north");
    mask->setText("FFFFFF00");
    // Channel and power are taken, the mask (2.16) refused.
    modem.With([](NmsModemSim& sim) {
        sim.SetValue(0x1102, std::string(1, '\0'));
        sim.SetValue(0x1103, std::string(2, '\0'));
        sim.RefuseId(0x2010);
    });
    properties->transmitbtnClick();
    const auto red = [](QWidget* field) { return field->palette().color(QPalette::Text) == QColor(Qt::red); };
    EXPECT_FALSE(red(station));
    EXPECT_TRUE(red(mask));
    properties->okClick(nullptr);
    // Channel, power, station name, network mask.
    EXPECT_EQ(figure.PropertyEntries()[2].value, "north");
    EXPECT_EQ(figure.PropertyEntries()[3].value, "FFFFFF00");

    // Another designer's window, open on its modem with a typed value, is left as
    // it is by this designer's transfer, which shows the transmitted modem in its
    // own window, the refused value over that modem's values, which OK keeps.
    Tpiirtopohja* other = CreateDesigner(true);
    QCoreApplication::processEvents();
    Tominaisuus* otherProperties = other->PropertiesWindow();
    otherProperties->SetFigure(
        other, &other->Design().NewModemFigure("QX-NMS", NewModemKind::Normal, 9, 9, "Y", reader));
    otherProperties->ShowModemProperties(false);
    otherProperties->findChild<QLineEdit*>("S0STATION")->setText("Y-station");
    designer->Lhetarvot1Click();
    EXPECT_EQ(otherProperties->findChild<QLineEdit*>("S0STATION")->text(), "Y-station");
    EXPECT_EQ(properties->findChild<QLineEdit*>("S0STATION")->text(), "north");
    properties->okClick(nullptr);
    EXPECT_EQ(figure.PropertyEntries()[2].value, "north");
    delete other;
}

TEST_F(DesignerNmsTest, ThePortMenuListsTheMainWindowsPortsWithTheChosenOneTicked) {
    QMenu menu;
    BuildPortMenu(menu, kCom);
    ASSERT_EQ(menu.actions().size(), 2);
    EXPECT_EQ(menu.actions()[1]->text(), "Serialport COM44");
    EXPECT_EQ(menu.actions()[1]->data().toInt(), kCom);
    EXPECT_TRUE(menu.actions()[1]->isChecked());
    EXPECT_FALSE(menu.actions()[0]->isChecked());
}

} // namespace
