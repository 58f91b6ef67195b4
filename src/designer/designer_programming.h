#pragma once
// What a designer window programs and tests modems with: its own port, route
// generation, the "$" programming run and the ping test, tied together. Received
// bytes go to the ping while it waits for a text reply, else to the run. The
// window supplies what only it knows through the hooks.

#include "designer/designer_port.h"
#include "designer/dollar_run.h"
#include "designer/ping_test.h"
#include "designer/route_generation.h"

#include <functional>
#include <vector>

struct DesignerPortSettings;

class DesignerProgramming : public DollarRunHost {
public:
    struct Hooks {
        std::function<void()> redraw;
        std::function<bool()> factoryLevel;
        std::function<bool()> mobileRoutes;
        std::function<void(bool)> enableTestNet;
        // Values the modem refused; the first index is 1, or 1001 for the factory
        // block.
        std::function<void(TKuvio&, const std::vector<DollarItem>&, int firstIndex)> showRejected;
        std::function<void()> hideProperties;
        std::function<void(TKuvio&)> showProperties;
        std::function<void()> enablePropertiesCancel;
    };

    DesignerProgramming(NetworkDesign& design, TransferStatusWindow& status,
                        const DesignerPortSettings& settings, Hooks hooks,
                        const RunTimerFactory& timers = MakeQtRunTimer);

    // One process holds the port at a time: a "$" run, a ping or "Ping All" from
    // its start to its end (a reply's handling under its box included), or the
    // port left open for the data-flow timer.
    // Meanwhile no other run or ping of the window starts.
    bool PortHeld() const;
    // "Transmit values" and "Receive values" of a figure without NMS support.
    void Transmit(TKuvio& figure);
    void Receive(TKuvio& figure);
    // "Ping selected" (and the pop-up's "Ping modem") and "Ping All".
    void Ping();
    void PingAll();
    // Ends a run or a ping at once (the designer closes).
    void Cancel();

    bool FactoryLevelChosen() const override;
    bool MobileRoutesShown() const override;
    void GenerateRoutes() override;
    void ShowRejectedParameters(TKuvio& figure, const std::vector<DollarItem>& items) override;
    void ShowRejectedFactoryParameters(TKuvio& figure, const std::vector<DollarItem>& items) override;
    void HidePropertiesWindow() override;
    void ShowModemProperties(TKuvio& figure) override;
    void EnablePropertiesCancel() override;
    void DesignChanged(bool modified) override;

    DesignerPort port;
    RouteGenerator routes;
    DollarRun run;
    PingTest ping;

private:
    NetworkDesign& design_;
    const DesignerPortSettings& settings_;
    Hooks hooks_;
};
