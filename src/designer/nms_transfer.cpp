#include "designer/nms_transfer.h"

#include "base/crc16.h"
#include "base/nms_frame.h"
#include "base/text_lines.h"
#include "designer/field_value.h"
#include "designer/figure_values.h"
#include "designer/route_generation.h"
#include "serial/cdirectserial.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <utility>

namespace {

constexpr int kOpenBaud = 115200;
constexpr int kDataBits = 8;
constexpr char kStx = 0x02;
// Polls: one STX attempt each 20 ms up to the time-out; empty reads of the rest of
// a frame pause 1 ms, at most 45000 times.
constexpr int kStxPollMs = 20;
constexpr int kRestAttempts = 45000;
// The speed search: replies are looked for in a window of this size, and what a
// modem still sends after a failed try is dropped for at most this many reads.
constexpr size_t kSearchWindow = 4096;
constexpr int kSearchReadBytes = 20;
constexpr int kDrainReads = 200;
constexpr size_t kFirmwareIdMaximum = 499;
constexpr const char* kSelectionPrompt = "Enter selection";
constexpr const char* kSpeedCommand = "SL%P=1";

const char* const kRefusedFirmware[] = {"YRF0005", "YRF0013", "YRF0016", "YRF0021"};

std::string StatusWithCode(const char* text, int code) {
    return text + std::to_string(code);
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// The value bytes of an entry's text as its type code sends them; nothing for a
// frequency or an 'H' value that does not fit its 32-bit field. An 'H' field's
// text is hexadecimal, not decimal as for other numbers.
std::optional<std::string> EntryValueBytes(const PropertyEntry& entry) {
    if (NmsNumberSize(entry.nmsSize) == 0)
        return entry.value;
    if (entry.tag == 'H') {
        if (!HexFieldFits(entry.value))
            return std::nullopt;
        return NmsNumberBytes(HexFieldNumber(entry.value), entry.nmsSize);
    }
    if (!IsNmsFrequencyId(entry.nmsId))
        return NmsNumberBytes(static_cast<uint32_t>(std::strtoll(entry.value.c_str(), nullptr, 10)),
                              entry.nmsSize);
    const std::optional<uint32_t> hz = FrequencyTextToHz(entry.value);
    if (!hz)
        return std::nullopt;
    return NmsNumberBytes(*hz, entry.nmsSize);
}

std::string FrequencyRefusal(const TKuvio& figure, size_t index) {
    const PropertyEntry& entry = figure.PropertyEntries()[index];
    return "The frequency " + entry.value + " MHz of " + ParameterName(figure, index, entry.nmsId) +
           " does not fit the modem's 32-bit field: it was not sent";
}

// A value read from the modem as the entry's text.
std::string EntryText(const PropertyEntry& entry, const std::string& bytes) {
    if (NmsNumberSize(entry.nmsSize) == 0)
        return bytes;
    if (entry.tag == 'H')
        return HexFieldText(NmsBigEndianValue(bytes));
    if (IsNmsFrequencyId(entry.nmsId))
        return FrequencyHzToText(NmsBigEndianValue(bytes));
    return std::to_string(NmsNumberValue(bytes, entry.nmsSize));
}

} // namespace

bool IsNmsFrequencyId(uint16_t id) {
    return id == 0x1100 || id == 0x1101 || id == 0x5106 || id == 0x9106;
}

std::optional<uint32_t> FrequencyTextToHz(const std::string& text) {
    const std::string trimmed = Trimmed(text);
    const size_t point = trimmed.find('.');
    const std::string whole = trimmed.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : trimmed.substr(point + 1);
    fraction.resize(6, '0');
    const auto digits = [](const std::string& part) {
        return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (whole.empty() || !digits(whole) || !digits(fraction))
        return 0;
    // More whole digits than hertz in 32 bits can hold in megahertz never fit.
    constexpr size_t kWidestWhole = 4;
    const size_t significant = whole.size() - std::min(whole.find_first_not_of('0'), whole.size());
    if (significant > kWidestWhole)
        return std::nullopt;
    const uint64_t hz =
        std::strtoull(whole.c_str(), nullptr, 10) * 1000000ULL + std::strtoull(fraction.c_str(), nullptr, 10);
    if (hz > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    return static_cast<uint32_t>(hz);
}

std::string FrequencyHzToText(uint32_t hz) {
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, "%06u", hz % 1000000);
    return std::to_string(hz / 1000000) + "." + fraction;
}

std::optional<std::string> SourceRouteRecord(const std::string& line) {
    std::vector<std::string> tokens;
    std::istringstream words(Trimmed(line));
    for (std::string token; words >> token;)
        tokens.push_back(token);
    if (tokens.empty())
        return std::nullopt;
    const std::optional<unsigned> address = ParseHexAddress(tokens[0]);
    if (!address)
        return std::nullopt;
    std::string record = NmsNumberBytes(*address, NmsUnsigned32);
    record.push_back(static_cast<char>(tokens.size() - 1));
    for (size_t i = 1; i < tokens.size(); ++i)
        record +=
            NmsNumberBytes(static_cast<uint32_t>(std::strtol(tokens[i].c_str(), nullptr, 10)), NmsUnsigned16);
    return record;
}

NmsTransfer::NmsTransfer(CDirectSerial& port, NmsTransferView& view, uint8_t& sequence)
    : port_(port), view_(view), sequence_(sequence) {}

const std::vector<NmsTransfer::Speed>& NmsTransfer::SpeedTable() {
    static const std::vector<Speed> table{{115200, 90}, {57600, 175}, {38400, 270}, {19200, 530},
                                          {9600, 1060}, {4800, 2120}, {2400, 4240}, {1200, 8480}};
    return table;
}

// Reads count bytes, pausing 1 ms after each read that brings nothing.
int NmsTransfer::ReadBytes(char* into, int count, int maxAttempts) {
    int have = 0;
    for (int attempt = 0; have < count; ++attempt) {
        if (attempt >= maxAttempts)
            return have;
        const int got = port_.Read(into + have, count - have);
        have += got;
        if (got == 0)
            view_.Pause(1);
    }
    return have;
}

int NmsTransfer::ReceiveNmsFrame(std::string& frame) {
    view_.Pause(5);
    frame.clear();
    char byte = 0;
    const int stxAttempts = timeoutSeconds_ * 1000 / kStxPollMs;
    for (int attempt = 0;; ++attempt) {
        if (attempt >= stxAttempts)
            return NmsNoStx;
        const bool stx = port_.Read(&byte, 1) == 1 && byte == kStx;
        view_.Pause(kStxPollMs);
        if (stx)
            break;
    }
    char length[2];
    if (ReadBytes(length, 2, kRestAttempts) < 2)
        return NmsLengthTimeout;
    const size_t payloadLength = static_cast<uint8_t>(length[0]) * 256u + static_cast<uint8_t>(length[1]);
    // A length that cannot fit the receive buffer is a garbled frame: it is refused
    // rather than read past the buffer.
    if (payloadLength + NmsFrameOverhead > kReceiveBuffer)
        return NmsBadCrc;
    view_.Pause(static_cast<int>(characterMicros_ * payloadLength / 1000 + 5));
    std::string rest(payloadLength + 2, '\0');
    if (ReadBytes(rest.data(), static_cast<int>(rest.size()), kRestAttempts) < static_cast<int>(rest.size()))
        return NmsPayloadTimeout;
    frame = std::string(1, kStx) + std::string(length, 2) + rest;
    if (CheckNmsFrame(frame).result != NmsFrameCheck::Complete)
        return NmsBadCrc;
    return NmsOk;
}

// Sends a request and takes its acknowledgement and its response.
int NmsTransfer::Request(const std::string& frame, std::string& response, Checks checks) {
    sequence_ = static_cast<uint8_t>(sequence_ + 2);
    // Bytes still waiting (a modem that repeats its replies) answer an earlier
    // request: taken now they would be read as this one's reply.
    char stale[kSearchReadBytes];
    for (int read = 0; read < kDrainReads && port_.Read(stale, kSearchReadBytes) > 0; ++read) {
    }
    const bool written =
        port_.Write(frame.data(), static_cast<int>(frame.size())) == static_cast<int>(frame.size());
    std::string acknowledge;
    if (checks == Checks::None) {
        // A port that takes no bytes (a pulled cable) gets no reply to wait for.
        if (!written)
            return NmsPortFailed;
        ReceiveNmsFrame(acknowledge);
        ReceiveNmsFrame(response);
        return NmsOk;
    }
    if (!written)
        return NmsPortFailed;
    if (const int code = ReceiveNmsFrame(acknowledge); code != NmsOk) {
        Status(StatusWithCode("MSG com error ", code));
        return code;
    }
    const std::optional<NmsReply> ack = ReadNmsReply(acknowledge);
    if (!ack || !ack->IsAcknowledge()) {
        if (checks == Checks::Write)
            Status("EI ACK sanoma " + std::to_string(frame.size()));
        return NmsNoAcknowledge;
    }
    if (const int code = ReceiveNmsFrame(response); code != NmsOk) {
        Status(StatusWithCode("MSG com error ", code));
        return code;
    }
    return NmsOk;
}

int NmsTransfer::NmsReadString(uint16_t id, size_t maximum, std::string& text) {
    std::string response;
    if (const int code = Request(BuildNmsGetFrame(sequence_, id), response, Checks::Read); code != NmsOk)
        return code;
    const std::optional<NmsReply> reply = ReadNmsReply(response);
    if (reply && reply->IsError())
        return NmsErrorReply;
    // A value length that disagrees with the frame is a garbled reply.
    if (!reply || !reply->hasValue)
        return NmsBadCrc;
    text = reply->value.substr(0, maximum);
    return NmsOk;
}

int NmsTransfer::NmsReadValue(uint16_t id, int /*typeCode*/, uint32_t& value) {
    std::string bytes;
    const int code = NmsReadString(id, kReceiveBuffer, bytes);
    if (code == NmsOk)
        value = NmsBigEndianValue(bytes);
    return code;
}

int NmsTransfer::WriteNumberOrBytes(uint16_t id, const std::string& value, bool sameLength) {
    const std::optional<std::string> frame = BuildNmsSetFrame(sequence_, id, value);
    if (!frame)
        return NmsPortFailed;
    std::string response;
    // The end of an exchange is never examined: the modem may already have left.
    if (id == NmsId::EndOfExchange)
        return Request(*frame, response, Checks::None);
    const int code = Request(*frame, response, Checks::Write);
    if (code != NmsOk)
        return code;
    const std::optional<NmsReply> reply = ReadNmsReply(response);
    if (reply && reply->IsError()) {
        Status("parametri pieleen");
        return NmsWriteRejected;
    }
    if (!reply || !reply->hasValue)
        return NmsBadCrc;
    if (sameLength)
        return reply->value == value ? NmsOk : NmsErrorReply;
    const uint32_t mask = value.size() >= 4 ? 0xFFFFFFFFu : (1u << (8 * value.size())) - 1;
    return (NmsBigEndianValue(reply->value) & mask) == NmsBigEndianValue(value) ? NmsOk : NmsErrorReply;
}

int NmsTransfer::NmsWriteValue(uint16_t id, int typeCode, uint32_t value) {
    return WriteNumberOrBytes(id, NmsNumberBytes(value, typeCode), false);
}

int NmsTransfer::NmsWriteBytes(uint16_t id, int /*typeCode*/, std::string_view bytes) {
    return WriteNumberOrBytes(id, std::string(bytes), true);
}

int NmsTransfer::FindModemSpeed(int comNumber) {
    const std::vector<Speed>& speeds = SpeedTable();
    for (size_t index = 0;; ++index) {
        characterMicros_ = speeds[index].characterMicros;
        Status("checking com speed " + std::to_string(speeds[index].baud));
        if (index > 0) {
            if (!port_.Open(comNumber, speeds[index].baud, kDataBits, 0))
                return NmsPortFailed;
            view_.Pause(2);
        }
        const int commandLength = static_cast<int>(std::char_traits<char>::length(kSpeedCommand));
        if (port_.Write(kSpeedCommand, commandLength) != commandLength)
            return NmsPortFailed;
        view_.Pause(25);
        std::string window;
        bool found = false;
        for (int round = 0; round < timeoutSeconds_ * 1000 / kStxPollMs && !found; ++round) {
            char chunk[kSearchReadBytes];
            window.append(chunk, static_cast<size_t>(port_.Read(chunk, kSearchReadBytes)));
            if (window.size() > kSearchWindow)
                window.erase(0, window.size() - kSearchWindow);
            view_.Pause(kStxPollMs);
            found = window.find(kSelectionPrompt) != std::string::npos;
        }
        if (found) {
            inExchange_ = true;
            break;
        }
        for (int read = 0; read < kDrainReads; ++read) {
            char chunk[kSearchReadBytes];
            if (port_.Read(chunk, kSearchReadBytes) == 0)
                break;
            view_.Pause(5);
        }
        port_.Close();
        view_.Pause(20);
        if (index + 1 == speeds.size())
            return NmsNoSpeed;
    }
    view_.Pause(timeoutSeconds_ * 1000);
    std::string firmwareId;
    if (NmsReadString(NmsId::FirmwareId, kFirmwareIdMaximum, firmwareId) != NmsOk)
        return NmsPortFailed;
    if (!StartsWith(firmwareId, "YRF") ||
        std::any_of(std::begin(kRefusedFirmware), std::end(kRefusedFirmware),
                    [&](const char* refused) { return StartsWith(firmwareId, refused); }))
        return NmsNotCompatible;
    uint32_t mode = 0;
    if (NmsReadValue(NmsId::Mode, NmsUnsigned8, mode) != NmsOk)
        return NmsNotCompatible;
    return mode == 0 ? NmsOk : mode == 64 ? NmsMode64 : NmsModeOther;
}

void NmsTransfer::Transmit(int comNumber, NmsTransferJob& job) {
    Run(comNumber, job, true);
}

void NmsTransfer::Receive(int comNumber, NmsTransferJob& job) {
    Run(comNumber, job, false);
}

void NmsTransfer::Run(int comNumber, NmsTransferJob& job, bool transmit) {
    if (!port_.Open(comNumber, kOpenBaud, kDataBits, 0)) {
        view_.ShowMessage("Port does not exists !!!");
        return;
    }
    inExchange_ = false;
    Status("Port COM" + std::to_string(comNumber), 2);
    // Receiving only reads the modem's values: it is logged as such and needs no
    // routes, so a route problem elsewhere in the project does not stop it.
    Status(job.figure->GetModemName(), transmit ? 2 : 3);
    if (transmit && job.routingProject && job.generateRoutes && !job.generateRoutes()) {
        EndTransfer("One modem does not have route !!\r\nPlease check high lighted mode's route");
        return;
    }
    speedResult_ = FindModemSpeed(comNumber);
    if (speedResult_ != NmsOk && speedResult_ != NmsModeOther && speedResult_ != NmsMode64)
        EndTransfer(
            "Modem can't enter prog mode !\r\nPlease check port selection and Reboot modem and retry");
    else if (transmit)
        TransmitSettingsNms(job);
    else
        ReceiveSettingsNms(job);
}

// Every end of a transfer: a modem in the exchange, also one whose firmware id went
// unread after the speed search, is told it is over; the last line gives the
// status window's buttons back; the port closes.
void NmsTransfer::EndTransfer(const std::string& lastLine) {
    if (std::exchange(inExchange_, false))
        NmsWriteValue(NmsId::EndOfExchange, NmsUnsigned8, 1);
    Status(lastLine, 1);
    port_.Close();
}

// Every value is encoded before the first is written: one that does not fit its
// field is refused with the field named and nothing of the values is sent.
std::optional<std::vector<std::string>> NmsTransfer::ValuesToSend(const TKuvio& figure) {
    std::vector<std::string> values(figure.PropertyEntries().size());
    for (size_t index = 0; index < values.size(); ++index) {
        const PropertyEntry& entry = figure.PropertyEntries()[index];
        if (entry.nmsSize == 0)
            continue;
        const std::optional<std::string> bytes = EntryValueBytes(entry);
        if (!bytes) {
            const std::optional<std::string> hexRefusal = HexValueRefusal(figure, index);
            view_.ShowMessage(hexRefusal ? *hexRefusal : FrequencyRefusal(figure, index));
            view_.MarkNmsWriteResult(index, entry, NmsWriteRejected);
            return std::nullopt;
        }
        values[index] = *bytes;
    }
    return values;
}

void NmsTransfer::EndWithValuesFailed() {
    view_.ShowMessage("There was errors while writing parameters to modem !");
    view_.RefreshPropertyForm();
    EndTransfer(" ");
}

void NmsTransfer::TransmitSettingsNms(NmsTransferJob& job) {
    TKuvio& figure = *job.figure;
    figure.ResetPropertyList(false);
    view_.TransferStarts(figure);
    const std::optional<std::vector<std::string>> values = ValuesToSend(figure);
    if (!values) {
        EndWithValuesFailed();
        return;
    }
    const int level = figure.HighestAccessLevel();
    if (level >= 5) {
        const bool top = level >= 9;
        const std::string login =
            std::string(1, static_cast<char>(top ? 9 : 5)) + (top ? kLevel9Code : kLevel5Code);
        NmsWriteBytes(NmsId::Login, NmsByteString, login);
    }
    Status("Start settings transfer");
    Status(" ");
    bool failed = false;
    const std::vector<PropertyEntry>& entries = figure.PropertyEntries();
    for (size_t index = 0; index < entries.size(); ++index) {
        const PropertyEntry& entry = entries[index];
        if (entry.nmsSize == 0)
            continue;
        const std::string& bytes = values->at(index);
        const int result = NmsNumberSize(entry.nmsSize) == 0
                               ? NmsWriteBytes(entry.nmsId, entry.nmsSize, bytes)
                               : NmsWriteValue(entry.nmsId, entry.nmsSize, NmsBigEndianValue(bytes));
        view_.MarkNmsWriteResult(index, entry, result);
        view_.AddStatusPair("#");
        if (result != NmsOk) {
            failed = true;
            break;
        }
    }
    Status(" ");
    if (failed) {
        EndWithValuesFailed();
        return;
    }
    // Every failed step marks a communication error; a failed protocol or route
    // write leaves the modem half programmed, and it is then not saved.
    bool communicationError = false;
    bool halfProgrammed = false;
    if (job.routingProject) {
        if (NmsWriteBytes(NmsId::ProjectName, NmsText, figure.GetModemName()) != NmsOk)
            communicationError = true;
        uint32_t mode = 0;
        if (NmsReadValue(NmsId::Mode, NmsUnsigned16, mode) != NmsOk)
            communicationError = true;
        else if (mode != 0) {
            view_.ShowMessage("ERROR: modem must bee in \"TERAMONDO-7QV\" mode to program routes !!");
            EndTransfer("ERROR:  wrong combatile mode");
            return;
        }
        if (speedResult_ == NmsMode64 && !ClearRouteTableNms())
            halfProgrammed = true;
        Status("Set protocol values");
        if (!WriteProtocolValuesNms(job))
            halfProgrammed = true;
        Status("Clear routetable");
        if (NmsWriteValue(NmsId::RouteCount, NmsUnsigned16, 0) != NmsOk)
            halfProgrammed = true;
        if (&figure == job.master) {
            Status("Set routes to master");
            if (!TransmitRouteTableNms(job, true))
                halfProgrammed = true;
        }
    }
    if (!halfProgrammed && NmsWriteValue(NmsId::Save, NmsUnsigned8, 1) == NmsOk) {
        Status("Save settings");
    } else {
        Status("Save failed");
        communicationError = true;
    }
    view_.Pause(timeoutSeconds_ * 1000);
    EndTransfer(communicationError ? "Communication error" : "All done");
}

bool NmsTransfer::WriteProtocolValuesNms(const NmsTransferJob& job) {
    const ProjectProperties& project = job.project;
    std::string netId = project.netId.substr(0, ProjectProperties::kNetIdLength);
    netId.resize(ProjectProperties::kNetIdLength, '\0');
    // Each value is written, whether or not one before it failed.
    const int results[] = {
        NmsWriteValue(NmsId::AddressType, NmsUnsigned8, static_cast<uint32_t>(project.addressType + 3)),
        NmsWriteValue(NmsId::RoutingType, NmsUnsigned8, static_cast<uint32_t>(project.routingType + 1)),
        NmsWriteValue(NmsId::ModemAddress, NmsUnsigned16, job.figure->identifier),
        NmsWriteBytes(NmsId::NetworkId, NmsByteString, netId),
        NmsWriteValue(NmsId::AddressOffset, NmsUnsigned8, static_cast<uint32_t>(project.offset)),
        NmsWriteValue(NmsId::AddressLength, NmsUnsigned8, static_cast<uint32_t>(project.length))};
    const bool ok =
        std::all_of(std::begin(results), std::end(results), [](int result) { return result == NmsOk; });
    if (!ok)
        Status("Protocol write error");
    return ok;
}

bool NmsTransfer::ClearRouteTableNms() {
    if (NmsWriteValue(NmsId::RouteCount, NmsUnsigned16, 0) == NmsOk)
        return true;
    view_.ShowMessage("Source route clearing error");
    return false;
}

bool NmsTransfer::TransmitRouteTableNms(const NmsTransferJob& job, bool toMaster) {
    if (!toMaster)
        return true;
    const std::vector<std::string> lines = SourceRouteLines(job.figures, job.master, job.mobileRoutes);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::optional<std::string> record = SourceRouteRecord(lines[i]);
        if (!record) {
            view_.ShowMessage("Error in address field .. Check all addressies");
            return false;
        }
        if (NmsWriteBytes(static_cast<uint16_t>(NmsId::FirstRoute + i), NmsByteString, *record) != NmsOk) {
            view_.ShowMessage("Source route transmit error");
            return false;
        }
    }
    if (NmsWriteValue(NmsId::RouteCount, NmsUnsigned16, static_cast<uint32_t>(lines.size())) == NmsOk)
        return true;
    view_.ShowMessage("Source route transmit error");
    return false;
}

void NmsTransfer::ReceiveSettingsNms(NmsTransferJob& job) {
    TKuvio& figure = *job.figure;
    figure.ResetPropertyList(false);
    Status("Read values");
    Status(" ");
    bool communicationError = false;
    const std::vector<PropertyEntry> entries = figure.PropertyEntries();
    for (const PropertyEntry& entry : entries) {
        std::string text = entry.value;
        if (entry.nmsSize != 0 && !communicationError) {
            std::string bytes;
            if (NmsReadString(entry.nmsId, kReceiveBuffer, bytes) == NmsOk) {
                text = EntryText(entry, bytes);
                view_.AddStatusPair("#");
            } else {
                communicationError = true;
            }
        }
        // Every entry is stored again in order, so that the list's write position
        // stays with the entry read.
        figure.SetPropertyEntry(entry.tag, entry.second, text, entry.inUse != 0, true, entry.nmsSize,
                                entry.nmsId);
    }
    Status(" ");
    EndTransfer(communicationError ? "Communication error" : "All done");
    view_.ValuesReceived(figure);
    if (speedResult_ == NmsModeOther || speedResult_ == NmsMode64)
        view_.ShowMessage("NOTE: This modem is not \"Teramondo-7QV\" mode.\rCombatile mode needs to set to "
                          "\"Teramondo-7QV\" mode");
}
