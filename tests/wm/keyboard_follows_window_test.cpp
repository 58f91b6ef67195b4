// The keyboard follows the window the user works in: however one of the main
// window's child windows becomes the active one, the control the user works with
// in it has the keys.
#include "app/tpohjafrm.h"
#include "designer/designer_canvas.h"
#include "designer/project_file.h"
#include "designer/tarvotaulu.h"
#include "designer/tpiirtopohja.h"
#include "firmware/tcmultiflashdlg.h"
#include "firmware/tcsingleflashdlg.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "shell/mdi_child.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"
#include "terminal/tportinasetus.h"
#include "terminal/tterminaali.h"
#include "terminal/ttxtestfrm.h"
#include "x_windows.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int kWaitMs = 5000;

QMdiSubWindow* FrameOf(QWidget* window) {
    return window != nullptr ? qobject_cast<QMdiSubWindow*>(window->parentWidget()) : nullptr;
}

QWidget* OpenDesigner(TPohjafrm& main, QAction* command) {
    const QList<QMdiSubWindow*> before = main.mdiArea()->subWindowList();
    command->trigger();
    for (QMdiSubWindow* child : main.mdiArea()->subWindowList())
        if (!before.contains(child))
            return child->widget();
    return nullptr;
}

Tterminaali* OpenTerminal() {
    return Tterminaali::CreateTerminal(nullptr, 0);
}

// One kind of child window: how it opens, the control that is to have the keys in
// it, and whether the layout reopens it after a restart.
struct ChildKind {
    const char* kind;
    std::function<QWidget*(TPohjafrm&)> open;
    std::function<bool(QWidget& window, const QWidget* focused)> worksWith;
    bool reopened;
};

// A form's keys go to its controls; a property table without modems takes them itself.
bool InWindow(QWidget& window, const QWidget* focused) {
    return focused == &window || window.isAncestorOf(focused);
}

bool OnCanvas(QWidget& window, const QWidget* focused) {
    return focused == static_cast<Tpiirtopohja&>(window).Canvas();
}

const std::vector<ChildKind> kKinds = {
    {"terminal", [](TPohjafrm&) -> QWidget* { return OpenTerminal(); },
     [](QWidget& window, const QWidget* focused) {
         return focused == static_cast<Tterminaali&>(window).teksti;
     },
     true},
    {"routing designer", [](TPohjafrm& main) { return OpenDesigner(main, main.Piirtopohja1); }, OnCanvas,
     true},
    {"single-modem designer", [](TPohjafrm& main) { return OpenDesigner(main, main.SingleModemSetup1); },
     OnCanvas, true},
    {"single firmware window",
     [](TPohjafrm& main) -> QWidget* {
         main.Flashyksi1Click();
         return main.CSingleFlashDlg;
     },
     InWindow, true},
    {"multi firmware window",
     [](TPohjafrm& main) -> QWidget* {
         main.Flashmonta2Click();
         return main.CMultiFlashDlg[1];
     },
     InWindow, true},
    {"property table",
     [](TPohjafrm& main) -> QWidget* {
         static_cast<Tpiirtopohja*>(OpenDesigner(main, main.Piirtopohja1))->PropTable1Click();
         return arvotaulu;
     },
     InWindow, false},
    {"radio test",
     [](TPohjafrm&) -> QWidget* {
         OpenTerminal()->RadioTest1Click();
         return txtestfrm;
     },
     InWindow, false},
};

class KeyboardFollowsWindow : public testing::Test {
protected:
    KeyboardFollowsWindow() {
        SetProgramPathForTests(folder.file("quovix"));
        for (const char* type : {"QX-450R.smf", "QX-MP4.smf"})
            std::filesystem::copy_file(std::string(QUOVIX_TEST_DATA) + "/smf/" + type, folder.file(type));
        TIniFile settings(SettingsFileName());
        settings.WriteInteger("Start Position", "WindowState", 0);
        // A routing designer opens the latest project, and asks nothing.
        NetworkDesign empty(false);
        SaveProjectFile(empty, folder.file("empty.spf"), "5.2.1", "TERAMONDO Quovix 5.2.1");
        settings.WriteString("File List", "Latest", folder.file("empty.spf"));
    }
    ~KeyboardFollowsWindow() override { SetProgramPathForTests(""); }

    void Start() {
        main = std::make_unique<TPohjafrm>(std::vector<std::string>{folder.file("quovix")});
        new Tportinasetus(main.get());
        main->CreateLayoutTerminal = [] { return Tterminaali::CreateTerminal(nullptr, 0); };
        main->setGeometry(40, 40, 1200, 900);
        main->show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return XWindows::IsManaged(main.get()); }, kWaitMs));
        ActivateMain();
    }

    // As the user's click on the main window: asked again until the window manager
    // gives it the keyboard.
    void ActivateMain() {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                XWindows::TakeServerTime(main.get());
                XWindows::Activate(main.get());
                return QTest::qWaitFor(
                    [&] {
                        return XWindows::IsActive(main.get()) && QApplication::activeWindow() == main.get();
                    },
                    200);
            },
            kWaitMs));
    }

    QMdiSubWindow* Active() const { return main->mdiArea()->activeSubWindow(); }

    // Keys as the user types them, into the control that has the keyboard: the
    // modifiers go down first and up last, a moment apart, as a hand's do.
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QWidget* focused = QApplication::focusWidget();
        QWidget* target = focused != nullptr ? focused : main.get();
        QTest::keyPress(target, key, modifiers);
        QTest::qWait(50);
        QTest::keyRelease(target, key, modifiers);
        QTest::qWait(50);
    }

    // The window was the active one before the other, which is the active one now:
    // the window the keys and the closing of the other go back to.
    void ActiveAfter(QWidget* window, QWidget* other) {
        main->mdiArea()->setActiveSubWindow(FrameOf(window));
        main->mdiArea()->setActiveSubWindow(FrameOf(other));
    }

    // Switches with the key until the window is the active one.
    void SwitchTo(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers) {
        for (qsizetype i = 0; i < main->mdiArea()->subWindowList().size() && Active() != FrameOf(window); ++i)
            Press(key, modifiers);
    }

    void ExpectKeyboardIn(const ChildKind& kind, QWidget* window, const char* way) {
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return Active() == FrameOf(window) && XWindows::IsActive(main.get()) &&
                       kind.worksWith(*window, QApplication::focusWidget());
            },
            kWaitMs))
            << kind.kind << " after " << way;
    }

    // Whichever child is the active one, its working control has the keys.
    bool ActiveChildHasTheKeys() const {
        auto* owner = Active() != nullptr ? dynamic_cast<WorkingControlOwner*>(Active()->widget()) : nullptr;
        return owner != nullptr && XWindows::IsActive(main.get()) &&
               QApplication::focusWidget() == owner->WorkingControl();
    }

    TempFolder folder;
    MessageBoxRecorder boxes;
    std::unique_ptr<TPohjafrm> main;
};

// Each kind of child window beside a terminal, made the active one by every way
// the user has: Ctrl+Tab, Ctrl+Shift+Tab, the Window menu (terminals), a click on
// its caption, the other window closing, and a restart with the saved layout.
TEST_F(KeyboardFollowsWindow, TheActiveChildsWorkingControlHasTheKeys) {
    for (const ChildKind& kind : kKinds) {
        TIniFile(SettingsFileName()).WriteInteger("Layout", "Layout count", 0);
        ASSERT_NO_FATAL_FAILURE(Start());
        QWidget* window = kind.open(*main);
        ASSERT_NE(window, nullptr) << kind.kind;
        ASSERT_NO_FATAL_FAILURE(ActivateMain());
        QWidget* other = OpenTerminal();
        main->Jrjest1->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return Active() == FrameOf(other); }, kWaitMs)) << kind.kind;

        ActiveAfter(window, other);
        SwitchTo(window, Qt::Key_Tab, Qt::ControlModifier);
        ExpectKeyboardIn(kind, window, "Ctrl+Tab");
        ActiveAfter(window, other);
        SwitchTo(window, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        ExpectKeyboardIn(kind, window, "Ctrl+Shift+Tab");

        main->mdiArea()->setActiveSubWindow(FrameOf(other));
        const int titleBar = FrameOf(window)->style()->pixelMetric(QStyle::PM_TitleBarHeight);
        QTest::mouseClick(FrameOf(window), Qt::LeftButton, Qt::NoModifier, {50, titleBar / 2});
        ExpectKeyboardIn(kind, window, "a click on its caption");

        // Open terminal's settings dialog left by Esc: the new terminal closes and
        // the keys go back to the window the user was in, the one made later.
        ActiveAfter(window, other);
        QTimer::singleShot(0, [] {
            QWidget* dialog = nullptr;
            static_cast<void>(QTest::qWaitFor(
                [&] { return (dialog = QApplication::activeModalWidget()) != nullptr; }, kWaitMs));
            if (dialog != nullptr)
                QTest::keyClick(dialog, Qt::Key_Escape);
        });
        const qsizetype children = main->mdiArea()->subWindowList().size();
        main->Uusi1Click();
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return main->mdiArea()->subWindowList().size() == children; }, kWaitMs));
        ExpectKeyboardIn(kKinds[0], other, "Open terminal's settings dialog left by Esc");

        if (qobject_cast<Tterminaali*>(window) != nullptr) {
            main->mdiArea()->setActiveSubWindow(FrameOf(other));
            // The terminals' entries follow the Window menu's own five items.
            for (QAction* entry : main->Ikkunat1->actions().mid(5))
                if (Active() != FrameOf(window))
                    entry->trigger();
            ExpectKeyboardIn(kind, window, "the Window menu");
        }

        // A terminal closing gives the keys back to the window active before it,
        // though a terminal made between them is open too.
        QWidget* third = OpenTerminal();
        ActiveAfter(third, window);
        main->mdiArea()->setActiveSubWindow(FrameOf(other));
        CloseMdiChild(other);
        ExpectKeyboardIn(kind, window, "the terminal over it closing");
        CloseMdiChild(third);

        main->close();
        main.reset();
        if (!kind.reopened)
            continue;
        ASSERT_NO_FATAL_FAILURE(Start());
        QWidget* reopened = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return Active() && (reopened = Active()->widget()); }, kWaitMs))
            << kind.kind;
        ASSERT_NO_FATAL_FAILURE(ActivateMain());
        ExpectKeyboardIn(kind, reopened, "a restart");

        // The window closing over two terminals gives the keys to the one the user
        // was in last, not the one made first.
        QWidget* first = OpenTerminal();
        QWidget* last = OpenTerminal();
        ActiveAfter(first, last);
        main->mdiArea()->setActiveSubWindow(FrameOf(reopened));
        CloseMdiChild(reopened);
        ExpectKeyboardIn(kKinds[0], last, "its closing over two terminals");
        main->close();
        main.reset();
    }
}

} // namespace
