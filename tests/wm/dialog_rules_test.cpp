// Two rules every dialog that waits for an answer keeps under a window manager:
// it stands in front of the program's stay-on-top windows with the keyboard, and
// when it closes the keyboard goes back to the window the user was typing in.
#include "designer/designer_canvas.h"
#include "designer/tinfo.h"
#include "designer/tominaisuus.h"
#include "designer/tpiirtopohja.h"
#include "designer/tprj_ominaisuus.h"
#include "designer/tsuoja.h"
#include "platform/program_files.h"
#include "support/fake_main_window.h"
#include "support/temp_folder.h"
#include "x_windows.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 5000;
// Time for the window manager to restack after a raise.
constexpr int kSettleMs = 300;

bool HasTheKeyboard(const QWidget* window) {
    return XWindows::IsActive(window) && QApplication::activeWindow() == window;
}

// Keys reach the widget that has the keyboard, as a user's keys do.
QWidget* Focused() {
    QWidget* focused = QApplication::focusWidget();
    return focused ? focused : QApplication::activeWindow();
}

// A modal dialog closes as Escape closes it; a tool window by its Cancel button.
void Cancel(QWidget* dialog) {
    if (dialog->isModal())
        QTest::keyClick(dialog, Qt::Key_Escape);
    else if (auto* cancel = dialog->findChild<QPushButton*>("pois"))
        cancel->click();
    else
        dialog->findChild<QPushButton*>("CancelBtn")->click();
}

// Waits until the window manager has let the window go.
bool Unmanaged(const QWidget* window) {
    return QTest::qWaitFor([&] { return !XWindows::IsManaged(window); }, kWaitMs);
}

class DialogRules : public testing::Test {
protected:
    void SetUp() override {
        SetProgramPathForTests(folder.file("quovix"));
        for (const char* type : {"QX-450R.smf", "QX-MP4.smf"})
            std::filesystem::copy_file(std::string(QUOVIX_TEST_DATA) + "/smf/" + type, folder.file(type));
        main.factory_mode = true;
        main.resize(1000, 800);
        main.show();
        designer = CreateDesigner(false);
        ASSERT_TRUE(QTest::qWaitFor(
            [this] {
                QWidget* dialog = designer->ProjectPropertiesDialog();
                return dialog && HasTheKeyboard(dialog);
            },
            kWaitMs));
        designer->ProjectPropertiesDialog()->CancelBtnClick();
        ASSERT_TRUE(Unmanaged(designer->ProjectPropertiesDialog()));
        ModemTypeVersionReader reader(true);
        figure =
            &designer->Design().NewModemFigure("QX-450R", NewModemKind::Normal, 200, 150, "450R", reader);
        figure->newFigure = false;
        designer->Design().modified = false;
    }
    void TearDown() override {
        CloseToolWindows();
        SetProgramPathForTests("");
    }

    // Closes the designer's tool windows that a case left open, as their Cancel does.
    void CloseToolWindows() {
        for (QWidget* window :
             std::initializer_list<QWidget*>{designer->PropertiesWindow(), designer->SecurityLevelDialog(),
                                             designer->ProjectPropertiesDialog()})
            if (window && window->isVisible()) {
                Cancel(window);
                EXPECT_TRUE(Unmanaged(window));
            }
    }

    // The serial traffic status window as a ping shows it. The window manager gives
    // a new window the focus: the next window the test activates takes it from there.
    void ShowStatus() {
        status->ShowCentredEmpty();
        ASSERT_TRUE(QTest::qWaitFor([&] { return HasTheKeyboard(status); }, kWaitMs));
    }
    // The window and the field in it that have the keyboard, given as a user's
    // click gives it.
    QWidget* Keyboard(QWidget* window, QWidget* field = nullptr) {
        XWindows::Activate(window);
        if (field)
            field->setFocus();
        EXPECT_TRUE(QTest::qWaitFor([&] { return HasTheKeyboard(window); }, kWaitMs))
            << window->metaObject()->className();
        return window;
    }
    QWidget* DesignerWithTheKeyboard() { return Keyboard(&main, designer->Canvas()); }
    // The properties window at level 5 (a wrong password leaves level 0) with the
    // keyboard in the field, its text selected.
    QWidget* PropertiesWindow(const char* field) {
        designer->SetSecurityLevel(5);
        designer->Design().active = figure;
        designer->Ominaisuudet4Click();
        auto* edit = In<QLineEdit>(designer->PropertiesWindow(), field);
        QWidget* window = Keyboard(designer->PropertiesWindow(), edit);
        edit->selectAll();
        return window;
    }
    QWidget* ConversionView() {
        designer->Design().context = figure;
        QAction target("QX-MP4");
        designer->Konvert1Click(&target);
        return Keyboard(designer->PropertiesWindow());
    }
    QWidget* SecurityLevelWithAPassword(const char* typed) {
        designer->Suojaustaso1Click();
        QWidget* window = Keyboard(designer->SecurityLevelDialog());
        // Choosing the level (after the window's activation ticks the level in force)
        // puts the keyboard into the password.
        In<QRadioButton>(designer->SecurityLevelDialog(), "taso_5")->setChecked(true);
        QTest::keyClicks(Focused(), typed);
        return window;
    }
    template <typename T = QWidget> T* In(QWidget* window, const char* name) {
        return window->findChild<T*>(name);
    }

    TempFolder folder;
    FakeMainWindow main;
    Tinfo* status = new Tinfo(&main);
    Tpiirtopohja* designer = nullptr;
    TKuvio* figure = nullptr;
};

// Runs what opens a dialog and, while it is open, what looks at it and closes it.
// A modal dialog holds `open` until it closes; a tool window is looked at after
// it. A dialog the window manager never takes is closed all the same.
void WhileOpen(const std::function<void()>& open, const std::function<QWidget*()>& dialog,
               const std::function<void(QWidget*)>& lookAndClose) {
    bool done = false;
    QTimer::singleShot(0, [&] {
        QWidget* shown = nullptr;
        if (QTest::qWaitFor([&] { return (shown = dialog()) && XWindows::IsManaged(shown); }, kWaitMs))
            lookAndClose(shown);
        else if (shown)
            shown->close();
        done = true;
    });
    open();
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 3 * kWaitMs));
}

QWidget* ModalDialog() {
    return QApplication::activeModalWidget();
}

// Each dialog the designer or its properties window opens while the status window
// shows a ping stands above it and has the keyboard: input and file dialogs, boxes,
// and the tool windows that wait for an answer, also one left open behind it.
TEST_F(DialogRules, EveryDialogStandsAboveTheStatusWindowWithTheKeyboard) {
    struct Case {
        const char* dialog;
        std::function<QWidget*()> opener;
        std::function<void()> open;
        std::function<QWidget*()> shown = ModalDialog;
    };
    const auto designerOpens = [&] { return DesignerWithTheKeyboard(); };
    const auto projectProperties = [this] { return designer->ProjectPropertiesDialog(); };
    const std::vector<Case> cases = {
        {"ping count", designerOpens, [&] { designer->PingCount1Click(); }},
        {"project properties", designerOpens, [&] { designer->Ominaisuudet3Click(); }, projectProperties},
        {"open project", designerOpens, [&] { designer->Avaa1Click(); }},
        {"save project as", designerOpens, [&] { designer->Tallennanimell1Click(); }},
        {"security level", designerOpens, [&] { designer->Suojaustaso1Click(); },
         [this] { return designer->SecurityLevelDialog(); }},
        {"delete question", designerOpens, [&] { QTest::keyClick(Focused(), Qt::Key_Delete); }},
        {"project properties left open",
         [&] {
             designer->Ominaisuudet3Click();
             Keyboard(designer->ProjectPropertiesDialog());
             return DesignerWithTheKeyboard();
         },
         [&] { designer->Ominaisuudet3Click(); }, projectProperties},
        {"hex refusal", [&] { return PropertiesWindow("H5NETMASK"); },
         [&] { QTest::keyClick(Focused(), 'G'); }},
        {"conv all question", [&] { return ConversionView(); },
         [&] { In<QPushButton>(designer->PropertiesWindow(), "ConvAll")->click(); }},
    };
    ShowStatus();
    for (const Case& row : cases) {
        row.opener();
        // A ping that starts now brings the status window to the front.
        status->EnableStatusButtons(false);
        bool inFront = false;
        bool keyboard = false;
        WhileOpen(row.open, row.shown, [&](QWidget* dialog) {
            inFront = QTest::qWaitFor([&] { return XWindows::StackedAbove(dialog, status); }, kWaitMs);
            // The ping goes on to its next modem while the dialog waits, and under a
            // question of the designer's a run's reply shows the modem properties:
            // the dialog stays in front.
            status->SetCaption("Transfering values to modem next");
            status->EnableStatusButtons(false);
            const bool replyShown = dialog->isModal() && !designer->PropertiesWindow()->isVisible();
            if (replyShown)
                designer->Programming().ShowModemProperties(*figure);
            QTest::qWait(kSettleMs);
            inFront = inFront && XWindows::StackedAbove(dialog, status);
            keyboard = QTest::qWaitFor([&] { return HasTheKeyboard(dialog); }, kWaitMs);
            if (const QByteArray folder = qgetenv("QUOVIX_SCREENSHOTS"); !folder.isEmpty())
                QApplication::primaryScreen()->grabWindow(0).save(folder + "/in_front_" + row.dialog +
                                                                  ".png");
            inFront =
                inFront && (!replyShown || XWindows::StackedAbove(dialog, designer->PropertiesWindow()));
            Cancel(dialog);
        });
        EXPECT_TRUE(inFront) << row.dialog;
        EXPECT_TRUE(keyboard) << row.dialog;
        CloseToolWindows();
    }
}

// When a dialog is answered, the keyboard is back in the window and the field the
// user was typing in, so the next key lands there: Delete after the hexadecimal
// refusal edits the field, not the drawing; Escape after the Conv all question
// cancels the properties window. The same beside the status window.
TEST_F(DialogRules, TheKeyboardGoesBackToTheWindowThatHadIt) {
    struct Case {
        const char* dialog;
        std::function<QWidget*()> opener;
        std::function<void()> open;
        Qt::Key answer;
        Qt::Key next = Qt::Key_unknown;
        std::function<bool()> nextReached = [] { return true; };
        std::function<QWidget*()> shown = ModalDialog;
    };
    const auto designerOpens = [&] { return DesignerWithTheKeyboard(); };
    const std::vector<Case> cases = {
        {"hex refusal", [&] { return PropertiesWindow("H5NETMASK"); },
         [&] { QTest::keyClick(Focused(), 'G'); }, Qt::Key_Return, Qt::Key_Delete,
         [&] { return In<QLineEdit>(designer->PropertiesWindow(), "H5NETMASK")->text().isEmpty(); }},
        {"conv all question", [&] { return ConversionView(); },
         [&] { In<QPushButton>(designer->PropertiesWindow(), "ConvAll")->click(); }, Qt::Key_Escape,
         Qt::Key_Escape, [this] { return !designer->PropertiesWindow()->isVisible(); }},
        {"wrong password", [&] { return SecurityLevelWithAPassword("zirkapo"); },
         [&] { In<QPushButton>(designer->SecurityLevelDialog(), "ok")->click(); }, Qt::Key_Return},
        {"delete question", designerOpens, [&] { QTest::keyClick(Focused(), Qt::Key_Delete); },
         Qt::Key_Escape},
        {"ping count", designerOpens, [&] { designer->PingCount1Click(); }, Qt::Key_Escape},
        {"properties window", designerOpens, [&] { designer->Ominaisuudet4Click(); }, Qt::Key_Escape,
         Qt::Key_unknown, [] { return true; }, [this] { return designer->PropertiesWindow(); }},
    };
    for (bool statusShown : {false, true}) {
        if (statusShown)
            ShowStatus();
        for (const Case& row : cases) {
            QWidget* opener = row.opener();
            QWidget* field = QApplication::focusWidget();
            WhileOpen(row.open, row.shown, [&](QWidget* dialog) {
                EXPECT_TRUE(QTest::qWaitFor([&] { return HasTheKeyboard(dialog); }, kWaitMs)) << row.dialog;
                XWindows::TakeServerTime(dialog);
                QTest::keyClick(dialog, row.answer);
            });
            // The window's own activation may disable the field: the security level
            // ticks the level in force, 0 after a wrong password.
            const bool back = QTest::qWaitFor(
                [&] {
                    return HasTheKeyboard(opener) &&
                           (!field->isEnabled() || QApplication::focusWidget() == field);
                },
                kWaitMs);
            EXPECT_TRUE(back) << row.dialog << (statusShown ? " beside the status window" : "");
            if (back && row.next != Qt::Key_unknown) {
                QTest::keyClick(Focused(), row.next);
                EXPECT_TRUE(row.nextReached()) << row.dialog;
            }
            CloseToolWindows();
        }
    }
}

} // namespace
