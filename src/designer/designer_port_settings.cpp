#include "designer/designer_port_settings.h"

#include "base/text_numbers.h"
#include "platform/message_box.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "serial/tquovixcommport.h"

#include <utility>
#include <vector>

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

std::vector<std::string> SplitAtCommas(const std::string& text) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t comma = text.find(','); comma != std::string::npos; comma = text.find(',', start)) {
        fields.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    fields.push_back(text.substr(start));
    return fields;
}

void InvalidValue(const std::string& what, const std::string& value) {
    ShowMessage("Check serial port " + what + " !!\r\n" + value + " is invalid value");
}

bool ApplySpeed(TQuovixCommPort& port, const std::string& text) {
    static const TBaudRate speeds[] = {br___300, br__1200, br__2400, br__4800, br__9600, br_19200,
                                       br_38400, br_57600, br115200, br128000, br256000};
    const auto speed = ParseDecimal(text);
    for (const TBaudRate rate : speeds) {
        if (speed && static_cast<DWORD>(*speed) == BaudRateValue(rate)) {
            port.vaihda_bitti_nop(rate);
            return true;
        }
    }
    InvalidValue("baudrate", text);
    return false;
}

bool ApplyDataBits(TQuovixCommPort& port, const std::string& text) {
    if (text.size() != 1 || text[0] < '5' || text[0] > '8') {
        InvalidValue("databits", text);
        return false;
    }
    port.vaihda_bitti_luku(static_cast<TDataBits>(db_5_Five + (text[0] - '5')));
    return true;
}

bool ApplyParity(TQuovixCommPort& port, const std::string& text) {
    static const std::pair<char, TParityBits> parities[] = {
        {'N', _pbNone}, {'O', pbOdd}, {'E', pbEven}, {'M', pbMark}, {'S', pbSpace}};
    for (const auto& [letter, parity] : parities) {
        if (!text.empty() && text[0] == letter) {
            port.vaihda_pariteetti(parity);
            return true;
        }
    }
    InvalidValue("parity", text.substr(0, 1));
    return false;
}

bool ApplyStopBits(TQuovixCommPort& port, const std::string& text) {
    if (text == "1")
        port.vaihda_stop(sbOne);
    else if (!text.empty() && text[0] == '1')
        port.vaihda_stop(sbOnePointFive);
    else if (!text.empty() && text[0] == '2')
        port.vaihda_stop(sbTwo);
    else {
        InvalidValue("stopbits", text.substr(0, 1));
        return false;
    }
    return true;
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

bool CheckPortSettings(TQuovixCommPort& port, const std::string& settings) {
    const std::vector<std::string> fields = SplitAtCommas(settings);
    using Apply = bool (*)(TQuovixCommPort&, const std::string&);
    static const std::pair<const char*, Apply> steps[] = {{"baudrate", ApplySpeed},
                                                          {"databits", ApplyDataBits},
                                                          {"parity", ApplyParity},
                                                          {"stopbits", ApplyStopBits}};
    bool taken = true;
    for (size_t i = 0; i < std::size(steps); ++i) {
        if (i >= fields.size()) {
            InvalidValue(steps[i].first, "");
            taken = false;
            break;
        }
        taken = steps[i].second(port, fields[i]) && taken;
    }
    port.setdtrmode(dtrENABLE);
    port.setdtrline(false);
    port.vaihda_kattely(fcNone);
    port.setrtsmode(rtsDISABLE);
    port.setrtsline(false);
    return taken;
}
