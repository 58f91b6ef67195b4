#pragma once
// Transfer of an NMS-capable modem's settings: finding the modem's speed, logging
// in at the service level its values need, writing or reading every NMS value of
// its figure and, in a routing project, the protocol values and the source-route
// table, then saving. It drives a polled port step by step and waits for each
// reply itself; the designer window runs it on the GUI thread and shows its
// status lines, tests run it against a simulated modem.
//
// Every end of a transfer (all done, a refused value, a time-out, a pulled cable,
// a route problem, a modem that cannot be programmed) goes through one place: a
// modem that entered the exchange is told it is over, the last line gives the
// status window's buttons back, and the port closes. The transfer holds the GUI
// thread and its boxes are modal, so the designer cannot close, delete its modem
// or change its project while it runs.

#include "designer/project_properties.h"
#include "designer/tkuvio.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CDirectSerial;

// Result codes of the steps (0 = success).
enum NmsResult : int {
    NmsOk = 0,
    NmsErrorReply = 1,    // read: '+' reply; write: the value read back differs
    NmsWriteRejected = 2, // write: '+' reply
    NmsPortFailed = 4,    // short write, reopen failed, or the firmware id unread
    NmsNotCompatible = 5, // not a compatible product, or its mode unread
    NmsModeOther = 6,     // mode value neither 0 nor 64
    NmsMode64 = 7,
    NmsNoAcknowledge = 8,
    NmsNoStx = 129,
    NmsBadCrc = 130,
    NmsPayloadTimeout = 131,
    NmsLengthTimeout = 132,
    NmsNoSpeed = 133,
};

// Value ids of the transfer.
namespace NmsId {
constexpr uint16_t FirmwareId = 0x929F;
constexpr uint16_t Mode = 0x1158;
constexpr uint16_t Login = 0x1C0B;
constexpr uint16_t ProjectName = 0x1301;
constexpr uint16_t AddressType = 0x18C8;
constexpr uint16_t RoutingType = 0x118F;
constexpr uint16_t ModemAddress = 0x118E;
constexpr uint16_t NetworkId = 0x118B;
constexpr uint16_t AddressOffset = 0x18C9;
constexpr uint16_t AddressLength = 0x18CA;
constexpr uint16_t RouteCount = 0x1190;
constexpr uint16_t FirstRoute = 0x1800;
constexpr uint16_t Save = 0x1C00;
constexpr uint16_t EndOfExchange = 0x1C12;
} // namespace NmsId

// Frequencies: numbers in hertz on the wire, texts in megahertz in the figure.
bool IsNmsFrequencyId(uint16_t id);
// "458" and "458.0125" give 458000000 and 458012500; whole megahertz and up to six
// fraction digits. Text that is no number gives 0; a frequency above the 32-bit
// field (4294.967295 MHz) gives nothing.
std::optional<uint32_t> FrequencyTextToHz(const std::string& text);
// 458012500 gives "458.012500".
std::string FrequencyHzToText(uint32_t hz);
// A source-route line "1A2B 3 4" as the bytes of its record: the address in four
// bytes, the number of further tokens, each token in two bytes; none when the
// address is no hexadecimal number.
std::optional<std::string> SourceRouteRecord(const std::string& line);

// What the transfer tells the designer window and asks of it.
class NmsTransferView {
public:
    virtual ~NmsTransferView() = default;
    // A line of the status window; mode 1 ends a transfer, 2 starts one.
    virtual void ShowTransferStatus(const std::string& text, int mode) = 0;
    // The status window's progress mark after each value.
    virtual void AddStatusPair(const std::string& text) = 0;
    virtual void ShowMessage(const std::string& text) = 0;
    // The properties window: which figure is transferred, each value's result,
    // and a refresh after a failed transmit.
    virtual void TransferStarts(TKuvio& figure) = 0;
    // index counts the figure's entries from 0.
    virtual void MarkNmsWriteResult(size_t index, const PropertyEntry& entry, int result) = 0;
    virtual void RefreshPropertyForm() = 0;
    // Values came into the figure: the design is modified, the properties window
    // opens on it.
    virtual void ValuesReceived(TKuvio& figure) = 0;
    // Waits; the window repaints its status window meanwhile.
    virtual void Pause(int ms) = 0;
};

// The figure to transfer and the design around it.
struct NmsTransferJob {
    TKuvio* figure = nullptr;
    // A project designer (routes and protocol values); false in the single-modem
    // designer.
    bool routingProject = false;
    ProjectProperties project;
    TKuvio* master = nullptr;
    std::vector<TKuvio*> figures;
    bool mobileRoutes = false;
    // Route generation before a project's Transmit; false when a route problem is
    // left.
    std::function<bool()> generateRoutes;
};

class NmsTransfer {
public:
    static constexpr const char* kLevel9Code = "Pilvorna";
    static constexpr const char* kLevel5Code = "T6rav8ue";
    static constexpr size_t kReceiveBuffer = 2048;

    NmsTransfer(CDirectSerial& port, NmsTransferView& view, uint8_t& sequence);

    void SetTimeoutSeconds(int seconds) { timeoutSeconds_ = seconds < 1 ? 1 : seconds; }

    // The commands: open the port, find the speed, transfer, close.
    void Transmit(int comNumber, NmsTransferJob& job);
    void Receive(int comNumber, NmsTransferJob& job);

    // The steps, each returning a result code.
    int ReceiveNmsFrame(std::string& frame);
    int NmsReadValue(uint16_t id, int typeCode, uint32_t& value);
    int NmsWriteValue(uint16_t id, int typeCode, uint32_t value);
    int NmsWriteBytes(uint16_t id, int typeCode, std::string_view bytes);
    int NmsReadString(uint16_t id, size_t maximum, std::string& text);
    int FindModemSpeed(int comNumber);
    void TransmitSettingsNms(NmsTransferJob& job);
    void ReceiveSettingsNms(NmsTransferJob& job);
    // These three say whether every write of theirs succeeded.
    bool WriteProtocolValuesNms(const NmsTransferJob& job);
    bool ClearRouteTableNms();
    bool TransmitRouteTableNms(const NmsTransferJob& job, bool toMaster);

    // Speeds of the search, with their character times in microseconds.
    struct Speed {
        int baud;
        int characterMicros;
    };
    static const std::vector<Speed>& SpeedTable();

private:
    void Run(int comNumber, NmsTransferJob& job, bool transmit);
    void EndTransfer(const std::string& lastLine);
    // Each entry's value bytes (empty for an entry that sends none); none, after
    // the box that names it, when a value does not fit its field.
    std::optional<std::vector<std::string>> ValuesToSend(const TKuvio& figure);
    // A value was refused or its write failed: the transfer ends unsaved.
    void EndWithValuesFailed();
    // What a request's replies are checked for: a read's and a write's alike, but
    // a write names a missing acknowledgement; the end of an exchange checks
    // nothing and takes both replies whatever comes.
    enum class Checks { Read, Write, None };
    int Request(const std::string& frame, std::string& response, Checks checks);
    int ReadBytes(char* into, int count, int maxAttempts);
    int WriteNumberOrBytes(uint16_t id, const std::string& value, bool sameLength);
    void Status(const std::string& text, int mode = 0) { view_.ShowTransferStatus(text, mode); }

    CDirectSerial& port_;
    NmsTransferView& view_;
    uint8_t& sequence_;
    int timeoutSeconds_ = 3;
    int characterMicros_ = 90;
    int speedResult_ = 0;
    // The modem answered the speed search: it is in the exchange until told its end.
    bool inExchange_ = false;
};
