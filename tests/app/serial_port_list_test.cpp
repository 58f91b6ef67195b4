#include "main_window_fixture.h"
#include "shell/serial_port_list.h"
#include "support/pseudo_terminal_ports.h"

TEST(SerialPortList, DefaultsAndSortingWithoutRegardToCase) {
    EXPECT_EQ(ComListFromPortNames(std::nullopt),
              "COM1,COM10,COM11,COM12,COM13,COM14,COM15,COM16,COM2,COM3,COM4,COM5,COM6,COM7,COM8,COM9");
    EXPECT_EQ(ComListFromPortNames(std::vector<std::string>{"COM3", "COM1"}), "COM1,COM3");
    EXPECT_EQ(ComListFromPortNames(std::vector<std::string>{"com2", "COM10", "Com1"}), "Com1,COM10,com2");
    // Values that could not be read are left out; with none left, four ports.
    EXPECT_EQ(ComListFromPortNames(std::vector<std::string>{"", "COM7", ""}), "COM7");
    EXPECT_EQ(ComListFromPortNames(std::vector<std::string>{"", ""}), "COM1,COM2,COM3,COM4");
}

TEST_F(MainWindowTest, WithoutPortsTheListIsTheSixteenDefaults) {
    if (PseudoTerminalPorts::MachineHasSerialDevices())
        GTEST_SKIP() << "this machine's own serial devices are ports";
    auto window = open();
    EXPECT_EQ(window->ListSerialPorts(),
              "COM1,COM10,COM11,COM12,COM13,COM14,COM15,COM16,COM2,COM3,COM4,COM5,COM6,COM7,COM8,COM9");
}

TEST_F(MainWindowTest, PortListNamesTheMappedPortsSorted) {
    auto window = open();
    PseudoTerminalPorts ports;
    const std::string com3 = ports.Add(3);
    const std::string com1 = ports.Add(1);
    // The machine's own serial devices take the lowest numbers left.
    std::vector<std::string> names{"COM1", "COM3"};
    PortNumbering numbering;
    for (const auto& [number, device] :
         AssignPortNumbers({{1, com1}, {3, com3}}, {}, SerialDevicesPresent(), numbering))
        if (number != 1 && number != 3)
            names.push_back("COM" + std::to_string(number));
    const std::string expected = ComListFromPortNames(names);
    if (!PseudoTerminalPorts::MachineHasSerialDevices()) {
        EXPECT_EQ(expected, "COM1,COM3");
    }
    EXPECT_EQ(window->ListSerialPorts(), expected);
    EXPECT_EQ(window->com_list, expected);
}
