#pragma once
// A stand-in for the firmware window that runs a loader engine: it records what the
// engine reports and answers its questions.

#include "firmware/flashhost.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

class RecordingHost : public FlashHost {
public:
    void LoaderProgress(uint32_t position) override { loaderPosition = position; }
    void DataProgress(uint32_t position) override {
        dataPosition = position;
        if (onDataProgress)
            onDataProgress(position);
    }
    void CancelLocked() override { cancelLocked = true; }
    bool AskYesNo(const std::string& text, const std::string& caption) override {
        questions.push_back(caption + ": " + text);
        return answer;
    }
    void Inform(const std::string& text, const std::string& caption) override {
        informed.push_back(caption.empty() ? text : caption + ": " + text);
    }

    std::atomic<uint32_t> loaderPosition{0};
    std::atomic<uint32_t> dataPosition{0};
    std::atomic<bool> cancelLocked{false};
    std::vector<std::string> questions;
    std::vector<std::string> informed;
    bool answer = false;
    std::function<void(uint32_t)> onDataProgress;
};
