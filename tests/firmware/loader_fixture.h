#pragma once
// Runs a loader engine against a simulated modem on a virtual port in virtual time:
// the engine waits on a SimClock, and each of its waits gives the modem its turn.

#include "sim/firmware/recording_flash_host.h"
#include "sim/firmware/simulatedloadermodem.h"
#include "sim/sim_clock.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <memory>

class LoaderFixture : public testing::Test {
protected:
    static constexpr int kCom = 21;

    LoaderFixture() {
        clock.OnSleep([this] {
            if (modem_)
                modem_->Pump();
        });
    }

    SimulatedLoaderModem& modem(SimulatedLoaderModem::Model model) {
        modem_.reset();
        modem_ = std::make_unique<SimulatedLoaderModem>(kCom, std::move(model));
        return *modem_;
    }

    TempFolder folder;
    MessageBoxRecorder boxes;
    SimClock clock;
    RecordingHost host;
    std::unique_ptr<SimulatedLoaderModem> modem_;
};
