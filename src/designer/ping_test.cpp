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
                   std::function<void(bool)> enableTestNet, std::function<void()> redraw,
                   const RunTimerFactory& timers)
    : design_(design), run_(run), settings_(settings), enableTestNet_(std::move(enableTestNet)),
      redraw_(std::move(redraw)), PingAlkuTimer1_(timers(kStartDelayMs)), testivastetmr_(timers(kReplyMs)),
      walkOn_(timers(0)) {
    PingAlkuTimer1_->onTimeout = [this] { StartDelayElapsed(); };
    testivastetmr_->onTimeout = [this] { ReplyTimeout(); };
    walkOn_->onTimeout = [this] {
        walkOn_->Stop();
        ContinuePingAll(walkFrom_);
    };
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

// An empty address is no refusal: its ping sends nothing and ends by the reply
// time-out.
std::optional<std::string> PingTest::RefusalOf(const TKuvio& figure) const {
    if (figure.NoTerminalAddress())
        return "Can't ping this modem because No Terminal address available";
    if (PingAddress(figure).empty() || PingCommand(figure, runProject_.length))
        return std::nullopt;
    return "Can't ping this modem because its terminal address is not valid";
}

bool PingTest::CheckAddress(const TKuvio& figure) {
    const std::optional<std::string> refusal = RefusalOf(figure);
    if (refusal)
        ShowMessage(*refusal);
    return !refusal;
}

void PingTest::Ping1Click() {
    TKuvio* figure = design_.active;
    if (!figure)
        return;
    BeginRun();
    if (!CheckAddress(*figure))
        return;
    mode_ = SinglePing;
    run_.KeepStatusWindow(true);
    figure->ClearInfo();
    redraw_();
    pingsLeft_ = pingCount_;
    OpenPingPort(*figure);
}

void PingTest::PingAll1Click() {
    BeginRun();
    mode_ = PingAll;
    run_.KeepStatusWindow(true);
    const auto& figures = design_.Figures();
    ContinuePingAll(figures.empty() ? nullptr : figures.front().get());
}

void PingTest::BeginRun() {
    runSettings_ = settings_;
    runProject_ = design_.properties;
}

void PingTest::Clearrssiinfos1Click() {
    for (const auto& figure : design_.Figures())
        figure->ClearInfo();
    redraw_();
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

// The log names the run's port number, also when the port refused it. A count's
// repeats ping the same figure, whatever the user makes active meanwhile. A port
// that does not open (a pulled cable, a port another program holds) has shown its
// box: the whole run ends there, once, rather than with a box for each modem left.
void PingTest::OpenPingPort(TKuvio& figure) {
    run_.ReportFor(figure);
    const bool opened = run_.Port().Open(runSettings_.PingSettingsText(), runSettings_.portNumber);
    run_.ShowTransferStatus(
        "Opening port COM" + std::to_string(runSettings_.portNumber) + ".. Wait 1 second..", 0);
    pinged_ = &figure;
    leftToDataFlowBy_ = nullptr;
    if (!opened) {
        StopModemPing(true);
        EndPing(kTestFinished);
        return;
    }
    // The buttons stay off between the pings of a count or a walk.
    run_.TakeStatusWindow();
    PingAlkuTimer1_->Start();
}

// A modem whose address cannot be pinged gets its box, and the walk goes on. The
// walk stands in walkFrom_, which a removal under the box moves on; a walk ended
// under the box (the designer closed) goes no further.
void PingTest::ContinuePingAll(const TKuvio* from) {
    walkFrom_ = from;
    walking_ = true;
    while (mode_ == PingAll) {
        TKuvio* figure = FigureAt(walkFrom_);
        if (!figure)
            break;
        if (figure->NoTerminalAddress()) {
            AddLabel(*figure, "#Not ping");
        } else if (CheckAddress(*figure)) {
            walking_ = false;
            design_.active = figure;
            OpenPingPort(*figure);
            return;
        }
        if (walkFrom_ == figure)
            walkFrom_ = FigureAfter(figure);
    }
    walking_ = false;
    if (mode_ != PingAll)
        return;
    EndPing(kTestFinished);
    ShowMessage(kTestFinished);
}

TKuvio* PingTest::FigureAt(const TKuvio* figure) const {
    for (const auto& candidate : design_.Figures())
        if (candidate.get() == figure)
            return candidate.get();
    return nullptr;
}

TKuvio* PingTest::FigureAfter(const TKuvio* figure) const {
    const auto& figures = design_.Figures();
    auto found = std::find_if(figures.begin(), figures.end(),
                              [figure](const auto& candidate) { return candidate.get() == figure; });
    if (found == figures.end() || ++found == figures.end())
        return nullptr;
    return found->get();
}

// The command goes to the pinged figure, whose label takes the answer, even when
// another figure was made active during the start delay. An address made one that
// cannot be pinged meanwhile is refused as at the start: nothing goes out, so no
// answer is waited for.
void PingTest::StartDelayElapsed() {
    PingAlkuTimer1_->Stop();
    if (RefusalOf(*pinged_)) {
        RefuseAfterDelay();
        return;
    }
    run_.ShowTransferStatus(pinged_->GetModemName(), 2);
    const auto command = PingCommand(*pinged_, runProject_.length);
    if (command && run_.SendToModem(*command)) {
        run_.ShowTransferStatus("Send test message", 0);
        run_.senderState = DollarRun::PingSent;
    }
    enableTestNet_(false);
    testivastetmr_->Start();
}

// "Ping All" shows the refusal as its walk does and goes on from the refused
// modem; a single ping ends before its box.
void PingTest::RefuseAfterDelay() {
    StopModemPing(true);
    if (mode_ == PingAll) {
        ContinuePingAll(pinged_);
        return;
    }
    const std::string refusal = *RefusalOf(*pinged_);
    EndPing(DollarRun::kPortClosed);
    ShowMessage(refusal);
}

// Bytes before the command went out answer no ping of this run.
void PingTest::Received(const std::string& bytes) {
    if (run_.senderState != DollarRun::PingSent)
        return;
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
// figure (the status line's own port action is skipped for an NMS modem), and the
// answer goes onto the pinged figure.
void PingTest::PingAnswered(const std::string& info, bool endsSinglePing) {
    StopModemPing(true);
    AddLabel(*pinged_, info);
    pingsLeft_ = endsSinglePing ? 0 : pingsLeft_ - 1;
    // The status window stays the run's until its last line: this one, or the
    // walk's.
    run_.KeepStatusWindow(mode_ == PingAll || pingsLeft_ > 0);
    run_.ShowTransferStatus(DollarRun::kPortClosed, 1);
    GoOn();
}

void PingTest::ReplyTimeout() {
    if (mode_ == PingAll) {
        StopModemPing(true);
        AddLabel(*pinged_, "#Ping error");
        GoOn();
        return;
    }
    // A single ping leaves its port to the data-flow timer, whose box and line end
    // the run later; an NMS modem's status lines never start that timer.
    const bool leftToDataFlow = run_.DataFlowTimer().Active();
    StopModemPing(!leftToDataFlow);
    // The ping ends before its box, so that an answer coming late while the box
    // is open starts no repeat.
    const std::string name = pinged_->GetModemName();
    leftToDataFlowBy_ = leftToDataFlow ? pinged_ : nullptr;
    EndPing(leftToDataFlow ? nullptr : DollarRun::kPortClosed);
    ShowMessage(name + "\n\rPING test does not respond");
}

// The status window names no modem that is gone. "Ping All" goes on once the
// removal is over, from the modem after the one removed; when every modem goes,
// none is left and the walk ends.
void PingTest::FigureRemoved(const TKuvio* figure) {
    if (!WaitsForText()) {
        if (!figure || figure == leftToDataFlowBy_)
            EndPortLeftToDataFlow();
        return;
    }
    if (walkOn_->Active() || walking_) {
        if (!figure || figure == walkFrom_)
            walkFrom_ = figure ? FigureAfter(figure) : nullptr;
        return;
    }
    if (figure && figure != pinged_)
        return;
    run_.NameNoModemInStatus();
    StopModemPing(true);
    if (mode_ != PingAll) {
        EndPing(DollarRun::kPortClosed);
        return;
    }
    walkFrom_ = figure ? FigureAfter(figure) : nullptr;
    pinged_ = nullptr;
    walkOn_->Start();
}

// The serial layer may have closed a port whose device went: the data-flow timer
// the ping left running ends with it all the same.
void PingTest::EndPortLeftToDataFlow() {
    leftToDataFlowBy_ = nullptr;
    const bool leftOver = run_.Port().IsOpen() || run_.DataFlowTimer().Active();
    if (!leftOver || run_.Going())
        return;
    run_.NameNoModemInStatus();
    run_.Cancel();
}

void PingTest::AddLabel(TKuvio& figure, const std::string& text) {
    figure.AddInfoLine(text);
    redraw_();
}

void PingTest::StopModemPing(bool closePort) {
    PingAlkuTimer1_->Stop();
    testivastetmr_->Stop();
    enableTestNet_(true);
    if (closePort)
        run_.EndRun();
}

void PingTest::GoOn() {
    if (mode_ == PingAll)
        ContinuePingAll(FigureAfter(pinged_));
    else if (pingsLeft_ > 0)
        OpenPingPort(*pinged_);
    else
        EndPing(nullptr);
}

void PingTest::EndPing(const char* lastLine) {
    walkOn_->Stop();
    run_.KeepStatusWindow(false);
    mode_ = NoPing;
    pinged_ = nullptr;
    walkFrom_ = nullptr;
    if (lastLine)
        run_.ShowTransferStatus(lastLine, 1);
}

void PingTest::Cancel() {
    if (!WaitsForText())
        return;
    StopModemPing(true);
    EndPing(DollarRun::kPortClosed);
}
