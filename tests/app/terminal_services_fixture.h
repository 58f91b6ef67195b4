#pragma once
// The main window with fake terminals: a clock that counts the hand-over waits,
// and terminals restored from the layout collected in `restored`.

#include "app/port_handover.h"
#include "fake_terminal_window.h"
#include "main_window_fixture.h"

class CountingClock : public HandoverClock {
public:
    explicit CountingClock(int& waited) : waited_(waited) {}
    void wait(int ms) override { waited_ += ms; }

private:
    int& waited_;
};

class TerminalServicesTest : public MainWindowTest {
protected:
    std::unique_ptr<TPohjafrm> start(std::vector<std::string> arguments = {}) {
        arguments.insert(arguments.begin(), folder.file("quovix"));
        auto window = std::make_unique<TPohjafrm>(arguments);
        window->SetHandoverClock(std::make_unique<CountingClock>(waited));
        window->CreateLayoutTerminal = [this, main = window.get()] {
            restored.push_back(new FakeTerminalWindow(*main));
            return restored.back();
        };
        window->show();
        QCoreApplication::processEvents();
        return window;
    }

    static FakeTerminalWindow* Terminal(TPohjafrm& window, int port,
                                        const std::string& caption = "Terminal") {
        auto* terminal = new FakeTerminalWindow(window, caption);
        terminal->layout.line.portNumber = port;
        return terminal;
    }

    static void Settle() {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    int waited = 0;
    std::vector<FakeTerminalWindow*> restored;
};
