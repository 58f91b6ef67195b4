#include "platform/window_message.h"

#include <QCoreApplication>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace {
int typeNumber(int number) {
    return number < QEvent::User ? number + kSystemMessageBase : number;
}

// Each message is handed over from the thread that posts it to the one that
// receives it on an edge of its own, its address: what the poster wrote before
// posting, the message included, is seen by the receiver. Qt's queue orders the
// two already, but under its own locks, which the thread sanitizer does not see;
// this edge it sees, and for this message alone.
#if defined(__SANITIZE_THREAD__)
void ReleaseMessage(const QEvent* message) {
    __tsan_release(const_cast<QEvent*>(message));
}
void AcquireMessage(const QEvent* message) {
    __tsan_acquire(const_cast<QEvent*>(message));
}
#else
void ReleaseMessage(const QEvent*) {}
void AcquireMessage(const QEvent*) {}
#endif
} // namespace

WindowMessage::WindowMessage(int number, WPARAM wParam, LPARAM lParam)
    : QEvent(eventType(number)), number_(number), wParam_(wParam), lParam_(lParam) {}

// A message may be dropped unread (its target was destroyed): whoever deletes
// it takes it over first.
WindowMessage::~WindowMessage() {
    AcquireMessage(this);
}

QEvent::Type WindowMessage::eventType(int number) {
    return static_cast<QEvent::Type>(typeNumber(number));
}

const WindowMessage* WindowMessage::from(const QEvent* event) {
    AcquireMessage(event);
    if (event == nullptr || event->type() < QEvent::User || event->type() > QEvent::MaxUser)
        return nullptr;
    return dynamic_cast<const WindowMessage*>(event);
}

bool PostMessage(QObject* target, int number, WPARAM wParam, LPARAM lParam) {
    return target != nullptr && PostWindowMessage(target, new WindowMessage(number, wParam, lParam));
}

bool PostWindowMessage(QObject* target, WindowMessage* message) {
    if (target == nullptr) {
        delete message;
        return false;
    }
    ReleaseMessage(message);
    QCoreApplication::postEvent(target, message);
    return true;
}
