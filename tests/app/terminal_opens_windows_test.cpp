// A terminal's "Radio test" and "MultiFlash" items in factory mode: each opens its
// window centred in the main window, or brings the open one forward, restored
// from minimised; the radio test's Cancel closes it whole.
#include "main_window_fixture.h"

#include "firmware/tcmultiflashdlg.h"
#include "shell/window_placement.h"
#include "terminal/tterminaali.h"
#include "terminal/ttxtestfrm.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>

namespace {

class TerminalOpensWindowsTest : public MainWindowTest {
protected:
    TerminalOpensWindowsTest() {
        main = open();
        main->factory_mode = true;
        main->resize(1000, 900);
        terminal = Tterminaali::CreateTerminal(nullptr, 0);
        QCoreApplication::processEvents();
    }

    static QMdiSubWindow* FrameOf(QWidget* window) {
        return qobject_cast<QMdiSubWindow*>(window->parentWidget());
    }

    // Centred by the main window's size, its frame included.
    QPoint Centred(const QWidget* frame) const {
        const QSize outer = main->frameGeometry().size();
        const WindowPoint at =
            CentredInMainWindow(outer.width(), outer.height(), frame->width(), frame->height());
        return {at.left, at.top};
    }

    // Minimises the window's frame and makes the terminal the active window.
    void MinimiseBehindTheTerminal(QWidget* window) {
        FrameOf(window)->showMinimized();
        main->mdiArea()->setActiveSubWindow(FrameOf(terminal));
        QCoreApplication::processEvents();
        ASSERT_TRUE(FrameOf(window)->isMinimized());
    }

    void ExpectInFront(QWidget* window) {
        QMdiSubWindow* frame = FrameOf(window);
        EXPECT_FALSE(frame->isMinimized());
        EXPECT_EQ(main->mdiArea()->activeSubWindow(), frame);
    }

    std::unique_ptr<TPohjafrm> main;
    Tterminaali* terminal = nullptr;
};

TEST_F(TerminalOpensWindowsTest, RadioTestOpensCentredComesForwardAndCancelClosesItWhole) {
    terminal->RadioTest1->trigger();
    ASSERT_NE(txtestfrm, nullptr);
    Ttxtestfrm* first = txtestfrm;
    ASSERT_NE(FrameOf(first), nullptr);
    EXPECT_EQ(FrameOf(first)->pos(), Centred(FrameOf(first)));

    MinimiseBehindTheTerminal(first);
    terminal->RadioTest1->trigger();
    EXPECT_EQ(txtestfrm, first);
    ExpectInFront(first);

    // Each open and Cancel leaves nothing behind for the layout to count.
    for (int round = 0; round < 2; ++round) {
        if (txtestfrm == nullptr)
            terminal->RadioTest1->trigger();
        ASSERT_NE(txtestfrm, nullptr);
        txtestfrm->Cancel->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(txtestfrm, nullptr);
        ASSERT_EQ(main->mdiArea()->subWindowList().size(), 1);
        EXPECT_EQ(main->mdiArea()->subWindowList().front(), FrameOf(terminal));
    }
}

TEST_F(TerminalOpensWindowsTest, MultiFlashOpensCentredAndComesForwardRestored) {
    terminal->MultiFlash1->trigger();
    TCMultiFlashDlg* multi = main->CMultiFlashDlg[0];
    ASSERT_NE(multi, nullptr);
    EXPECT_EQ(FrameOf(multi)->pos(), Centred(FrameOf(multi)));

    MinimiseBehindTheTerminal(multi);
    terminal->MultiFlash1->trigger();
    EXPECT_EQ(main->CMultiFlashDlg[0], multi);
    ExpectInFront(multi);
}

} // namespace
