#include "terminal/tterminaali.h"

#include "platform/tinifile.h"
#include "serial/port_backends.h"
#include "serial/tcomm_event.h"
#include "support/fake_main_window.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"
#include "terminal/tlahetys.h"
#include "terminal/tportinasetus.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <fstream>
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

    // What a device receives until `size` bytes have come or its line has been
    // quiet for 50 ms, and what follows them at once. The program runs its events
    // all the while, so what it still has to write reaches the line at once.
    static std::string Drain(FarEnd& far, size_t size) {
        std::string bytes = ReadUntilQuiet(far, size, 50ms);
        return bytes + ReadUntilQuiet(far, SIZE_MAX, 15ms);
    }
    static std::string ReadUntilQuiet(FarEnd& far, size_t size, std::chrono::milliseconds quiet) {
        std::string bytes;
        QElapsedTimer sinceLast;
        sinceLast.start();
        while (bytes.size() < size && !sinceLast.hasExpired(quiet.count())) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            const std::string more = far.ReadFor(size - bytes.size(), 1ms);
            if (!more.empty())
                sinceLast.restart();
            bytes += more;
        }
        return bytes;
    }
    // Runs the settings dialog on the terminal and chooses the device of COM n.
    void SettingsOk(int comNumber) {
        QTimer::singleShot(0, &dialog, [&] {
            const QStringList items = dialog.portinnro->items();
            dialog.portinnro->setItemIndex(
                static_cast<int>(items.indexOf(QStringLiteral("COM%1").arg(comNumber))));
            dialog.OKClick();
        });
        terminal->Asetukset1Click(false);
    }

    MessageBoxRecorder boxes;
    PortBench bench;
    FakeMainWindow main;
    Tportinasetus dialog;
    QPointer<Tterminaali> terminal;
};

// However a write ends, the port's pending bytes, its room and its writing state
// agree afterwards: a send and a typed key that follow go out. Each row ends a
// write of 2048 bytes that the line holds back (as a received XOFF does); the
// ways of closing and reopening the port are rows of the table below.
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

// A send and typed keys keep their device, their bytes and their order through
// every way the port closes and opens again while the line holds them back. A
// reopen of the same device goes on with them; "Close port", a loan and a move
// to another device end the sends (the line has carried an exact prefix) and
// the repeat. Typed keys go out once, and never to another device.
TEST_P(WriteEndTest, ReopensLeaveEachSendWholeOrAnExactPrefixOnItsOwnDevice) {
    FarEnd& other = bench.Other();
    main.com_list = "COM7,COM8";
    const TempFolder folder;
    const std::string fileName = folder.file("send.txt");
    const std::string file = "AAAAABBBBBCCCCCDDDDDEEEEEFFFFF";
    std::ofstream(fileName, std::ios::binary) << file;
    TIniFile layout(folder.file("layout.ini"));
    struct Source {
        const char* name;
        std::string data; // what the line carries when it goes out whole
        bool usesTransmitWindow;
        std::function<void(TLahetys*)> start;
    };
    const std::string pasted = "pasted-0123456789-text!";
    const std::string script = "S3-000;S3-001;S3-002;";
    const std::string pings = "PINGPINGPINGPINGPINGPINGPINGPINGPINGPING";
    const Source sources[] = {
        {"typed keys", "abcdef", false, [&](TLahetys*) { QTest::keyClicks(terminal->teksti, "abcdef"); }},
        {"paste", pasted, false,
         [&](TLahetys*) {
             QApplication::clipboard()->setText(QString::fromStdString(pasted));
             terminal->Liit1Click();
         }},
        {"script", script, false, [&](TLahetys*) { terminal->QueueSend(script, true); }},
        {"file", file, true,
         [&](TLahetys* transmit) {
             transmit->lahde->setItemIndex(TLahetys::FileSource);
             transmit->SelectFile(fileName);
             transmit->LahetaClick(true);
         }},
        {"repeat", pings, true,
         [&](TLahetys* transmit) {
             transmit->lahde->setItemIndex(TLahetys::TextSource);
             transmit->SetBoxText("PING");
             transmit->toisto->setChecked(true);
             transmit->aika_vali->setText("0.2");
             transmit->LahetaClick(true);
         }},
    };
    struct Reopen {
        const char* name;
        bool goesOn;
        bool moves;
        std::function<void()> run;
        bool removes = false;       // its write fails, with a box
        bool typedKeysOnly = false; // a row for the typed keys alone
    };
    // What the device that went had received of the source.
    std::string before;
    // The device goes while the line holds the write, and the port closes; another
    // device takes its place and the user opens the port.
    const auto removeDevice = [&](const std::function<void()>& failFirst) {
        terminal->Clear1Click();
        bench.Far().Vanish();
        failFirst();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return terminal->teksti->screenText().contains("Serial port restarted"); }, 3000));
        QTest::qWait(20);
        bench.ReplaceFar();
        if (bench.Virtual())
            bench.Virtual()->SetPacing(true);
        terminal->openport1Click();
    };
    const Reopen reopens[] = {
        {"failed wait", true, false,
         [&] {
             terminal->Clear1Click();
             waitsFail(true);
             ASSERT_TRUE(QTest::qWaitFor(
                 [&] { return terminal->teksti->screenText().contains("Serial port restarted"); }, 3000));
             waitsFail(false);
             QTest::qWait(100);
         }},
        {"close and open", false, false,
         [&] {
             terminal->closeport1Click();
             terminal->openport1Click();
         }},
        {"settings on the same port", true, false, [&] { SettingsOk(PortBench::kComNumber); }},
        {"settings with a move", false, true, [&] { SettingsOk(PortBench::kOtherComNumber); }},
        {"layout load", true, false, [&] { terminal->loadTerminalSettings(layout, "Window number 0"); }},
        {"device removed, its write failing first", false, false,
         [&] { removeDevice([&] { port().kirjoitus_odota(); }); }, true},
        {"device removed, its wait failing first", false, false,
         [&] {
             removeDevice(
                 [&] { port().WndProc(WM_COMM_WAIT_FAILED, CommPostWParam(port().OpenCount(), 0), 0); });
         },
         true},
        // Paced at 300 baud, a key takes 33 ms on the line: the device goes after
        // some keys have reached it and while the write of the others is on its way.
        {"device removed as its keys go", false, false,
         [&] {
             port().vaihda_bitti_nop(br___300);
             hold(false);
             const size_t some = bench.Virtual() ? 2 : sources[0].data.size();
             static_cast<void>(QTest::qWaitFor(
                 [&] {
                     before += bench.Far().ReadFor(1, 2ms);
                     return before.size() >= some;
                 },
                 1000));
             removeDevice([&] {
                 before += bench.Far().ReadFor(4096, 1ms);
                 port().kirjoitus_odota();
             });
         },
         true, true},
        {"hand-back", false, false,
         [&] {
             terminal->closePort();
             terminal->setPortLent(true);
             terminal->showPortState();
             QTest::qWait(20);
             terminal->setPortLent(false);
             terminal->openPort(true);
             terminal->showPortState();
         }},
    };
    for (const Reopen& reopen : reopens)
        for (const Source& source : sources)
            for (int buffer : {1, 7, 10240}) {
                if (reopen.typedKeysOnly && &source != &sources[0])
                    continue;
                const std::string row =
                    std::string(reopen.name) + ", " + source.name + ", TX buffer " + std::to_string(buffer);
                const bool repeat = source.data == pings;
                before.clear();
                port().vaihda_bitti_nop(br_38400);
                port().vaihda_tx_size(buffer);
                terminal->saveTerminalSettings(layout, "Window number 0");
                hold(true);
                QPointer<TLahetys> transmit;
                if (source.usesTransmitWindow) {
                    terminal->Lhetys1Click();
                    transmit = qobject_cast<TLahetys*>(terminal->transmitWindow.data());
                    // A repeat starts once the window has introduced itself.
                    QTest::qWait(repeat ? TLahetys::kFirstTickMs + 20 : 0);
                }
                source.start(transmit);
                QTest::qWait(10);
                reopen.run();
                // An event that ends the repeat has ended it before the window
                // reads of it: its timer, due then, would send on the port open again.
                if (repeat) {
                    EXPECT_EQ(transmit->SendingActive(), reopen.goesOn) << row;
                }
                hold(false);
                if (repeat) {
                    // A repeat that goes on sends its line again; one that ended sends
                    // nothing more in the time a second line would take.
                    if (reopen.goesOn)
                        static_cast<void>(QTest::qWaitFor(
                            [&] {
                                before += bench.Far().ReadFor(4096, 1ms);
                                return before.size() >= 8;
                            },
                            5000));
                    else
                        QTest::qWait(250);
                    if (transmit->SendingActive())
                        transmit->PeruutaClick();
                }
                // Typed keys outlive every reopen but a move.
                const bool typed = &source == &sources[0];
                const bool whole = !repeat && (reopen.goesOn || (typed && !reopen.moves));
                const std::string line =
                    before + Drain(bench.Far(), whole ? source.data.size() - before.size() : SIZE_MAX);
                EXPECT_EQ(line, whole ? source.data : source.data.substr(0, line.size())) << row;
                EXPECT_TRUE(!repeat || (line.size() >= 8) == reopen.goesOn) << row << ": " << line;
                // Only what is typed after a move reaches the other device.
                EXPECT_EQ(other.ReadFor(4096, 10ms), "") << row;
                QTest::keyClick(terminal->teksti, Qt::Key_Z);
                EXPECT_EQ(Drain(reopen.moves ? other : bench.Far(), 1), "z") << row;
                // The transmit window names, and keeps its options under, the
                // port its terminal is on.
                const int com = reopen.moves ? PortBench::kOtherComNumber : PortBench::kComNumber;
                if (transmit) {
                    EXPECT_EQ(transmit->windowTitle().toStdString(),
                              "Transmit window COM" + std::to_string(com) + ":")
                        << row;
                    transmit->close();
                }
                if (reopen.moves) {
                    SettingsOk(PortBench::kComNumber);
                    hold(false);
                }
                for (const std::string& box : boxes.texts())
                    EXPECT_TRUE(reopen.removes && box.starts_with("Write failed on ComPort COM7!"))
                        << row << box;
                boxes.clear();
            }
}

// A command file's escape line reaches the modem whole, with its pauses,
// whatever the user does meanwhile: a paste, a key script or a key mirrored from
// another terminal (typed into the screen as the user's keys are) after its
// first character goes out after its last, once. On a held line the escape
// waits whole, and so does a key typed then.
TEST_P(WriteEndTest, AnEscapeLineIsWholeWhateverElseGoesOn) {
    main.factory_mode = true;
    const TempFolder folder;
    std::ofstream(folder.file("commands.txt"), std::ios::binary) << "+++\r\n";
    struct Row {
        const char* name;
        bool held;
        std::string given;
        std::function<void()> give;
    };
    const Row rows[] = {
        {"typed key on a held line", true, "k", [&] { QTest::keyClick(terminal->teksti, Qt::Key_K); }},
        {"paste", false, "pasted",
         [&] {
             QApplication::clipboard()->setText("pasted");
             terminal->Liit1Click();
         }},
        {"key script", false, "S1-text", [&] { terminal->QueueSend("S1-text", true); }},
        {"mirrored key", false, "m", [&] { terminal->typeMirroredKey('m'); }},
    };
    terminal->Lhetys1Click();
    QPointer<TLahetys> transmit = qobject_cast<TLahetys*>(terminal->transmitWindow.data());
    QTest::qWait(TLahetys::kFirstTickMs + 20);
    transmit->lahde->setItemIndex(TLahetys::CommandSource);
    transmit->SelectFile(folder.file("commands.txt"));
    for (const Row& row : rows) {
        hold(row.held);
        transmit->LahetaClick(true);
        std::string line;
        std::vector<std::chrono::steady_clock::time_point> arrivals;
        const auto read = [&](std::chrono::milliseconds timeout) {
            for (const char c : bench.Far().ReadFor(1, timeout)) {
                line += c;
                arrivals.push_back(std::chrono::steady_clock::now());
            }
        };
        if (!row.held)
            read(1000ms); // the first '+'
        QTest::qWait(30);
        row.give();
        hold(false);
        const std::string expected = "+++" + row.given;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                read(2ms);
                return line.size() >= expected.size();
            },
            3000));
        line += bench.Far().ReadFor(4096, 20ms); // nothing more, nothing twice
        EXPECT_EQ(line, expected) << row.name;
        // The pauses themselves are measured in the send queue's own test: at the
        // far end a late first character would shorten them.
        ASSERT_GE(arrivals.size(), 3u) << row.name;
        EXPECT_GE(arrivals[2] - arrivals[0], 100ms) << row.name;
        EXPECT_TRUE(transmit->Laheta->isEnabled()) << row.name;
    }
    EXPECT_TRUE(boxes.texts().empty());
    transmit->close();
}

// A move to a port another program holds: while the box says it could not be
// opened, the terminal names the new port and shows it closed.
TEST_P(WriteEndTest, AMoveToAPortThatWillNotOpenShowsThatPortClosed) {
    main.com_list = "COM7,COM8";
    bench.Other();
    const HANDLE holder = CreateFile("\\\\.\\COM8", 0);
    if (holder == INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "COM8 cannot be held";
    std::string captionAtBox;
    bool looksOpenAtBox = true;
    SetMessageBoxResponder([&](const MessageBoxRequest&) {
        captionAtBox = terminal->windowTitle().toStdString();
        looksOpenAtBox = terminal->closePortItemShown();
        QTimer::singleShot(0, &dialog, [&] { dialog.PeruutaClick(); });
        return IDOK;
    });
    SettingsOk(PortBench::kOtherComNumber);
    EXPECT_EQ(captionAtBox.substr(0, 5), "COM8:");
    EXPECT_FALSE(looksOpenAtBox);
    CloseHandle(holder);
}

INSTANTIATE_TEST_SUITE_P(Backends, WriteEndTest, testing::Values(Backend::Virtual, Backend::Pty),
                         [](const testing::TestParamInfo<Backend>& info) { return BackendName(info.param); });

} // namespace
