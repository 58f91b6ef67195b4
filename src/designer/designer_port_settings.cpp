#include "designer/designer_port_settings.h"

#include "base/text_numbers.h"
#include "platform/message_box.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "serial/tquovixcommport.h"

#include <utility>

namespace {

constexpr const char* kSection = "Properties";
constexpr int kHighestPort = 256;

void ShowIniWriteFailure() {
    MessageBox("Unable to write ini file. Access denied", "Error", MB_OK | MB_ICONERROR);
}

const char* KeyOf(PortChoice choice) {
    switch (choice) {
    case PortChoice::PortNumber:
        return "Port number";
    case PortChoice::Speed:
        return "Speed";
    case PortChoice::DataBits:
        return "Datalen";
    case PortChoice::StopBits:
        return "Datastop";
    case PortChoice::Parity:
        return "Dataparity";
    }
    return "";
}

int& FieldOf(DesignerPortSettings& settings, PortChoice choice) {
    switch (choice) {
    case PortChoice::PortNumber:
        return settings.portNumber;
    case PortChoice::Speed:
        return settings.speed;
    case PortChoice::DataBits:
        return settings.dataBits;
    case PortChoice::StopBits:
        return settings.stopBits;
    case PortChoice::Parity:
        break;
    }
    return settings.parity;
}

void InvalidValue(const std::string& what, const std::string& value) {
    ShowMessage("Check serial port " + what + " !!\r\n" + value + " is invalid value");
}

void ApplySpeed(TQuovixCommPort& port, const std::string& text) {
    static const TBaudRate speeds[] = {br___300, br__1200, br__2400, br__4800, br__9600, br_19200,
                                       br_38400, br_57600, br115200, br128000, br256000};
    const auto speed = ParseDecimal(text);
    for (const TBaudRate rate : speeds) {
        if (speed && static_cast<DWORD>(*speed) == BaudRateValue(rate)) {
            port.vaihda_bitti_nop(rate);
            return;
        }
    }
    InvalidValue("baudrate", text);
}

// A digit outside 5..8 (any other character too) selects 4 data bits.
void ApplyDataBits(TQuovixCommPort& port, char digit) {
    const bool usual = digit >= '5' && digit <= '8';
    port.vaihda_bitti_luku(usual ? static_cast<TDataBits>(db_5_Five + (digit - '5')) : db_4_Four);
}

void ApplyParity(TQuovixCommPort& port, char letter) {
    static const std::pair<char, TParityBits> parities[] = {
        {'N', _pbNone}, {'O', pbOdd}, {'E', pbEven}, {'M', pbMark}, {'S', pbSpace}};
    for (const auto& [known, parity] : parities) {
        if (letter == known) {
            port.vaihda_pariteetti(parity);
            return;
        }
    }
    InvalidValue("parity", std::string(1, letter));
}

// "1" is one stop bit as the text's last character, one and a half otherwise ("1.5").
void ApplyStopBits(TQuovixCommPort& port, char stop, bool last) {
    if (stop == '1')
        port.vaihda_stop(last ? sbOne : sbOnePointFive);
    else if (stop == '2')
        port.vaihda_stop(sbTwo);
    else
        InvalidValue("stopbits", std::string(1, stop));
}

} // namespace

DesignerPortSettings DesignerPortSettings::Read() {
    TIniFile file(SettingsFileName());
    DesignerPortSettings settings;
    settings.portNumber = file.ReadInteger(kSection, "Port number", 1);
    settings.speed = file.ReadInteger(kSection, "Speed", 9600);
    settings.dataBits = file.ReadInteger(kSection, "Datalen", 8);
    settings.stopBits = file.ReadInteger(kSection, "Datastop", 1);
    settings.parity = file.ReadInteger(kSection, "Dataparity", 0);
    settings.timeout = file.ReadInteger(kSection, "Timeout", 0);
    if (settings.timeout >= 1)
        return settings;
    settings.timeout = 3;
    try {
        file.WriteInteger(kSection, "Timeout", settings.timeout);
    } catch (const EIniFileException&) {
        ShowIniWriteFailure();
    }
    return settings;
}

std::string DesignerPortSettings::PingSettingsText() const {
    static const char parityLetters[] = {'N', 'O', 'E'};
    const char parityLetter = parity >= 0 && parity <= 2 ? parityLetters[parity] : 'N';
    return std::to_string(speed) + "," + std::to_string(dataBits) + "," + parityLetter + "," +
           std::to_string(stopBits);
}

void ChoosePortSetting(DesignerPortSettings& settings, PortChoice choice, int value) {
    FieldOf(settings, choice) = value;
    try {
        TIniFile(SettingsFileName()).WriteInteger(kSection, KeyOf(choice), value);
    } catch (const EIniFileException&) {
        ShowIniWriteFailure();
    }
}

bool CheckPortNumber(TQuovixCommPort& port, int number) {
    if (port.IsOpen()) {
        ShowMessage("Close serial port before changing port number !!");
        return false;
    }
    if (number < 1 || number > kHighestPort) {
        ShowMessage("Check serial port number !!. Allowed values 1..256");
        return false;
    }
    port.setPortin_nro(static_cast<TPortnro>(number - 1));
    return true;
}

void CheckPortSettings(TQuovixCommPort& port, const std::string& settings) {
    // The data-bit digit stands 1, the parity letter 3 and the stop-bit character 5
    // places after the first comma; a text too short for a field keeps its setting.
    const size_t comma = settings.find(',');
    ApplySpeed(port, settings.substr(0, comma));
    const size_t dataAt = comma == std::string::npos ? settings.size() : comma + 1;
    if (dataAt < settings.size())
        ApplyDataBits(port, settings[dataAt]);
    if (dataAt + 2 < settings.size())
        ApplyParity(port, settings[dataAt + 2]);
    if (dataAt + 4 < settings.size())
        ApplyStopBits(port, settings[dataAt + 4], dataAt + 4 == settings.size() - 1);
    port.setdtrmode(dtrENABLE);
    port.setdtrline(false);
    port.vaihda_kattely(fcNone);
    port.setrtsmode(rtsDISABLE);
    port.setrtsline(false);
}
