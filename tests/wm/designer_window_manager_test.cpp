// The designer's windows as a window manager treats them: which window has the
// keyboard, which stands in front, and whether a caption fits its title bar.
#include "designer/designer_canvas.h"
#include "designer/graph_renderer.h"
#include "designer/tinfo.h"
#include "designer/tominaisuus.h"
#include "designer/tpiirtopohja.h"
#include "designer/tprj_ominaisuus.h"
#include "platform/message_box.h"
#include "platform/program_files.h"
#include "support/fake_main_window.h"
#include "support/temp_folder.h"
#include "x_windows.h"

#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 5000;

// Saves the screen when the variable names a folder for screenshots.
void Screenshot(const QString& name) {
    if (const QByteArray folder = qgetenv("QUOVIX_SCREENSHOTS"); !folder.isEmpty())
        QApplication::primaryScreen()->grabWindow(0).save(folder + "/" + name + ".png");
}

// Keys reach the widget that has the keyboard, as a user's keys do.
QWidget* Focused() {
    QWidget* focused = QApplication::focusWidget();
    return focused ? focused : QApplication::activeWindow();
}

// A hidden window's frame stays on the screen until the window manager lets the
// window go: the pointer must not meet it.
bool Unmanaged(const QWidget* window) {
    return QTest::qWaitFor([window] { return !XWindows::IsManaged(window); }, kWaitMs);
}

bool ActiveWithFocusOn(QWidget* window, const char* field) {
    QWidget* focused = QApplication::focusWidget();
    return XWindows::IsActive(window) && focused && focused->objectName() == field;
}

// How wide the caption's letters stand in the window's title bar: the columns
// between the window icon and the window buttons where a pixel differs from the
// bar's own colour in its row. A caption cut short stands narrower.
int CaptionInkWidth(const QWidget* window) {
    const QRect frame = window->geometry().marginsAdded(XWindows::FrameExtents(window));
    const int barHeight = window->geometry().top() - frame.top();
    if (barHeight <= 0)
        return 0;
    const QImage bar = QApplication::primaryScreen()
                           ->grabWindow(0, frame.x(), frame.y(), frame.width(), barHeight)
                           .toImage();
    const int from = barHeight * 3 / 2;
    const int to = bar.width() - barHeight * 4;
    int first = -1;
    int last = -1;
    for (int y = 0; y < bar.height(); ++y) {
        const QColor ground = bar.pixelColor(from, y);
        for (int x = from; x < to; ++x) {
            const QColor pixel = bar.pixelColor(x, y);
            if (std::abs(pixel.red() - ground.red()) + std::abs(pixel.green() - ground.green()) +
                    std::abs(pixel.blue() - ground.blue()) >
                120) {
                first = first < 0 ? x : std::min(first, x);
                last = std::max(last, x);
            }
        }
    }
    return first < 0 ? 0 : last - first + 1;
}

// The caption's width once the window manager has drawn it: the same three times
// running, a little apart.
int DrawnCaptionWidth(const QWidget* window) {
    int drawn = -1;
    int same = 0;
    for (QDeadlineTimer deadline(kWaitMs); same < 3 && !deadline.hasExpired();) {
        QTest::qWait(50);
        const int now = CaptionInkWidth(window);
        same = now == drawn && now > 0 ? same + 1 : 0;
        drawn = now;
    }
    return drawn;
}

// The caption's width in the title bar of a window far wider than the caption.
int WholeCaptionWidth(const QString& caption) {
    QWidget reference;
    reference.setWindowTitle(caption);
    reference.resize(1000, 100);
    reference.show();
    if (!QTest::qWaitFor([&] { return XWindows::IsManaged(&reference); }, kWaitMs))
        return -1;
    const int width = DrawnCaptionWidth(&reference);
    reference.hide();
    return Unmanaged(&reference) ? width : -1;
}

class DesignerUnderWindowManager : public testing::Test {
protected:
    void SetUp() override {
        SetProgramPathForTests(folder.file("quovix"));
        for (const char* type : {"QX-450R.smf", "QX-MP4.smf", "QX-NMS.smf"})
            std::filesystem::copy_file(std::string(QUOVIX_TEST_DATA) + "/smf/" + type, folder.file(type));
        main.resize(1000, 800);
        main.show();
        designer = CreateDesigner(false);
        // The project properties open with the keyboard; the user cancels them then.
        ASSERT_TRUE(QTest::qWaitFor(
            [this] {
                QWidget* dialog = designer->ProjectPropertiesDialog();
                return dialog && XWindows::IsActive(dialog) && QApplication::activeWindow() == dialog;
            },
            kWaitMs));
        designer->ProjectPropertiesDialog()->CancelBtnClick();
        ASSERT_TRUE(Unmanaged(designer->ProjectPropertiesDialog()));
        canvas = designer->Canvas();
        designer->activateWindow();
        ASSERT_TRUE(DesignerHasTheKeyboard());
    }
    void TearDown() override { SetProgramPathForTests(""); }

    // The pointer goes to the point first, as a user's hand does (a figure being
    // placed follows it); the press and release then reach the canvas as a user's.
    void PointAt(QPoint point) {
        const QPoint global = canvas->mapToGlobal(point);
        QCursor::setPos(global);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QCursor::pos() == global; }, kWaitMs));
        QTest::qWait(20);
    }
    // Drops a new modem that follows the pointer, once it has followed it to the point.
    TKuvio& DropAt(TKuvio& placed, QPoint point) {
        PointAt(point);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return FigureAt(designer->Design(), point, false).figure == &placed; }, kWaitMs));
        QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, point);
        return placed;
    }
    // Takes a modem type from the designer's Modem menu and drops it at the point.
    TKuvio& PlaceFromModemMenu(const QString& type, QPoint point) {
        for (QAction* item : designer->findChild<QMenu*>("Luouusi2")->actions())
            if (item->text() == type)
                item->trigger();
        return DropAt(*designer->Design().Figures().back(), point);
    }
    // The window manager gave the main window the focus, and Qt has taken it.
    bool DesignerHasTheKeyboard() {
        return QTest::qWaitFor(
            [this] { return XWindows::IsActive(&main) && QApplication::activeWindow() == &main; }, kWaitMs);
    }
    static QPoint OnPicture(const TKuvio& figure) {
        return QPoint(figure.Left() + 15, figure.PictureTop() + 25);
    }
    // Waits until the properties window has the keyboard on its name, and types
    // there the text and the key that closes it.
    void TypeIntoProperties(const char* text, Qt::Key closing) {
        Tominaisuus* properties = designer->PropertiesWindow();
        ASSERT_TRUE(QTest::qWaitFor([properties] { return ActiveWithFocusOn(properties, "nimi"); }, kWaitMs));
        QTest::keyClicks(Focused(), text);
        QTest::keyClick(Focused(), closing);
        EXPECT_FALSE(properties->isVisible());
        // Its frame is gone before the pointer moves on, and the designer has the keyboard.
        ASSERT_TRUE(Unmanaged(properties));
        ASSERT_TRUE(DesignerHasTheKeyboard());
    }

    TempFolder folder;
    FakeMainWindow main;
    Tpiirtopohja* designer = nullptr;
    DesignerCanvas* canvas = nullptr;
};

// Placing a modem, a double-click on one and Insert open the properties window
// with the keyboard on the name: typed keys, Return and Escape go there.
TEST_F(DesignerUnderWindowManager, ThePropertiesWindowTakesTheKeyboard) {
    TKuvio& placed = PlaceFromModemMenu("QX-450R", {200, 150});
    Screenshot("properties_after_placing");
    TypeIntoProperties("Hill", Qt::Key_Return);
    EXPECT_EQ(placed.GetModemName(), "Hill");

    PointAt(OnPicture(placed));
    QTest::mouseDClick(canvas, Qt::LeftButton, Qt::NoModifier, OnPicture(placed));
    TypeIntoProperties("Dale", Qt::Key_Escape);
    EXPECT_EQ(placed.GetModemName(), "Hill");

    QTest::keyClick(Focused(), Qt::Key_Insert);
    ASSERT_EQ(designer->Design().Figures().size(), 2u);
    TKuvio& inserted = DropAt(*designer->Design().Figures().back(), {400, 300});
    TypeIntoProperties("Vale", Qt::Key_Return);
    EXPECT_EQ(inserted.GetModemName(), "Vale");
}

// A box raised while the status window shows a run stands in front of it and has
// the keyboard, though the designer was the active window: Return answers it. Its
// caption is whole.
TEST_F(DesignerUnderWindowManager, BoxesStandInFrontOfTheStatusWindow) {
    const int wholeCaption = WholeCaptionWidth("Quovix 5");
    auto* status = new Tinfo(&main);
    status->ShowCentredEmpty();
    status->EnableStatusButtons(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return XWindows::IsManaged(status); }, kWaitMs));
    for (const char* text :
         {"Ping test finnished", "Close serial port before changing port number !!",
          "\n\rPING test does not respond", "ERROR: Dataflow between modem and PC interrupted some way !!",
          "One moden does not have route to it!!!"}) {
        designer->activateWindow();
        ASSERT_TRUE(DesignerHasTheKeyboard());
        bool inFront = false;
        int caption = 0;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box)
                return;
            inFront = QTest::qWaitFor(
                [&] { return XWindows::StackedAbove(box, status) && XWindows::IsActive(box); }, kWaitMs);
            caption = DrawnCaptionWidth(box);
            Screenshot("box_over_status");
            QTest::keyClick(Focused(), Qt::Key_Return);
            // A box that never came to the front is closed all the same.
            if (box->isVisible())
                box->close();
        });
        ShowMessage(text);
        EXPECT_TRUE(inFront) << text;
        EXPECT_GE(caption, wholeCaption - 1) << text;
    }
    delete status;
}

// A dialog that is no message box, the ping count's input box, shows its whole
// caption too.
TEST_F(DesignerUnderWindowManager, TheInputBoxCaptionIsWhole) {
    int shown = 0;
    QString caption;
    QTimer::singleShot(0, [&] {
        QWidget* box = nullptr;
        if (QTest::qWaitFor(
                [&] { return (box = QApplication::activeModalWidget()) && XWindows::IsManaged(box); },
                kWaitMs)) {
            shown = DrawnCaptionWidth(box);
            caption = box->windowTitle();
            Screenshot("input_box_caption");
        }
        if (box)
            box->close();
    });
    designer->PingCount1Click();
    EXPECT_EQ(caption, "How many times to ping modem");
    EXPECT_GE(shown, WholeCaptionWidth(caption) - 1);
}

// The properties window is wide enough for its whole caption.
TEST_F(DesignerUnderWindowManager, ThePropertiesCaptionIsWhole) {
    int x = 100;
    for (const char* type : {"QX-450R", "QX-MP4", "QX-NMS"}) {
        PlaceFromModemMenu(type, {x += 150, 150});
        Tominaisuus* properties = designer->PropertiesWindow();
        ASSERT_TRUE(QTest::qWaitFor(
            [properties] { return properties->isVisible() && XWindows::IsManaged(properties); }, kWaitMs));
        const int shown = DrawnCaptionWidth(properties);
        Screenshot(QString("caption_") + type);
        properties->findChild<QPushButton*>("pois")->click();
        ASSERT_TRUE(Unmanaged(properties));
        EXPECT_GE(shown, WholeCaptionWidth(properties->windowTitle()) - 1) << type;
    }
}

} // namespace
