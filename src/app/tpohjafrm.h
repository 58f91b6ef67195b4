#pragma once
// The main window: an MDI frame in which terminals, designers and firmware
// windows open as child windows.

#include <QMainWindow>

class QMdiArea;

class TPohjafrm : public QMainWindow {
    Q_OBJECT
public:
    explicit TPohjafrm(QWidget* parent = nullptr);

    QMdiArea* mdiArea() const { return mdiArea_; }

private:
    QMdiArea* mdiArea_;
};

// The one main window of the program, as the other windows reach it.
extern TPohjafrm* Pohjafrm;
