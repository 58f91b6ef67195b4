#include "platform/dialogs_in_front.h"

#include "platform/window_caption.h"
#include "platform/window_message.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {

bool StayOnTopWindowShownBeside(const QWidget* dialog) {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [dialog](const QWidget* window) {
        return window != dialog && window->isVisible() &&
               window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    });
}

// QWidget::setWindowFlags would re-create a created native window and hide the
// widget. The flag goes into the widget's record and straight to its native window
// instead. A modal dialog is not mapped yet when it is shown: the window manager
// reads the hint at the map (Qt's X11 plugin makes the unmapped native window anew
// for it, so the widget's winId() keeps the first one's id; nothing here uses
// it). After the hide the flag is taken back the same way.
void SetStayOnTop(QWidget* window, bool on) {
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    window->overrideWindowFlags(flags);
    if (QWindow* native = window->windowHandle())
        native->setFlags(flags);
}

// Asks the window manager to give the window the keyboard. QWidget::activateWindow
// asks nothing when Qt already counts the window as active.
void Activate(QWidget* window) {
    if (QWindow* native = window->windowHandle())
        native->requestActivate();
}

// A dialog waiting for an answer, while it is shown: the window that had the
// keyboard before it, and whether the rules made it stay on top.
class AwaitedAnswer : public QObject {
    Q_OBJECT
public:
    AwaitedAnswer(QWidget* dialog, QWidget* keyboardBefore, bool madeStayOnTop)
        : QObject(dialog), dialog_(dialog), keyboardBefore_(keyboardBefore), madeStayOnTop_(madeStayOnTop) {
        if (QWindow* native = dialog->windowHandle())
            connect(native, &QWindow::visibleChanged, this, [this](bool visible) {
                if (!visible)
                    GiveKeyboardBack();
            });
    }

    // After the hide: a hint the rules gave is taken back.
    void Answered() {
        if (madeStayOnTop_)
            SetStayOnTop(dialog_, false);
        delete this;
    }

private:
    // Asked for just before the dialog's native window goes, while the dialog
    // still has the keyboard: the keyboard moves straight to the window before it.
    // Once the dialog is gone the window manager picks a window of its own, and it
    // passes over tool windows such as the modem properties. A dialog closed while
    // the user works in another window leaves the keyboard there.
    void GiveKeyboardBack() {
        if (keyboardBefore_ && keyboardBefore_->isVisible() &&
            QGuiApplication::focusWindow() == dialog_->windowHandle())
            Activate(keyboardBefore_);
    }

    QWidget* const dialog_;
    const QPointer<QWidget> keyboardBefore_;
    const bool madeStayOnTop_;
};

AwaitedAnswer* AwaitedAnswerOf(const QWidget* dialog) {
    return dialog->findChild<AwaitedAnswer*>(QString(), Qt::FindDirectChildrenOnly);
}

// Notes the window that has the keyboard now and, beside a stay-on-top window,
// gives the dialog the same hint. The dialog's native window exists.
void AwaitAnswer(QWidget* dialog) {
    if (AwaitedAnswerOf(dialog))
        return;
    const bool madeStayOnTop =
        !dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint) && StayOnTopWindowShownBeside(dialog);
    if (madeStayOnTop)
        SetStayOnTop(dialog, true);
    QWidget* before = QApplication::activeWindow();
    new AwaitedAnswer(dialog, before != dialog ? before : nullptr, madeStayOnTop);
}

// A window manager cuts a caption that does not fit the title bar, and Qt sizes a
// dialog by its content alone: the dialog is made as wide as its whole caption.
// A message box sets its own size from its layout as it shows, so there the room
// goes into the layout.
void MakeRoomForCaption(QWidget* dialog) {
    const int width = CaptionWidth(dialog->windowTitle());
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
            grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                          grid->columnCount());
    } else if (dialog->minimumWidth() < width) {
        dialog->setMinimumWidth(width);
    }
}

// Sees every window of the program as it is shown and hidden.
class ModalDialogRules : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Every event passes here first, the window messages that the program's
        // threads post too: such a message is taken over from its poster before
        // anything of it is read, as its receiver takes it over.
        if (WindowMessage::from(event))
            return QObject::eventFilter(watched, event);
        const QEvent::Type type = event->type();
        if ((type == QEvent::Show || type == QEvent::Hide) && !event->spontaneous() &&
            watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
            auto* window = static_cast<QWidget*>(watched);
            if (type == QEvent::Show && window->isModal())
                ModalShowing(window);
            else if (AwaitedAnswer* awaited = type == QEvent::Hide ? AwaitedAnswerOf(window) : nullptr)
                awaited->Answered();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    // Called before the map. The activation asked for now is made once the window
    // is mapped. A dialog that opens while the user works in another program leaves
    // the keyboard to the window manager.
    static void ModalShowing(QWidget* dialog) {
        const bool programActive = QApplication::activeWindow() != nullptr;
        if (!AwaitedAnswerOf(dialog))
            MakeRoomForCaption(dialog);
        AwaitAnswer(dialog);
        if (programActive)
            Activate(dialog);
    }
};

// A tool window that the program's progress shows while a modal dialog waits for
// its answer (a run's reply shows the modem properties under a question) stays
// behind that dialog: without its stay-on-top hint a window manager would stack
// the newly mapped window above the dialog. The hint comes back with the answer.
class BehindQuestion : public QObject {
public:
    BehindQuestion(QWidget* question, QWidget* window) : QObject(question), window_(window) {
        SetStayOnTop(window, false);
        question->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && watched == parent()) {
            if (window_)
                SetStayOnTop(window_, true);
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QPointer<QWidget> window_;
};

} // namespace

void ShowInFront(QWidget* window) {
    QWidget* question = QApplication::activeModalWidget();
    if (question && question != window) {
        if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            new BehindQuestion(question, window);
        window->show();
        return;
    }
    window->show();
    window->raise();
    AwaitAnswer(window);
    Activate(window);
}

bool AnswerAwaited() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(),
                       [](const QWidget* window) { return window->isVisible() && AwaitedAnswerOf(window); });
}

void InstallModalDialogRules() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || app->findChild<ModalDialogRules*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    // A platform's own file dialog is not a window of the program, and would keep
    // neither rule.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    app->installEventFilter(new ModalDialogRules(app));
}

#include "dialogs_in_front.moc"
