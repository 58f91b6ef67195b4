#include "platform/window_message.h"

#include <QCoreApplication>
#include <atomic>

namespace {
int typeNumber(int number) {
    return number < QEvent::User ? number + kSystemMessageBase : number;
}

// Publishes the messages from the posting thread to the receiving one: a message
// is whole before the count goes up (release), and a receiver reads the count
// (acquire) before it reads any message. Qt's event queue orders the two already,
// but under its own locks, which the thread sanitizer does not see; this edge it
// does.
std::atomic<unsigned> postedMessages{0};
} // namespace

WindowMessage::WindowMessage(int number, WPARAM wParam, LPARAM lParam)
    : QEvent(eventType(number)), number_(number), wParam_(wParam), lParam_(lParam) {}

QEvent::Type WindowMessage::eventType(int number) {
    return static_cast<QEvent::Type>(typeNumber(number));
}

const WindowMessage* WindowMessage::from(const QEvent* event) {
    postedMessages.load(std::memory_order_acquire);
    if (event == nullptr || event->type() < QEvent::User || event->type() > QEvent::MaxUser)
        return nullptr;
    return dynamic_cast<const WindowMessage*>(event);
}

bool PostMessage(QObject* target, int number, WPARAM wParam, LPARAM lParam) {
    if (target == nullptr)
        return false;
    auto* message = new WindowMessage(number, wParam, lParam);
    postedMessages.fetch_add(1, std::memory_order_release);
    QCoreApplication::postEvent(target, message);
    return true;
}
