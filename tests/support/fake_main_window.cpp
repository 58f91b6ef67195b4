#include "support/fake_main_window.h"

#include <QMdiArea>
#include <QPrinter>
#include <algorithm>

FakeMainWindow::FakeMainWindow() : mdiArea_(new QMdiArea(this)) {
    setCentralWidget(mdiArea_);
    Pohjafrm = this;
}

FakeMainWindow::~FakeMainWindow() {
    if (Pohjafrm == this)
        Pohjafrm = nullptr;
    delete printer_;
}

void FakeMainWindow::AddWindowMenuEntry(TerminalWindowLink*, const std::string& caption) {
    windowMenu.push_back(caption);
}

void FakeMainWindow::RemoveWindowMenuEntry(TerminalWindowLink*, const std::string& caption) {
    const auto entry = std::find(windowMenu.begin(), windowMenu.end(), caption);
    if (entry != windowMenu.end())
        windowMenu.erase(entry);
}

void FakeMainWindow::RenameWindowMenuEntry(const std::string& oldCaption, const std::string& newCaption) {
    std::replace(windowMenu.begin(), windowMenu.end(), oldCaption, newCaption);
}

QPrinter* FakeMainWindow::Printer() {
    if (printer_ == nullptr)
        printer_ = new QPrinter();
    return printer_;
}
