#pragma once
// The radio test: keeps a modem's transmitter busy by writing a test text to a
// COM port without a pause until the user stops it. While it runs, the
// terminals on that port give it up; they get it back when the test stops.

#include "shell/mdi_child.h"
#include "ui_ttxtestfrm.h"

#include <QWidget>
#include <memory>

class TQuovixCommPort;
class Tpikakirj;

class Ttxtestfrm : public QWidget, public Ui::Ttxtestfrm, public WorkingControlOwner {
    Q_OBJECT
public:
    // Pauses of the start and stop sequences, for the modem and the terminals.
    static constexpr int kAfterReleaseMs = 100;
    static constexpr int kBeforeCloseMs = 200;
    static constexpr int kAfterCloseMs = 500;

    explicit Ttxtestfrm(QWidget* parent = nullptr);
    ~Ttxtestfrm() override;

    void StartClick();
    void CancelClick();
    bool Running() const { return running_; }
    QWidget* WorkingControl() override { return LastUsedControl(*this, TestChar); }

    // The port the test writes on, in polled mode.
    std::unique_ptr<TQuovixCommPort> CommPort1;

    // Borrow and give back the chosen port (index 0..7 of "Port number").
    void ReleaseMainPort(int portIndex);
    void RestoreMainPort(int portIndex);

protected:
    void closeEvent(QCloseEvent* event) override;
    // Escape presses Cancel, the window's cancel button.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetUpPort();
    void StopTest();
    void WriterEnded();

    std::unique_ptr<Tpikakirj> writer_;
    bool running_ = false;
    int portIndex_ = 0;
};

// The radio test window while one is open.
extern Ttxtestfrm* txtestfrm;
