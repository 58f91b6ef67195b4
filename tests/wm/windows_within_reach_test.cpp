// Every window the program opens lies within the user's reach, however the other
// windows stand: a child window inside the main window's client area, any other
// window on the screen.
#include "app/taboutfrm.h"
#include "app/tpohjafrm.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "platform/virtual_port.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"
#include "terminal/tportinasetus.h"
#include "terminal/tterminaali.h"
#include "x_windows.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int kWaitMs = 5000;

// How the terminals already open stand in the main window's client area.
struct Layout {
    const char* name;
    std::vector<QRect> terminals;
};

// On the 1280 x 1024 screen the main window's client area is about 1270 x 850.
const std::vector<Layout> kLayouts = {
    {"two terminals side by side at the top", {{0, 0, 635, 500}, {635, 0, 635, 500}}},
    {"three terminals filling the area", {{0, 0, 430, 900}, {430, 0, 430, 900}, {860, 0, 430, 900}}},
    {"a terminal in the bottom-right corner", {{1100, 700, 500, 400}}},
    // The settings dialog beside it fits only without its port list.
    {"a terminal right of the middle", {{540, 0, 600, 400}}},
};

// Enough ports for the settings dialog's port list to widen it.
constexpr int kPortCount = 20;

// Opens a window beside the terminals (the last one opened is the active one) and
// gives the window that is to stand within reach.
struct OpenedWindow {
    const char* kind;
    std::function<QWidget*(TPohjafrm&, Tterminaali&)> open;
};

QWidget* NewChild(TPohjafrm& main, const std::function<void()>& open) {
    const QList<QMdiSubWindow*> before = main.mdiArea()->subWindowList();
    open();
    for (QMdiSubWindow* child : main.mdiArea()->subWindowList())
        if (!before.contains(child))
            return child;
    return nullptr;
}

const std::vector<OpenedWindow> kWindows = {
    {"single-modem designer",
     [](TPohjafrm& main, Tterminaali&) {
         return NewChild(main, [&] { main.SingleModemSetup1->trigger(); });
     }},
    {"terminal",
     [](TPohjafrm& main, Tterminaali&) {
         return NewChild(main, [] { Tterminaali::CreateTerminal(nullptr, 0); });
     }},
    {"radio test", [](TPohjafrm& main,
                      Tterminaali& terminal) { return NewChild(main, [&] { terminal.RadioTest1Click(); }); }},
    {"single firmware window",
     [](TPohjafrm& main, Tterminaali&) { return NewChild(main, [&] { main.Flashyksi1Click(); }); }},
    {"multiple firmware window",
     [](TPohjafrm& main, Tterminaali&) { return NewChild(main, [&] { main.Flashmonta1Click(); }); }},
    {"transmit window",
     [](TPohjafrm&, Tterminaali& terminal) -> QWidget* {
         terminal.Lhetys1->trigger();
         return qobject_cast<QWidget*>(terminal.transmitWindow.data());
     }},
};

// Along one axis: within the area, or, for a window that needs more than the
// area, from the area's start, so that its title bar is in reach and the area
// scrolls to the rest. A window is cut to the area only where that leaves it
// what its layout needs.
bool InAreaAlong(int start, int length, int needed, int areaLength) {
    const bool cutBelowNeed = length == areaLength && length < needed;
    const bool inside = start >= 0 && start + length <= areaLength;
    const bool fromStart = start == 0 && length > areaLength;
    return !cutBelowNeed && (inside || fromStart);
}

bool WithinReach(QWidget* window) {
    if (auto* child = qobject_cast<QMdiSubWindow*>(window)) {
        const QSize area = child->mdiArea()->viewport()->size();
        const QRect place = child->geometry();
        const QSize needed = child->minimumSizeHint();
        return InAreaAlong(place.left(), place.width(), needed.width(), area.width()) &&
               InAreaAlong(place.top(), place.height(), needed.height(), area.height());
    }
    return XWindows::IsManaged(window) &&
           window->screen()->availableGeometry().contains(
               window->geometry().marginsAdded(XWindows::FrameExtents(window)));
}

class WindowsWithinReach : public testing::Test {
protected:
    WindowsWithinReach() {
        SetProgramPathForTests(folder.file("quovix"));
        TIniFile(SettingsFileName()).WriteInteger("Start Position", "WindowState", 0);
    }
    ~WindowsWithinReach() override { SetProgramPathForTests(""); }

    TempFolder folder;
    MessageBoxRecorder boxes;
    std::vector<std::unique_ptr<VirtualPort>> ports = [] {
        std::vector<std::unique_ptr<VirtualPort>> made;
        for (int com = 1; com <= kPortCount; ++com)
            made.push_back(std::make_unique<VirtualPort>(com));
        return made;
    }();
};

TEST_F(WindowsWithinReach, EveryWindowOpensWithinReach) {
    for (const Layout& layout : kLayouts) {
        TPohjafrm main(std::vector<std::string>{folder.file("quovix")});
        new Tportinasetus(&main);
        new Taboutfrm(&main);
        // On a small screen the main window fills it.
        const QRect screen = main.screen()->availableGeometry();
        main.setGeometry(0, 30, std::min(1270, screen.width()), std::min(960, screen.height() - 60));
        main.show();
        // The program's windows open once the main window stands framed.
        ASSERT_TRUE(QTest::qWaitFor([&] { return main.frameGeometry() != main.geometry(); }, kWaitMs));
        Tterminaali* last = nullptr;
        for (const QRect& place : layout.terminals) {
            last = Tterminaali::CreateTerminal(nullptr, 0);
            qobject_cast<QMdiSubWindow*>(last->parentWidget())->setGeometry(place);
        }
        for (const OpenedWindow& window : kWindows) {
            QWidget* opened = window.open(main, *last);
            ASSERT_NE(opened, nullptr) << window.kind;
            EXPECT_TRUE(QTest::qWaitFor([&] { return WithinReach(opened); }, kWaitMs))
                << window.kind << " beside " << layout.name;
            opened->close();
        }
        const std::vector<std::pair<const char*, std::function<void()>>> modals = {
            {"About box", [&] { main.Tietoja1Click(); }},
            {"Serial port setup at its first show, of Settings", [&] { last->Asetukset1Click(false); }},
            {"Serial port setup of Open terminal", [&] { main.Uusi1Click(); }},
        };
        for (const auto& [kind, open] : modals) {
            bool withinReach = false;
            QTimer::singleShot(0, [&] {
                QWidget* dialog = nullptr;
                static_cast<void>(QTest::qWaitFor(
                    [&] { return (dialog = QApplication::activeModalWidget()) != nullptr; }, kWaitMs));
                withinReach =
                    dialog != nullptr && QTest::qWaitFor([&] { return WithinReach(dialog); }, kWaitMs);
                if (dialog != nullptr)
                    dialog->close();
            });
            open();
            EXPECT_TRUE(withinReach) << kind << " beside " << layout.name;
        }
    }
}

} // namespace
