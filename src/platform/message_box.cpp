#include "platform/message_box.h"

#include "platform/latin1.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <mutex>

namespace {
std::mutex responderMutex;
MessageBoxResponder responder;

MessageBoxResponder currentResponder() {
    std::lock_guard lock(responderMutex);
    return responder;
}

unsigned buttonKind(unsigned flags) {
    return flags & 0xF;
}

QMessageBox::StandardButtons buttonsFor(unsigned flags) {
    switch (buttonKind(flags)) {
    case MB_OKCANCEL:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNOCANCEL:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO:
        return QMessageBox::Yes | QMessageBox::No;
    case MB_RETRYCANCEL:
        return QMessageBox::Retry | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::Icon iconFor(unsigned flags) {
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int answerFor(QMessageBox::StandardButton button, unsigned flags) {
    switch (button) {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Retry:
        return IDRETRY;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        if (buttonKind(flags) == MB_YESNO)
            return IDNO;
        return buttonKind(flags) == MB_OK ? IDOK : IDCANCEL;
    }
}

int showOnGuiThread(const MessageBoxRequest& request) {
    QMessageBox box(iconFor(request.flags), fromLatin1(request.caption), fromLatin1(request.text),
                    buttonsFor(request.flags), QApplication::activeWindow());
    if (request.flags & MB_DEFBUTTON2) {
        const auto buttons = box.buttons();
        if (buttons.size() > 1)
            box.setDefaultButton(qobject_cast<QPushButton*>(buttons.at(1)));
    }
    // Beside a shown stay-on-top window the box stands in front as every modal
    // window of the program does (dialogs_in_front.h); this flag keeps it on top always.
    if (request.flags & MB_TOPMOST)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    return answerFor(static_cast<QMessageBox::StandardButton>(RunModal(box)), request.flags);
}
} // namespace

int MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    const MessageBoxRequest request{text, caption, flags};
    if (const auto answer = currentResponder()) {
        const CountedBox open;
        return answer(request);
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr)
        return answerFor(QMessageBox::NoButton, flags);
    if (QThread::currentThread() == app->thread())
        return showOnGuiThread(request);
    int result = IDCANCEL;
    QMetaObject::invokeMethod(
        app, [&] { result = showOnGuiThread(request); }, Qt::BlockingQueuedConnection);
    return result;
}

void ShowMessage(const std::string& text) {
    MessageBox(text, toLatin1(QCoreApplication::applicationName()), MB_OK);
}

void SetMessageBoxResponder(MessageBoxResponder newResponder) {
    std::lock_guard lock(responderMutex);
    responder = std::move(newResponder);
}
