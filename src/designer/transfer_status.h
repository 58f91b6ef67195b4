#pragma once
// The status window as the designer's modem programming sees it: progress lines,
// frames as data lines (shown only in factory mode), its caption and buttons.
//
// One window serves every designer, and one process at a time: the run, ping or
// NMS transfer whose port opened takes it, and holds it to its last line. Only
// that process captions the window and holds and gives back its buttons; another
// process meanwhile (one whose port another designer holds, or one on another
// port) only adds its lines, so that its caption and its end do not come into the
// middle of the process the window serves.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class TransferStatusWindow {
public:
    // The window's own caption, which a run replaces by its modem's name.
    static constexpr const char* kCaption = "Serial port communication status";
    // Colours of the frames: sent green, received blue (0x00BBGGRR).
    static constexpr uint32_t kSentColour = 0x008000;
    static constexpr uint32_t kReceivedColour = 0xFF0000;

    virtual ~TransferStatusWindow() = default;
    virtual bool IsShown() const = 0;
    // Centres the hidden window over the main window, empties it and shows it.
    virtual void ShowCentredEmpty() = 0;
    virtual void AddStatusLine(const std::string& text) = 0;
    // Appends the text to the last line.
    virtual void AddStatusPair(const std::string& text) = 0;
    virtual void AddStatusData(const std::string& bytes, uint32_t colour) = 0;
    virtual void SetCaption(const std::string& text) = 0;
    // Disabled, they stay off until the button timer is started again.
    virtual void EnableStatusButtons(bool enabled) = 0;
    // Enables the buttons again a second after a run ends.
    virtual void StartButtonTimer() = 0;
    // Paints the window at once (a run that holds the GUI thread calls it).
    virtual void RepaintNow() = 0;

    // A process is known by its designer's run, through which all of it writes.
    using Process = const void*;
    // The window is free or the process holds it.
    bool Serves(Process process) const { return !holder_ || holder_ == process; }
    // The process whose port opened takes the window, captions it (an empty
    // caption keeps the one shown) and its buttons stay off. While another process
    // holds it, the process waits its turn with its caption: false.
    bool Take(Process process, const std::string& caption = {}) {
        if (!Serves(process)) {
            std::erase_if(waiting_, [&](const auto& entry) { return entry.first == process; });
            waiting_.emplace_back(process, caption);
            return false;
        }
        Serve(process, caption);
        return true;
    }
    // The process's last line: the next process still going takes the window,
    // or, with none, its buttons come back a second later. A process that does
    // not hold it only leaves its place in the queue.
    void GiveBack(Process process) {
        std::erase_if(waiting_, [&](const auto& entry) { return entry.first == process; });
        if (!Serves(process))
            return;
        holder_ = nullptr;
        if (waiting_.empty()) {
            StartButtonTimer();
            return;
        }
        const auto [next, caption] = waiting_.front();
        waiting_.erase(waiting_.begin());
        Serve(next, caption);
    }

private:
    void Serve(Process process, const std::string& caption) {
        holder_ = process;
        EnableStatusButtons(false);
        if (!caption.empty())
            SetCaption(caption);
    }

    Process holder_ = nullptr;
    // Processes going while another holds the window, in the order they came.
    std::vector<std::pair<Process, std::string>> waiting_;
};
