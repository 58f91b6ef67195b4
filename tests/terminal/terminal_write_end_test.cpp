#include "terminal/tterminaali.h"

#include "serial/port_backends.h"
#include "support/fake_main_window.h"
#include "support/message_box_recorder.h"

#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A terminal on COM7 of a virtual port (paced) or a pseudo-terminal.
class WriteEndTest : public testing::TestWithParam<Backend> {
protected:
    WriteEndTest() : bench(GetParam()) {
        main.show();
        terminal = Tterminaali::CreateTerminal(nullptr, 0);
        port().setPortin_nro(COM7);
        port().vaihda_bitti_nop(br_38400);
        port().tila_hiljaa(true);
        terminal->ApplyOptions();
        if (bench.Virtual())
            bench.Virtual()->SetPacing(true);
    }

    TQuovixCommPort& port() { return *terminal->CommPort1; }
    void hold(bool on) { EscapeCommFunction(port().Handle(), on ? SETXOFF : SETXON); }
    void waitsFail(bool fail) {
        if (bench.Virtual())
            bench.Virtual()->SetWaitsFail(fail);
        else
            SetEventWaitsFailForTests(bench.Pty()->SlavePath(), fail);
    }

    MessageBoxRecorder boxes;
    PortBench bench;
    FakeMainWindow main;
    QPointer<Tterminaali> terminal;
};

// However a write ends, the port's pending bytes, its room and its writing state
// agree afterwards: a send and a typed key that follow go out. Each row ends a
// write of 2048 bytes that the line holds back (as a received XOFF does).
TEST_P(WriteEndTest, AfterEveryWriteEndTheNextSendAndTypedKeyGoOut) {
    const std::string held(2048, 'f');
    struct End {
        const char* name;
        std::function<void()> end;
    };
    const End ends[] = {
        {"done after the hold", [] {}},
        {"cancel", [&] { terminal->CancelSending(); }},
        {"abort by the driver", [&] { PurgeComm(port().Handle(), PURGE_TXABORT); }},
        {"close and open",
         [&] {
             terminal->closeport1Click();
             QTest::qWait(20);
             terminal->openport1Click();
         }},
        {"lent and given back",
         [&] {
             terminal->closePort();
             terminal->setPortLent(true);
             terminal->showPortState();
             QTest::qWait(20);
             terminal->setPortLent(false);
             terminal->openPort(true);
             terminal->showPortState();
         }},
        {"quiet reopen after a failed wait",
         [&] {
             waitsFail(true);
             ASSERT_TRUE(QTest::qWaitFor(
                 [&] { return terminal->teksti->screenText().contains("Serial port restarted"); }, 3000));
             waitsFail(false);
             QTest::qWait(600); // failures reported before the wait worked again
         }},
    };
    for (const End& row : ends) {
        hold(true);
        terminal->QueueSend(held, true);
        QTest::qWait(30);
        row.end();
        ASSERT_TRUE(port().IsOpen()) << row.name;
        hold(false);
        terminal->QueueSend("XYZ", true);
        QTest::keyClick(terminal->teksti, Qt::Key_K);
        std::string line;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                line += bench.Far().ReadFor(4096, 5ms);
                return line.size() >= 4 && line.compare(line.size() - 4, 4, "XYZk") == 0;
            },
            3000));
        line.erase(0, line.find_first_not_of('f')); // the held write may have gone whole
        EXPECT_EQ(line, "XYZk") << row.name;
        EXPECT_TRUE(boxes.texts().empty()) << row.name;
        boxes.clear();
        QTest::qWait(20);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, WriteEndTest, testing::Values(Backend::Virtual, Backend::Pty),
                         [](const testing::TestParamInfo<Backend>& info) { return BackendName(info.param); });

} // namespace
