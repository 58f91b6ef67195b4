#include "firmware/flash_window_host.h"

#include "platform/message_box.h"
#include "platform/window_message.h"

#include <QMetaObject>

namespace {
// The bar lives on the GUI thread; a position for a bar that is gone is dropped.
void setPosition(QProgressBar* bar, uint32_t position) {
    if (bar == nullptr)
        return;
    QMetaObject::invokeMethod(
        bar, [bar, position] { bar->setValue(static_cast<int>(position)); }, Qt::QueuedConnection);
}
} // namespace

FlashWindowHost::FlashWindowHost(QObject* window, QProgressBar* loaderBar, QProgressBar* dataBar,
                                 std::function<bool()> stopRequested, bool quiet)
    : window_(window), loaderBar_(loaderBar), dataBar_(dataBar), stopRequested_(std::move(stopRequested)),
      quiet_(quiet) {}

void FlashWindowHost::LoaderProgress(uint32_t position) {
    setPosition(loaderBar_.data(), position);
}

void FlashWindowHost::DataProgress(uint32_t position) {
    setPosition(dataBar_.data(), position);
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
