#include "designer/designer_programming.h"

#include "designer/designer_port_settings.h"
#include "designer/network_design.h"

namespace {

constexpr int kFirstFactoryIndex = 1001;

template <typename Hook, typename... Args> void Call(const Hook& hook, Args&&... args) {
    if (hook)
        hook(std::forward<Args>(args)...);
}

} // namespace

DesignerProgramming::DesignerProgramming(NetworkDesign& design, TransferStatusWindow& status,
                                         const DesignerPortSettings& settings, Hooks hooks,
                                         const RunTimerFactory& timers)
    : routes(design, [this] { Call(hooks_.redraw); }), run(design, port, status, *this, timers),
      ping(
          design, run, settings, [this](bool enabled) { Call(hooks_.enableTestNet, enabled); },
          [this] { Call(hooks_.redraw); }, timers),
      design_(design), settings_(settings), hooks_(std::move(hooks)) {
    port.onReceived = [this](const std::string& bytes) {
        if (ping.WaitsForText())
            ping.Received(bytes);
        else
            run.Received(bytes);
    };
}

bool DesignerProgramming::PortHeld() const {
    return port.IsOpen() || run.Going() || run.HandlingReply() || ping.WaitsForText();
}

void DesignerProgramming::Transmit(TKuvio& figure) {
    if (PortHeld())
        return;
    run.comNumber = settings_.portNumber;
    run.StartParameterTransmit(figure);
}

void DesignerProgramming::Receive(TKuvio& figure) {
    if (PortHeld())
        return;
    run.comNumber = settings_.portNumber;
    run.StartParameterReceive(figure);
}

void DesignerProgramming::Ping() {
    if (!PortHeld())
        ping.Ping1Click();
}

void DesignerProgramming::PingAll() {
    if (!PortHeld())
        ping.PingAll1Click();
}

void DesignerProgramming::Cancel() {
    ping.Cancel();
    run.Cancel();
}

bool DesignerProgramming::FactoryLevelChosen() const {
    return hooks_.factoryLevel && hooks_.factoryLevel();
}

bool DesignerProgramming::MobileRoutesShown() const {
    return hooks_.mobileRoutes && hooks_.mobileRoutes();
}

void DesignerProgramming::GenerateRoutes() {
    routes.Generate();
}

void DesignerProgramming::ShowRejectedParameters(TKuvio& figure, const std::vector<DollarItem>& items) {
    Call(hooks_.showRejected, figure, items, 1);
}

void DesignerProgramming::ShowRejectedFactoryParameters(TKuvio& figure,
                                                        const std::vector<DollarItem>& items) {
    Call(hooks_.showRejected, figure, items, kFirstFactoryIndex);
}

void DesignerProgramming::HidePropertiesWindow() {
    Call(hooks_.hideProperties);
}

void DesignerProgramming::ShowModemProperties(TKuvio& figure) {
    Call(hooks_.showProperties, figure);
}

void DesignerProgramming::EnablePropertiesCancel() {
    Call(hooks_.enablePropertiesCancel);
}

void DesignerProgramming::DesignChanged(bool modified) {
    if (modified)
        design_.modified = true;
    Call(hooks_.redraw);
}
