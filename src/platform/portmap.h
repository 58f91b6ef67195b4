#pragma once
// The port map: which device a COM port number names. A link "comN" (lower case,
// N in decimal) in the folder "ports" beside the settings file names the device of
// COMN. Numbers not linked there are given, lowest first, to the serial devices
// that exist, in a fixed order: real UARTs among /dev/ttyS*, then ttyUSB*,
// ttyACM* and rfcomm* (each family in numeric order). A virtual port
// (platform/virtual_port.h) takes its number before both.
//
// While the program runs a number never moves to another device, so a port
// that reopens (after a pulled cable, a hand-over, a resume) finds its own
// device or none: a device keeps the number it was given when it goes and gets
// it back when it returns, a new device takes a number never given before, and a
// number that was linked names only what its link names, nothing while the link
// is gone.

#include <map>
#include <set>
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

// What the map keeps from one assignment to the next: the numbers given to
// devices and the numbers that were linked.
struct PortNumbering {
    std::map<int, std::string> given;
    std::set<int> linked;
};

// The assignment rule by itself: linked numbers name their targets; every other
// device keeps the number it was given, or takes the lowest number that was
// never linked, given or reserved. A device named by a link goes by the link's
// number alone. The result holds the numbers of devices that are gone too.
std::map<int, std::string> AssignPortNumbers(const std::map<int, std::string>& links,
                                             const std::vector<int>& reserved,
                                             const std::vector<std::string>& devices,
                                             PortNumbering& numbering);
