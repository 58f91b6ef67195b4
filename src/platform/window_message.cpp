#include "platform/window_message.h"

#include <QCoreApplication>

namespace {
int typeNumber(int number) {
    return number < QEvent::User ? number + kSystemMessageBase : number;
}
} // namespace

WindowMessage::WindowMessage(int number, WPARAM wParam, LPARAM lParam)
    : QEvent(eventType(number)), number_(number), wParam_(wParam), lParam_(lParam) {}

// A message may be dropped unread (its target was destroyed): whoever deletes
// it takes it over first.
WindowMessage::~WindowMessage() {
    posted_.load(std::memory_order_acquire);
}

QEvent::Type WindowMessage::eventType(int number) {
    return static_cast<QEvent::Type>(typeNumber(number));
}

const WindowMessage* WindowMessage::from(const QEvent* event) {
    if (event == nullptr || event->type() < QEvent::User || event->type() > QEvent::MaxUser)
        return nullptr;
    const auto* message = dynamic_cast<const WindowMessage*>(event);
    if (message != nullptr)
        message->posted_.load(std::memory_order_acquire);
    return message;
}

bool PostMessage(QObject* target, int number, WPARAM wParam, LPARAM lParam) {
    return target != nullptr && PostWindowMessage(target, new WindowMessage(number, wParam, lParam));
}

bool PostWindowMessage(QObject* target, WindowMessage* message) {
    if (target == nullptr) {
        delete message;
        return false;
    }
    message->posted_.store(true, std::memory_order_release);
    QCoreApplication::postEvent(target, message);
    return true;
}
