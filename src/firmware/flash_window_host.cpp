#include "firmware/flash_window_host.h"

#include "platform/message_box.h"
#include "platform/window_message.h"

namespace {
// The one message a progress relay receives.
constexpr int kProgressMessage = QEvent::MaxUser;
} // namespace

// Made on the GUI thread beside its bar; the engine's thread posts it positions
// as window messages (the position travels in the message, published to the GUI
// thread by the posting), and only the GUI thread touches the bar. A position
// for a bar that is gone is dropped.
class FlashWindowHost::ProgressRelay : public QObject {
public:
    explicit ProgressRelay(QProgressBar* bar) : bar_(bar) {}
    void Post(uint32_t position) { PostMessage(this, kProgressMessage, position); }

protected:
    bool event(QEvent* event) override {
        const WindowMessage* message = WindowMessage::from(event);
        if (message == nullptr || message->number() != kProgressMessage)
            return QObject::event(event);
        if (bar_ != nullptr)
            bar_->setValue(static_cast<int>(message->wParam()));
        return true;
    }

private:
    QPointer<QProgressBar> bar_;
};

FlashWindowHost::FlashWindowHost(QObject* window, QProgressBar* loaderBar, QProgressBar* dataBar,
                                 std::function<bool()> stopRequested, bool quiet)
    : window_(window), loaderRelay_(std::make_unique<ProgressRelay>(loaderBar)),
      dataRelay_(std::make_unique<ProgressRelay>(dataBar)), stopRequested_(std::move(stopRequested)),
      quiet_(quiet) {}

FlashWindowHost::~FlashWindowHost() = default;

void FlashWindowHost::LoaderProgress(uint32_t position) {
    loaderRelay_->Post(position);
}

void FlashWindowHost::DataProgress(uint32_t position) {
    dataRelay_->Post(position);
}

void FlashWindowHost::CancelLocked() {
    PostMessage(window_.data(), WM_FLASH_LOCK_CANCEL);
}

bool FlashWindowHost::AskYesNo(const std::string& text, const std::string& caption) {
    if (stopRequested_())
        return false;
    return MessageBox(text, caption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void FlashWindowHost::Inform(const std::string& text, const std::string& caption) {
    if (!quiet_)
        MessageBox(text, caption, caption.empty() ? MB_OK : MB_OK | MB_ICONINFORMATION);
}
