#pragma once
// What a running engine asks of its firmware window, done from the worker thread:
// progress goes to the window's two bars and the lock of Cancel to the window as
// posted messages; questions and notices are message boxes on the GUI thread.

#include "firmware/flashhost.h"

#include <QPointer>
#include <QProgressBar>
#include <functional>
#include <memory>

class FlashWindowHost : public FlashHost {
public:
    // stopRequested tells whether the window has asked the run to stop: a question
    // then answers No at once. A quiet host (an unattended load) shows no notices.
    FlashWindowHost(QObject* window, QProgressBar* loaderBar, QProgressBar* dataBar,
                    std::function<bool()> stopRequested, bool quiet);
    ~FlashWindowHost() override;

    void LoaderProgress(uint32_t position) override;
    void DataProgress(uint32_t position) override;
    void CancelLocked() override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void Inform(const std::string& text, const std::string& caption) override;

private:
    class ProgressRelay;

    QPointer<QObject> window_;
    std::unique_ptr<ProgressRelay> loaderRelay_;
    std::unique_ptr<ProgressRelay> dataRelay_;
    std::function<bool()> stopRequested_;
    bool quiet_;
};
