#pragma once
// The port map: which device a COM port number names. A link "comN" (lower case,
// N in decimal) in the folder "ports" beside the settings file names the device of
// COMN. Numbers not linked there are given, lowest first, to the serial devices
// that exist, in a fixed order: real UARTs among /dev/ttyS*, then ttyUSB*,
// ttyACM* and rfcomm* (each family in numeric order). A virtual port
// (platform/virtual_port.h) takes its number before both.

#include <map>
#include <string>
#include <vector>

// The folder of port links: "ports" beside the settings file.
std::string PortsFolder();

// The COM number of "COMn" or "\\.\COMn" (any letter case), or 0 when the name is
// no COM port name.
int ComPortNumber(const std::string& name);

// The device path of COM port n, or an empty text when no device has that number.
std::string PortDevicePath(int comNumber);

// The COM numbers present, ascending: virtual ports, linked numbers whose target
// exists and the numbers given to the devices found.
std::vector<int> PresentPortNumbers();

// The serial devices of the machine in the fixed order above.
std::vector<std::string> SerialDevicesPresent();

// Makes SerialDevicesPresent answer this list instead of looking at the machine,
// so tests never reach a real device (a machine's ttyS0 may be its console).
void SetSerialDevicesForTests(const std::vector<std::string>& devices);

// The assignment rule by itself: linked numbers keep their targets; every device
// not already linked takes the lowest number that is neither linked nor reserved.
std::map<int, std::string> AssignPortNumbers(const std::map<int, std::string>& links,
                                             const std::vector<int>& reserved,
                                             const std::vector<std::string>& devices);
