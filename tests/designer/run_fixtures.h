#pragma once
// Stand-ins for the programming runs' surroundings: timers that fire when the
// test says, a status window that records its lines, and a designer host that
// records what the run asked of the windows.

#include "designer/dollar_run.h"
#include "designer/network_design.h"
#include "designer/transfer_status.h"

#include <memory>
#include <string>
#include <vector>

class ManualTimer : public RunTimer {
public:
    // Fires as the real timer would after its interval: only while its clock runs
    // (not while a box holds it).
    bool Fire() {
        if (!ticking_)
            return false;
        onTimeout();
        return true;
    }

protected:
    void StartClock() override { ticking_ = true; }
    void StopClock() override { ticking_ = false; }

private:
    bool ticking_ = false;
};

inline std::unique_ptr<RunTimer> MakeManualTimer(int) {
    return std::make_unique<ManualTimer>();
}

inline bool Fire(RunTimer& timer) {
    return static_cast<ManualTimer&>(timer).Fire();
}

// Adds a modem of the simulated modem's type ("RADIO-X", version 3) with a few
// values, one of the factory block; no address makes it a repeater. The first
// modem added becomes the master; the newest is the active one.
inline TKuvio& AddSimulatedModem(NetworkDesign& design, const std::string& address, TKuvio* parent) {
    TKuvio& figure = design.Append(std::make_unique<TKuvio>(0, 0));
    figure.identifier = static_cast<uint16_t>(design.Figures().size());
    figure.parent = parent;
    figure.SetModemName("modem " + std::to_string(figure.identifier));
    figure.modemNameFromType = "radio-x";
    figure.versionFromType = 3;
    figure.settingsFromType = "9600,8,N,1";
    if (address.empty())
        figure.SetNoTerminalAddress(true);
    else
        figure.SetTerminalAddress(address);
    figure.SetPropertyEntry('B', '0', "5", true, true, 0, 0);
    figure.SetPropertyEntry('W', '0', "1200", true, true, 0, 0);
    figure.SetPropertyEntry('S', '5', "north", true, true, 0, 0);
    figure.SetPropertyEntry('B', '9', "7", true, true, 0, 0);
    if (!design.master) {
        figure.SetMasterLook();
        design.master = &figure;
    }
    design.routesDirty = true;
    design.active = &figure;
    return figure;
}

class RecordingStatus : public TransferStatusWindow {
public:
    // The button timer enables the buttons when it fires, as the window's does a
    // second after it started.
    RecordingStatus() {
        buttonTimer.onTimeout = [this] {
            buttonTimer.Stop();
            buttonsEnabled = true;
        };
    }
    bool IsShown() const override { return shown; }
    void ShowCentredEmpty() override {
        shown = true;
        lines.clear();
    }
    void AddStatusLine(const std::string& text) override { lines.push_back(text); }
    void AddStatusPair(const std::string& text) override { lines.back() += text; }
    void AddStatusData(const std::string& bytes, uint32_t colour) override {
        (colour == kSentColour ? sent : received).push_back(bytes);
    }
    void SetCaption(const std::string& text) override { caption = text; }
    void EnableStatusButtons(bool enabled) override {
        buttonsEnabled = enabled;
        if (!enabled)
            buttonTimer.Stop();
    }
    void StartButtonTimer() override { buttonTimer.Start(); }
    void RepaintNow() override {}

    bool shown = false;
    std::vector<std::string> lines;
    std::vector<std::string> sent;
    std::vector<std::string> received;
    std::string caption;
    bool buttonsEnabled = true;
    ManualTimer buttonTimer;
};

class RecordingHost : public DollarRunHost {
public:
    explicit RecordingHost(NetworkDesign& design) : design_(design) {}
    bool FactoryLevelChosen() const override { return level9; }
    bool MobileRoutesShown() const override { return mobileRoutes; }
    void GenerateRoutes() override {
        if (generateRoutes)
            generateRoutes();
    }
    void ShowRejectedParameters(TKuvio&, const std::vector<DollarItem>& items) override { rejected = items; }
    void ShowRejectedFactoryParameters(TKuvio&, const std::vector<DollarItem>& items) override {
        rejectedFactory = items;
    }
    void HidePropertiesWindow() override { propertiesShown = nullptr; }
    void ShowModemProperties(TKuvio& figure) override { propertiesShown = &figure; }
    void EnablePropertiesCancel() override { cancelEnabled = true; }
    void DesignChanged(bool modified) override {
        if (modified)
            design_.modified = true;
        ++redraws;
    }

    bool level9 = false;
    bool mobileRoutes = false;
    std::function<void()> generateRoutes;
    std::vector<DollarItem> rejected;
    std::vector<DollarItem> rejectedFactory;
    TKuvio* propertiesShown = nullptr;
    bool cancelEnabled = false;
    int redraws = 0;

private:
    NetworkDesign& design_;
};
