#pragma once
// What a loader engine asks of the window that runs it. The engine runs on a
// worker thread; a window implements these with posted messages and with a message
// box shown on the GUI thread.

#include <cstdint>
#include <string>

class FlashHost {
public:
    virtual ~FlashHost() = default;

    // Progress of the loader upload and of the records (a progress bar's position).
    virtual void LoaderProgress(uint32_t position) = 0;
    virtual void DataProgress(uint32_t position) = 0;
    // From here on the load can no longer be stopped: the window disables Cancel.
    virtual void CancelLocked() = 0;
    // A Yes/No question with the exclamation icon and No as the default button.
    // The engine asks only while no stop was requested; a host whose window asks to
    // stop while the question is open must answer it No, so that the worker can end.
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
    // A notice: with an empty caption the plain box without a caption of its own,
    // otherwise a box with that caption and the information icon. A host that runs
    // a load unattended (the remote-use load) must not let a notice hold the worker.
    virtual void Inform(const std::string& text, const std::string& caption) = 0;
};
