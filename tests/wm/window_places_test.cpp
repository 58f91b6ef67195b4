// Every window whose place the settings file keeps, under a window manager: saved
// when the main window closes and restored when the next one starts, each stands
// where it stood, start after start.
#include "app/tpohjafrm.h"
#include "designer/tpiirtopohja.h"
#include "firmware/tcmultiflashdlg.h"
#include "firmware/tcsingleflashdlg.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"
#include "terminal/tportinasetus.h"
#include "terminal/tterminaali.h"
#include "x_windows.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int kWaitMs = 5000;

// Where a window stands as the user sees it: a top-level window's frame as the
// window manager drew it, an MDI child's frame in the main window's MDI area.
QRect Standing(const QWidget& window) {
    return window.isWindow() ? window.geometry().marginsAdded(XWindows::FrameExtents(&window))
                             : window.geometry();
}

std::string Text(const QRect& rect) {
    return QString("%1,%2 %3x%4")
        .arg(rect.x())
        .arg(rect.y())
        .arg(rect.width())
        .arg(rect.height())
        .toStdString();
}

// The main window's child that holds a window of the kind, if one does.
template <class Window>
QMdiSubWindow* Child(
    TPohjafrm& main, const std::function<bool(Window&)>& holds = [](Window&) { return true; }) {
    for (QMdiSubWindow* child : main.mdiArea()->subWindowList())
        if (auto* window = qobject_cast<Window*>(child->widget()); window != nullptr && holds(*window))
            return child;
    return nullptr;
}

Tterminaali* Terminal(TPohjafrm& main) {
    QMdiSubWindow* child = Child<Tterminaali>(main);
    return child != nullptr ? static_cast<Tterminaali*>(child->widget()) : nullptr;
}

// One kind of window: how the first run opens it, how every run finds it, and
// where the user puts it (the top-left corner of its frame and its size inside).
struct PlacedWindow {
    const char* kind;
    std::function<void(TPohjafrm&)> open;
    std::function<QWidget*(TPohjafrm&)> find;
    QRect place;
};

const std::vector<PlacedWindow> kWindows = {
    {"main window", [](TPohjafrm&) {}, [](TPohjafrm& main) { return &main; }, {60, 40, 1100, 900}},
    {"terminal",
     [](TPohjafrm&) { Tterminaali::CreateTerminal(nullptr, 0); },
     [](TPohjafrm& main) { return Child<Tterminaali>(main); },
     {20, 20, 500, 300}},
    {"transmit window",
     [](TPohjafrm& main) { Terminal(main)->Lhetys1->trigger(); },
     [](TPohjafrm& main) -> QWidget* {
         return Terminal(main) ? qobject_cast<QWidget*>(Terminal(main)->transmitWindow.data()) : nullptr;
     },
     {650, 560, 420, 360}},
    {"routing designer",
     [](TPohjafrm& main) { main.Piirtopohja1->trigger(); },
     [](TPohjafrm& main) { return Child<Tpiirtopohja>(main, [](auto& d) { return !d.SingleModem(); }); },
     {300, 200, 520, 420}},
    {"single-modem designer",
     [](TPohjafrm& main) { main.Singlemodem1->trigger(); },
     [](TPohjafrm& main) { return Child<Tpiirtopohja>(main, [](auto& d) { return d.SingleModem(); }); },
     {340, 260, 470, 380}},
    {"single firmware window",
     [](TPohjafrm& main) { main.Flashyksi1Click(); },
     [](TPohjafrm& main) { return Child<TCSingleFlashDlg>(main); },
     {90, 380, 560, 420}},
    {"multi firmware window 3",
     [](TPohjafrm& main) { main.Flashmonta3Click(); },
     [](TPohjafrm& main) { return Child<TCMultiFlashDlg>(main, [](auto& m) { return m.Instance() == 3; }); },
     {130, 420, 600, 440}},
};

class WindowPlaces : public testing::Test {
protected:
    WindowPlaces() {
        SetProgramPathForTests(folder.file("quovix"));
        for (const char* type : {"QX-450R.smf", "QX-MP4.smf", "QX-NMS.smf"})
            std::filesystem::copy_file(std::string(QUOVIX_TEST_DATA) + "/smf/" + type, folder.file(type));
        TIniFile(SettingsFileName()).WriteInteger("Start Position", "WindowState", 0);
    }
    ~WindowPlaces() override { SetProgramPathForTests(""); }

    // Starts the program in the test's folder, which holds the settings file: the
    // main window, the port dialog its terminals use, and the saved layout
    // restored as from the message loop. The main window's close writes the layout.
    std::unique_ptr<TPohjafrm> Start() {
        auto main = std::make_unique<TPohjafrm>(std::vector<std::string>{folder.file("quovix")});
        new Tportinasetus(main.get());
        main->CreateLayoutTerminal = [] { return Tterminaali::CreateTerminal(nullptr, 0); };
        main->show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return XWindows::IsManaged(main.get()); }, kWaitMs));
        return main;
    }

    TempFolder folder;
    MessageBoxRecorder boxes;
};

// Each window the user put somewhere stands there again after a restart, and
// after a second one.
TEST_F(WindowPlaces, EveryWindowComesBackWhereItStood) {
    std::map<std::string, QRect> stood;
    auto main = Start();
    for (const PlacedWindow& window : kWindows) {
        window.open(*main);
        QWidget* placed = window.find(*main);
        ASSERT_NE(placed, nullptr) << window.kind;
        // Qt moves a window by its frame, as the user drags it, once it knows the frame.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !placed->isWindow() || placed->frameGeometry() != placed->geometry(); }, kWaitMs))
            << window.kind;
        placed->showNormal();
        placed->move(window.place.topLeft());
        placed->resize(window.place.size());
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return Standing(*placed).topLeft() == window.place.topLeft(); }, kWaitMs))
            << window.kind << " stands at " << Text(Standing(*placed));
        stood[window.kind] = Standing(*placed);
    }
    for (int restart = 1; restart <= 2; ++restart) {
        main->close();
        main.reset();
        main = Start();
        for (const PlacedWindow& window : kWindows) {
            QWidget* restored = nullptr;
            ASSERT_TRUE(QTest::qWaitFor([&] { return (restored = window.find(*main)) != nullptr; }, kWaitMs))
                << window.kind << " after restart " << restart;
            EXPECT_TRUE(QTest::qWaitFor([&] { return Standing(*restored) == stood[window.kind]; }, kWaitMs))
                << window.kind << " after restart " << restart << " stands at " << Text(Standing(*restored))
                << ", stood at " << Text(stood[window.kind]);
        }
    }
}

} // namespace
