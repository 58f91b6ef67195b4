#include "designer/ping_test.h"

#include "base/text_lines.h"
#include "designer/designer_port_settings.h"
#include "designer/dollar_run.h"
#include "designer/modem_port.h"
#include "designer/network_design.h"
#include "platform/message_box.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace {

constexpr const char* kPingPrefix = "SL+P=";
constexpr const char* kTestFinished = "Ping test finnished";

// The address text a figure is pinged by: its terminal address, or the first of a
// multiport modem's, trimmed.
std::string PingAddress(const TKuvio& figure) {
    return Trimmed(figure.Multiport() ? figure.GetTerminalAddressAt(0) : figure.GetTerminalAddress());
}

std::optional<uint64_t> HexValue(const std::string& text) {
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 16);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

} // namespace

PingTest::PingTest(NetworkDesign& design, DollarRun& run, const DesignerPortSettings& settings,
                   std::function<void(bool)> enableTestNet, const RunTimerFactory& timers)
    : design_(design), run_(run), settings_(settings), enableTestNet_(std::move(enableTestNet)),
      PingAlkuTimer1_(timers(kStartDelayMs)), testivastetmr_(timers(kReplyMs)) {
    PingAlkuTimer1_->onTimeout = [this] { StartDelayElapsed(); };
    testivastetmr_->onTimeout = [this] { ReplyTimeout(); };
    design_.ListenForRemovals(this, [this](const TKuvio* figure) { FigureRemoved(figure); });
}

PingTest::~PingTest() {
    design_.StopListening(this);
}

std::optional<std::string> PingTest::PingCommand(const TKuvio& figure, int addressLength) {
    if (figure.NoTerminalAddress())
        return std::nullopt;
    const auto value = HexValue(PingAddress(figure));
    const int digits = 2 * addressLength;
    if (!value || digits < 2 || digits > 16 || (digits < 16 && *value >> (4 * digits) != 0))
        return std::nullopt;
    std::string hex;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        hex += "0123456789ABCDEF"[(*value >> shift) & 0xF];
    return kPingPrefix + hex;
}

bool PingTest::CheckAddress(const TKuvio& figure) {
    if (PingAddress(figure).empty() || PingCommand(figure, design_.properties.length))
        return true;
    ShowMessage("Can't ping this modem because its terminal address is not valid");
    Cancel();
    return false;
}

void PingTest::Ping1Click() {
    TKuvio* figure = design_.active;
    if (!figure)
        return;
    if (figure->NoTerminalAddress()) {
        ShowMessage("Can't ping this modem because No Terminal address available");
        return;
    }
    if (!CheckAddress(*figure))
        return;
    mode_ = SinglePing;
    figure->ClearInfo();
    pingsLeft_ = pingCount_;
    OpenPingPort(*figure);
}

void PingTest::PingAll1Click() {
    mode_ = PingAll;
    ContinuePingAll(true);
}

void PingTest::Clearrssiinfos1Click() {
    for (const auto& figure : design_.Figures())
        figure->ClearInfo();
}

void PingTest::SetPingCount(const std::string& text) {
    int count = -1;
    const std::string trimmed = Trimmed(text);
    const auto [stop, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), count);
    if (error != std::errc() || stop != trimmed.data() + trimmed.size())
        count = -1;
    if (count == -1) {
        ShowMessage("Invalid ping count " + text);
        count = 1;
    }
    pingCount_ = count;
}

std::string PingTest::PingCaption() const {
    return "Ping Selected (" + std::to_string(pingCount_) + ")";
}

bool PingTest::PingsAvailable() const {
    return design_.active && !design_.properties.IsVirtualRouting();
}

// The log names the chosen port number, also when the port refused it. A count's
// repeats ping the same figure, whatever the user makes active meanwhile.
void PingTest::OpenPingPort(TKuvio& figure) {
    run_.Port().Open(settings_.PingSettingsText(), settings_.portNumber);
    run_.ShowTransferStatus("Opening port COM" + std::to_string(settings_.portNumber) + ".. Wait 1 second..",
                            0);
    PingAlkuTimer1_->Start();
    pinged_ = &figure;
}

void PingTest::ContinuePingAll(bool restart) {
    const auto& figures = design_.Figures();
    auto next = figures.begin();
    if (!restart && cursor_) {
        next = std::find_if(figures.begin(), figures.end(),
                            [this](const auto& figure) { return figure.get() == cursor_; });
        if (next != figures.end())
            ++next;
    }
    cursor_ = nullptr;
    for (; next != figures.end(); ++next) {
        TKuvio& figure = **next;
        if (figure.NoTerminalAddress()) {
            figure.AddInfoLine("#Not ping");
            continue;
        }
        if (!CheckAddress(figure))
            return;
        cursor_ = &figure;
        design_.active = &figure;
        OpenPingPort(figure);
        return;
    }
    run_.ShowTransferStatus(kTestFinished, 1);
    mode_ = NoPing;
    ShowMessage(kTestFinished);
}

// The command goes to the pinged figure, whose label takes the answer, even when
// another figure was made active during the start delay.
void PingTest::StartDelayElapsed() {
    PingAlkuTimer1_->Stop();
    run_.ShowTransferStatus(pinged_->GetModemName(), 2);
    if (const auto command = PingCommand(*pinged_, design_.properties.length)) {
        run_.SendToModem(*command);
        run_.ShowTransferStatus("Send test message", 0);
        run_.senderState = DollarRun::PingSent;
    }
    enableTestNet_(false);
    testivastetmr_->Start();
}

void PingTest::Received(const std::string& bytes) {
    std::string& buffer = run_.Receiver().Buffer();
    if (!run_.Receiver().Append(bytes.data(), bytes.size()))
        return;
    if (buffer.find("OK") != std::string::npos) {
        buffer.erase(0, 2);
        run_.ShowTransferStatus("SL command resp OK", 4);
        if (pinged_ == design_.master) {
            PingAnswered("Master OK", true);
            return;
        }
    }
    if (buffer.find("dBm") != std::string::npos) {
        const size_t rssi = buffer.find("rssi");
        PingAnswered(buffer.substr(rssi == std::string::npos ? 0 : rssi), false);
    }
}

// The master answered: the port closes and the buffer is emptied whatever the
// figure (the status line's own port action is skipped for an NMS modem), the
// answer goes onto the pinged figure, and the walk goes on, or the single ping is
// repeated while pings are left.
void PingTest::PingAnswered(const std::string& info, bool endsSinglePing) {
    enableTestNet_(true);
    testivastetmr_->Stop();
    run_.EndRun();
    pinged_->AddInfoLine(info);
    run_.ShowTransferStatus("Serial port closed", 1);
    if (mode_ == PingAll) {
        ContinuePingAll(false);
    } else if (!endsSinglePing && --pingsLeft_ > 0) {
        OpenPingPort(*pinged_);
    } else {
        mode_ = NoPing;
    }
}

void PingTest::ReplyTimeout() {
    testivastetmr_->Stop();
    enableTestNet_(true);
    if (mode_ == PingAll) {
        pinged_->AddInfoLine("#Ping error");
        run_.EndRun();
        ContinuePingAll(false);
        return;
    }
    // The ping ends before its box, so that an answer coming late while the box
    // is open starts no repeat.
    const std::string name = pinged_->GetModemName();
    pinged_ = nullptr;
    mode_ = NoPing;
    // The data-flow timer closes the port later; for an NMS modem the status
    // lines never started it, and the port would stay open for good.
    if (!run_.DataFlowTimer().Active())
        run_.EndRun();
    ShowMessage(name + "\n\rPING test does not respond");
}

void PingTest::FigureRemoved(const TKuvio* figure) {
    if (figure && figure != pinged_ && figure != cursor_)
        return;
    if (WaitsForText())
        Cancel();
    pinged_ = nullptr;
    cursor_ = nullptr;
}

void PingTest::Cancel() {
    PingAlkuTimer1_->Stop();
    testivastetmr_->Stop();
    mode_ = NoPing;
    pinged_ = nullptr;
    enableTestNet_(true);
    run_.EndRun();
}
