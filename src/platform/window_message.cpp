#include "platform/window_message.h"

#include <QCoreApplication>

namespace {
int typeNumber(int number) {
    return number < QEvent::User ? number + kSystemMessageBase : number;
}
} // namespace

WindowMessage::WindowMessage(int number, WPARAM wParam, LPARAM lParam)
    : QEvent(eventType(number)), number_(number), wParam_(wParam), lParam_(lParam) {}

QEvent::Type WindowMessage::eventType(int number) {
    return static_cast<QEvent::Type>(typeNumber(number));
}

const WindowMessage* WindowMessage::from(const QEvent* event) {
    if (event == nullptr || event->type() < QEvent::User || event->type() > QEvent::MaxUser)
        return nullptr;
    return dynamic_cast<const WindowMessage*>(event);
}

bool PostMessage(QObject* target, int number, WPARAM wParam, LPARAM lParam) {
    if (target == nullptr)
        return false;
    QCoreApplication::postEvent(target, new WindowMessage(number, wParam, lParam));
    return true;
}
