#include "platform/modal_box.h"

#include <QCoreApplication>
#include <QDialog>
#include <QThread>
#include <map>

namespace {
// Boxes open on the GUI thread, and who is told when the first opens and the last closes.
int openBoxes = 0;
std::map<const void*, MessageBoxWatcher> watchers;

void TellWatchers(bool open) {
    const auto told = watchers;
    for (const auto& [owner, watcher] : told)
        if (watchers.count(owner))
            watcher(open);
}

bool OnGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}
} // namespace

CountedBox::CountedBox() : counted_(OnGuiThread()) {
    if (counted_ && openBoxes++ == 0)
        TellWatchers(true);
}

CountedBox::~CountedBox() {
    if (counted_ && --openBoxes == 0)
        TellWatchers(false);
}

int RunModal(QDialog& dialog) {
    const CountedBox open;
    return dialog.exec();
}

bool MessageBoxOpen() {
    return openBoxes > 0;
}

void WatchMessageBoxes(const void* owner, MessageBoxWatcher watcher) {
    watchers[owner] = std::move(watcher);
}

void StopWatchingMessageBoxes(const void* owner) {
    watchers.erase(owner);
}
