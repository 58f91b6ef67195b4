#pragma once
// The designer's serial settings: the COM port for programming and the line
// settings for pinging, chosen in the "Serial port" menu and kept in section
// "Properties" of the settings file; and the two checks through which a settings
// text and a port number reach the port component.

#include <string>

class TQuovixCommPort;

struct DesignerPortSettings {
    int portNumber = 1;
    int speed = 9600;
    int dataBits = 8;
    int stopBits = 1;
    // 0 none, 1 odd, 2 even.
    int parity = 0;
    // Seconds, for the NMS transfer.
    int timeout = 3;

    // Reads section "Properties"; a missing or non-positive "Timeout" becomes 3
    // and is written back.
    static DesignerPortSettings Read();
    // The ping's settings text, such as "9600,8,N,1".
    std::string PingSettingsText() const;
};

// What a choice of the "Serial port" menu sets.
enum class PortChoice { PortNumber, Speed, DataBits, StopBits, Parity };

// Takes the chosen value and stores it under its key at once; a settings file
// that cannot be written gives its box and the value stays chosen.
void ChoosePortSetting(DesignerPortSettings& settings, PortChoice choice, int value);

// Sets the component's port to COM number; refused with a box while the port is
// open or when the number is outside 1..256. True when it was set.
bool CheckPortNumber(TQuovixCommPort& port, int number);
// Applies "speed,data bits,parity,stop bits" to the component: a speed, parity or
// stop bit it cannot take gives a box and leaves that setting as it was; a data-bit
// digit outside 5..8 selects 4 data bits; a text too short to hold a field leaves
// that setting as it was. Then DTR is enabled, flow control and RTS are off.
void CheckPortSettings(TQuovixCommPort& port, const std::string& settings);
