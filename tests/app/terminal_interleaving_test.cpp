// A seeded random walk through two real terminals on two peers (a paced virtual
// port and a pseudo-terminal): typed keys, pastes, scripts, the transmit window's
// text, file and command-file sends, Cancel, source changes, Settings moves
// between the peers, Close and Open port, failed event waits, loans and
// hand-backs, removals and arrivals, and lines held and released. After every
// step the bytes each peer received are checked: only sends and keys meant for
// that peer (that device, that plug-in), each send whole or an exact prefix of
// itself, keys once and in the order typed; and each terminal's screen tells its
// port's true state. A failure prints the seed and every step taken.
//
// The walk draws each step from the seed alone, so a seed replays its steps:
//     QUOVIX_INTERLEAVING_SEED=<seed> QUOVIX_INTERLEAVING_STEPS=<n> test_app
//     --gtest_filter='TerminalInterleaving*'
// The long walk (ctest label "random") runs only with QUOVIX_INTERLEAVING_STEPS
// set, from a fresh seed unless one is given.
#include "main_window_fixture.h"

#include "platform/device_broadcast.h"
#include "platform/portmap.h"
#include "platform/serial_comm.h"
#include "platform/virtual_port.h"
#include "serial/tquovixcommport.h"
#include "support/file_text.h"
#include "support/pseudo_terminal.h"
#include "terminal/tlahetys.h"
#include "terminal/tportinasetus.h"
#include "terminal/tscriptsetup.h"
#include "terminal/tterminaali.h"

#include <QApplication>
#include <QClipboard>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <array>
#include <filesystem>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <sstream>

namespace {

constexpr std::array<int, 2> kComs{4, 5}; // COM4 a virtual port, COM5 a pseudo-terminal
constexpr size_t kIdLength = 5;
constexpr int kLetters = 13;

// Every byte says whose it is: terminal t types the 13 lower-case letters from
// kFirstKey[t]; its sends are upper-case letters from kFirstData[t] (command lines
// end in CR LF), each opening with the terminal's marker and an id of its own.
constexpr std::array<char, 2> kFirstKey{'a', 'n'};
constexpr std::array<char, 2> kFirstData{'A', 'N'};
constexpr std::array<char, 2> kMarker{'<', '>'};
const QColor kWhite(Qt::white), kSilver(192, 192, 192), kGrey(128, 128, 128);

unsigned EnvNumber(const char* name, unsigned otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? static_cast<unsigned>(std::strtoul(value, nullptr, 10))
                                              : otherwise;
}

int OwnerIn(char c, const std::array<char, 2>& firsts, int span) {
    for (int t = 0; t < 2; ++t)
        if (c >= firsts[t] && c < firsts[t] + span)
            return t;
    return -1;
}

// One send as the user started it: for the device the terminal was on then.
struct Send {
    int peer;
    int generation;
    std::string bytes;
    int step;     // the step that started it, its place in the user's order; -1 for a timed send
    bool repeats; // a Continuous send goes out again and again
    int seen = 0;
};

// A key typed for a device goes there, also after the device was plugged in
// again: a close keeps the keys typed.
struct Key {
    char c;
    int peer;
    int step;               // the step that typed it
    bool mayBeLost = false; // pending when its device went or its terminal moved
    bool done = false;      // arrived, or lost where that may be
};

struct Peer {
    int com;
    std::unique_ptr<VirtualPort> port;
    std::unique_ptr<PseudoTerminal> pty;
    int generation = 0; // a removal and an arrival make a new device
    bool held = false;
    size_t releaseAt = 0; // the step after which the line is released
    std::string line;     // what this device received
    int owner = -1;       // the terminal whose send the open segment is
    std::string segment;
    bool counted = false;
    std::array<int, 2> lastStep{-1, -1};
    bool present() const { return port || pty; }
};

class TerminalInterleaving : public MainWindowTest {
protected:
    TerminalInterleaving() {
        main = open();
        main->SetHandoverClock(std::make_unique<NoWaitClock>());
        main->factory_mode = true;
        for (int p = 0; p < 2; ++p) {
            peers[p].com = kComs[p];
            plug(peers[p]);
        }
    }
    ~TerminalInterleaving() override {
        for (QPointer<Tterminaali>& terminal : terminals)
            delete terminal.data();
        main.reset();
    }

    void startTerminals(int buffer0, int buffer1) {
        const std::array<int, 2> buffers{buffer0, buffer1};
        for (int t = 0; t < 2; ++t) {
            Tterminaali* terminal = Tterminaali::CreateTerminal(nullptr, 0);
            terminal->CommPort1->setPortin_nro(static_cast<TPortnro>(kComs[t] - 1));
            terminal->CommPort1->vaihda_bitti_nop(br115200);
            terminal->CommPort1->vaihda_kattely(fcXONXOFF);
            terminal->CommPort1->vaihda_tx_size(buffers[t]);
            terminal->CommPort1->tila_hiljaa(true);
            terminal->ApplyOptions();
            terminal->showPortState();
            terminals[t] = terminal;
        }
        settle();
    }

    void plug(Peer& peer) {
        if (peer.com == kComs[0]) {
            peer.port = std::make_unique<VirtualPort>(peer.com);
            peer.port->SetPacing(true);
        } else {
            peer.pty = std::make_unique<PseudoTerminal>();
            peer.pty->LinkAs(PortsFolder(), peer.com);
        }
        peer.held = false;
    }

    static void settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        QTest::qWait(2);
    }

    int peerOf(int t) const {
        const int com = terminals[t]->portNumber() + 1;
        return com == kComs[0] ? 0 : com == kComs[1] ? 1 : -1;
    }
    Tterminaali* openOn(const Peer& peer) const {
        for (const QPointer<Tterminaali>& terminal : terminals)
            if (terminal->portOpen() && terminal->portNumber() + 1 == peer.com)
                return terminal;
        return nullptr;
    }

    // ---- what the user and the devices do ----

    std::string newData(int t, size_t size, const char* tail = "") {
        const int number = nextId[t]++;
        std::string data(1, kMarker[t]);
        for (int n = number; data.size() <= kIdLength; n /= kLetters)
            data += static_cast<char>(kFirstData[t] + n % kLetters);
        // The body varies from send to send without drawing on the generator,
        // whose draws stay the same whatever the state.
        for (size_t i = 0; data.size() < size; ++i)
            data += static_cast<char>(kFirstData[t] + (number * 7 + i * 5 + i / kLetters) % kLetters);
        return data + tail;
    }
    // Records a send the terminal starts now; none when its port is not open.
    void record(int t, const std::string& bytes, bool ordered, bool repeats) {
        if (terminals[t]->portOpen() && peerOf(t) >= 0) {
            const Peer& peer = peers[peerOf(t)];
            sends[t].emplace(bytes.substr(1, kIdLength),
                             Send{peerOf(t), peer.generation, bytes,
                                  ordered ? static_cast<int>(steps.size()) + 1 : -1, repeats});
        }
    }

    // A terminal types its letters in turn for each device, so that two keys
    // on their way to a device with the same letter are 13 keys apart.
    char typeKey(int t) {
        const bool open = terminals[t]->portOpen() && peerOf(t) >= 0;
        const int p = std::max(peerOf(t), 0);
        const char c = static_cast<char>(kFirstKey[t] + typedFor[t][p] % kLetters);
        if (open) {
            keys[t].push_back({c, p, static_cast<int>(steps.size()) + 1});
            ++typedFor[t][p];
        }
        QTest::keyClick(terminals[t]->teksti, static_cast<Qt::Key>(Qt::Key_A + c - 'a'));
        return c;
    }

    void paste(int t, size_t size) {
        const std::string data = newData(t, size);
        QApplication::clipboard()->setText(QString::fromLatin1(data));
        record(t, data, true, false);
        terminals[t]->Liit1Click();
    }

    void script(int t, size_t size) {
        const std::string data = newData(t, size);
        scripts->RichEdit1->setPlainText(QString::fromLatin1(data));
        record(t, data, true, false);
        QTest::keyClick(terminals[t]->teksti, Qt::Key_F1, Qt::ShiftModifier);
    }

    TLahetys* transmitWindow(int t) {
        auto* window = qobject_cast<TLahetys*>(terminals[t]->transmitWindow.data());
        if (window == nullptr) {
            terminals[t]->Lhetys1Click();
            (void)QTest::qWaitFor([&] { return terminals[t]->transmitWindow != nullptr; }, 2000);
            settle();
            window = qobject_cast<TLahetys*>(terminals[t]->transmitWindow.data());
        }
        return window;
    }

    // The transmit window sends from its chosen source: the box, a file or a
    // command file of three text lines, once or Continuous.
    std::string transmit(int t, size_t size, bool continuous) {
        TLahetys* window = transmitWindow(t);
        if (window == nullptr || !window->Laheta->isEnabled())
            return "busy";
        for (QCheckBox* option : {window->laskuri, window->lisa, window->mixed_text, window->CRC_text})
            option->setChecked(false);
        window->toisto->setChecked(continuous);
        window->aika_vali->setText("0.2");
        const std::string file = folder.file("transmit" + std::to_string(t));
        std::string what;
        if (window->SourceIndex() == TLahetys::CommandSource) {
            std::string lines;
            for (int i = 0; i < 3; ++i) {
                const std::string line = newData(t, size / 8 + 6, "\r\n");
                lines += line;
                record(t, line, false, false);
            }
            WriteFileText(file, lines);
            window->SelectFile(file);
            what = "command file";
        } else {
            const std::string data = newData(t, size);
            record(t, data, !continuous, continuous);
            if (window->SourceIndex() == TLahetys::TextSource) {
                window->SetBoxText(data);
                what = "text " + data.substr(0, 6);
            } else {
                WriteFileText(file, data);
                window->SelectFile(file);
                what = "file " + data.substr(0, 6);
            }
        }
        window->LahetaClick(true);
        return what + (continuous ? " continuous" : "");
    }

    // Settings on the terminal, OK with the port of the given peer chosen; the
    // dialog shown again (the port would not open) is cancelled.
    std::string settings(int t, int p) {
        Tportinasetus dialog(main.get());
        const QString port = QStringLiteral("COM%1").arg(kComs[p]);
        int shown = 0;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (!dialog.isVisible())
                return;
            const int index = static_cast<int>(dialog.portinnro->items().indexOf(port));
            if (shown++ > 0 || index < 0)
                return dialog.PeruutaClick();
            if (peerOf(t) != p)
                forgivePending(t);
            dialog.portinnro->setItemIndex(index);
            dialog.OKClick();
        });
        answer.start(5);
        terminals[t]->Asetukset2->trigger();
        return shown > 1 ? "would not open" : "";
    }

    // Keys still on their way when their device goes or their terminal moves
    // may be lost: a move drops them.
    void forgivePending(int t) {
        for (Key& key : keys[t])
            key.mayBeLost |= !key.done;
    }

    void failWaits(int t) {
        if (peerOf(t) < 0 || !peers[peerOf(t)].present())
            return;
        Peer& peer = peers[peerOf(t)];
        const auto fail = [&](bool on) {
            if (peer.port)
                peer.port->SetWaitsFail(on);
            else
                SetEventWaitsFailForTests(peer.pty->SlavePath(), on);
        };
        fail(true);
        QTest::qWait(25);
        fail(false);
    }

    void hold(Peer& peer, bool on) {
        if (!peer.present() || (peer.pty && peer.held == on))
            return;
        if (peer.pty) {
            peer.pty->Write(on ? "\x13" : "\x11");
        } else if (Tterminaali* terminal = openOn(peer)) {
            EscapeCommFunction(terminal->CommPort1->Handle(), on ? SETXOFF : SETXON);
        }
        peer.held = on;
    }

    void remove(Peer& peer) {
        if (!peer.present())
            return;
        drain(peer);
        closeSegment(peer);
        for (int t = 0; t < 2; ++t)
            if (peerOf(t) == &peer - peers.data())
                forgivePending(t);
        std::filesystem::remove(std::filesystem::path(PortsFolder()) / ("com" + std::to_string(peer.com)));
        peer.port.reset();
        peer.pty.reset();
        peer.line.clear();
        ++peer.generation;
        PostDeviceChange(main.get(), DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_PORT,
                         "COM" + std::to_string(peer.com));
    }

    void arrive(Peer& peer) {
        if (peer.present())
            return;
        plug(peer);
        PostDeviceChange(main.get(), DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT, "COM" + std::to_string(peer.com));
    }

    static void offered(QAction* command) {
        if (command->isVisible())
            command->trigger();
    }

    // One step, drawn from the generator alone so that a seed replays its steps
    // whatever the program did; a held line is released after a few steps.
    enum Action {
        Type,
        Paste,
        Script,
        Transmit,
        Source,
        Cancel,
        Settings,
        ClosePort,
        OpenPort,
        FailWaits,
        Lend,
        HandBack,
        Remove,
        Arrive,
        Hold,
        ReopenAll,
        Wait,
        kActions
    };
    // How often each action is drawn, in shares of the whole.
    static constexpr std::array<int, kActions> kShares{12, 2, 2, 3, 1, 2, 1, 1, 2, 1, 1, 2, 1, 2, 2, 1, 1};
    struct Draw {
        Action action;
        int t, p, source;
        size_t size;
        bool continuous;
        int heldSteps;
    };
    Draw draw() {
        Draw d{};
        d.t = static_cast<int>(rng() % 2);
        d.p = static_cast<int>(rng() % 2);
        d.size = rng() % 10 == 0 ? 1000 + rng() % 2500 : 8 + rng() % 300;
        d.source = static_cast<int>(rng() % 3);
        d.continuous = rng() % 5 == 0;
        d.heldSteps = 1 + static_cast<int>(rng() % 6);
        int share = static_cast<int>(rng() % std::accumulate(kShares.begin(), kShares.end(), 0u));
        d.action = Type;
        while (share >= kShares[d.action])
            share -= kShares[d.action], d.action = static_cast<Action>(d.action + 1);
        return d;
    }

    // Does a step; what it did, for the list.
    std::string act(const Draw& d) {
        const int t = d.t;
        Peer& peer = peers[d.p];
        const std::string who = "T" + std::to_string(t) + " ";
        const std::string com = "COM" + std::to_string(peer.com) + " ";
        switch (d.action) {
        case Type:
            return who + "types " + typeKey(t);
        case Paste:
            paste(t, d.size);
            return who + "pastes " + std::to_string(d.size);
        case Script:
            script(t, d.size);
            return who + "Shift+F1 script " + std::to_string(d.size);
        case Transmit:
            return who + "transmit window Send: " + transmit(t, d.size, d.continuous);
        case Source:
            if (TLahetys* window = transmitWindow(t))
                window->lahde->setItemIndex(d.source);
            return who + "source " + std::to_string(d.source);
        case Cancel:
            if (TLahetys* window = transmitWindow(t))
                window->PeruutaClick();
            return who + "Cancel";
        case Settings:
            return who + "Settings OK on " + com + settings(t, d.p);
        case ClosePort:
            offered(terminals[t]->closeport1);
            return who + "Close port";
        case OpenPort:
            offered(terminals[t]->openport1);
            return who + "Open port";
        case FailWaits:
            failWaits(t);
            return who + "event waits fail";
        case Lend:
            main->ReleaseTerminalPort(peer.com);
            return com + "lent";
        case HandBack:
            main->RestoreTerminalPort(peer.com);
            return com + "handed back";
        case Remove:
            remove(peer);
            return com + "removed";
        case Arrive:
            arrive(peer);
            return com + "arrives";
        case Hold:
            hold(peer, true);
            peer.releaseAt = steps.size() + static_cast<size_t>(d.heldSteps);
            return com + "held for " + std::to_string(d.heldSteps) + " steps";
        case ReopenAll:
            // As a layout load does: every port closed and opened again in one go.
            main->CloseAllTerminalPorts();
            main->ReopenAllTerminalPorts(false);
            return "Close all and Open all";
        case Wait:
        case kActions:
            break;
        }
        QTest::qWait(static_cast<int>(d.size % 200));
        return "wait " + std::to_string(d.size % 200) + " ms";
    }

    // ---- what the peers received ----

    void fault(const std::string& what) {
        if (faultText.empty())
            faultText = what;
    }

    void drain(Peer& peer) {
        std::string bytes;
        if (peer.port)
            bytes = peer.port->Read();
        else if (peer.pty)
            bytes = peer.pty->ReadFor(1 << 16, std::chrono::milliseconds(2)); // 1 ms would not poll
        for (char c : bytes)
            take(peer, c);
        peer.line += bytes;
        checkSegment(peer);
    }

    void take(Peer& peer, char c) {
        if (const int t = OwnerIn(c, kFirstKey, kLetters); t >= 0) {
            closeSegment(peer);
            takeKey(peer, t, c);
        } else if (const int marked = OwnerIn(c, kMarker, 1); marked >= 0) {
            closeSegment(peer);
            peer.owner = marked;
            peer.segment = c;
        } else if (peer.owner < 0) {
            fault(
                describe(peer, "a byte of no send (" + std::to_string(static_cast<unsigned char>(c)) + ")"));
        } else {
            peer.segment += c;
        }
    }

    std::string describe(const Peer& peer, const std::string& what) const {
        return "COM" + std::to_string(peer.com) + ": " + what + " after " + std::to_string(peer.line.size()) +
               " bytes; the last: \"" +
               peer.line.substr(peer.line.size() - std::min<size_t>(peer.line.size(), 60)) + "\"";
    }

    // Each key arrives where and in the order it was typed; a key passed over is
    // lost, which only a key that may be lost may be. Such a key typed before
    // what the device already has is taken as lost rather than as this key.
    void takeKey(Peer& peer, int t, char c) {
        const int p = static_cast<int>(&peer - peers.data());
        for (Key& key : keys[t]) {
            if (key.done || key.peer != p)
                continue;
            key.done = true;
            if (key.c == c && !(key.mayBeLost && key.step < peer.lastStep[t]))
                return inOrder(peer, t, key.step, std::string("key ") + c);
            if (!key.mayBeLost)
                return fault(describe(peer, std::string("key ") + c + " came where " + key.c + " of step " +
                                                std::to_string(key.step) + " was due"));
        }
        fault(describe(peer, std::string("key ") + c + " that was not typed for this device"));
    }

    void inOrder(Peer& peer, int t, int step, const std::string& what) {
        if (step < peer.lastStep[t])
            fault(describe(peer, what + " of step " + std::to_string(step) + " came after step " +
                                     std::to_string(peer.lastStep[t]) + "'s"));
        peer.lastStep[t] = step;
    }

    // The open segment is an exact prefix of a send meant for this device.
    void checkSegment(Peer& peer) {
        if (peer.owner < 0 || peer.segment.size() <= kIdLength)
            return;
        const auto found = sends[peer.owner].find(peer.segment.substr(1, kIdLength));
        const int p = static_cast<int>(&peer - peers.data());
        if (found == sends[peer.owner].end() || found->second.peer != p ||
            found->second.generation != peer.generation)
            return fault(
                describe(peer, "a send meant for another device or none: " + peer.segment.substr(0, 12)));
        Send& send = found->second;
        if (send.bytes.compare(0, peer.segment.size(), peer.segment) != 0)
            return fault(describe(
                peer,
                "send " + peer.segment.substr(0, 6) +
                    " is not a prefix of itself: " + std::to_string(peer.segment.size()) + " bytes of " +
                    std::to_string(send.bytes.size()) + ", from byte " +
                    std::to_string(
                        std::mismatch(peer.segment.begin(), peer.segment.end(), send.bytes.begin()).first -
                        peer.segment.begin())));
        if (peer.counted)
            return;
        peer.counted = true;
        if (++send.seen > 1 && !send.repeats)
            fault(describe(peer, "send " + peer.segment.substr(0, 6) + " went out twice"));
        if (send.step >= 0)
            inOrder(peer, peer.owner, send.step, "send " + peer.segment.substr(0, 6));
    }

    void closeSegment(Peer& peer) {
        checkSegment(peer);
        peer.owner = -1;
        peer.segment.clear();
        peer.counted = false;
    }

    // ---- what the screens show ----

    void checkScreens() {
        for (int t = 0; t < 2; ++t) {
            Tterminaali* terminal = terminals[t];
            const bool open = terminal->portOpen();
            const QColor shade = terminal->teksti->palette().color(QPalette::Base);
            const QColor expected = open ? kWhite : terminal->portLent() ? kGrey : kSilver;
            const std::string name =
                "T" + std::to_string(t) + " on COM" + std::to_string(terminal->portNumber() + 1);
            if (shade != expected)
                fault(name + ": the screen's shade " + shade.name().toStdString() + " for a port " +
                      (open                   ? "open"
                       : terminal->portLent() ? "lent"
                                              : "closed"));
            if (terminal->closeport1->isVisible() != (open || terminal->portLent()))
                fault(name + ": the pop-up menu offers the wrong port command");
            if (const int p = peerOf(t); open && p >= 0 && peers[p].port && !peers[p].port->NearEndOpen())
                fault(name + ": shown open on a device that is closed");
            const auto* window = qobject_cast<TLahetys*>(terminal->transmitWindow.data());
            if (!open && window != nullptr && window->SendingActive())
                fault(name + ": the transmit window goes on sending to a port that is not open");
            if (window != nullptr &&
                !window->windowTitle().startsWith(
                    QStringLiteral("Transmit window COM%1:").arg(terminal->portNumber() + 1)))
                fault(name + ": its transmit window reads \"" + window->windowTitle().toStdString() + "\"");
        }
        if (Peer& peer = peers[0]; peer.port && peer.port->NearEndOpen() && openOn(peer) == nullptr)
            fault("COM4 is open but no terminal shows it open");
    }

    // The walk; each step is followed by the checks. False on the first fault.
    bool walk(unsigned count) {
        for (unsigned n = 0; n < count && faultText.empty(); ++n) {
            const Draw d = draw();
            steps.push_back(skipped.count(static_cast<int>(n) + 1) ? "skipped" : act(d));
            for (Peer& peer : peers)
                if (peer.releaseAt == steps.size()) {
                    hold(peer, false);
                    steps.back() += ", COM" + std::to_string(peer.com) + " released";
                }
            settle();
            steps.back() += " | " + where(0) + ", " + where(1);
            for (Peer& peer : peers)
                drain(peer);
            checkScreens();
        }
        return faultText.empty();
    }

    std::string where(int t) const {
        const Tterminaali* terminal = terminals[t];
        return "T" + std::to_string(t) + " COM" + std::to_string(terminal->portNumber() + 1) +
               (terminal->portOpen()   ? " open"
                : terminal->portLent() ? " lent"
                                       : " closed");
    }

    // Lines released, devices back, loans ended, repeats stopped and ports
    // opened: every key typed for a device its terminal is open on has arrived.
    void finish() {
        for (Peer& peer : peers) {
            hold(peer, false);
            arrive(peer);
            settle();
            for (int loans = 0; loans < 3; ++loans)
                main->RestoreTerminalPort(peer.com);
        }
        for (int t = 0; t < 2; ++t) {
            if (auto* window = qobject_cast<TLahetys*>(terminals[t]->transmitWindow.data());
                window && window->SendingActive())
                window->PeruutaClick();
            offered(terminals[t]->openport1);
        }
        for (int i = 0; i < 40; ++i) {
            QTest::qWait(10);
            for (Peer& peer : peers)
                drain(peer);
        }
        for (Peer& peer : peers)
            closeSegment(peer);
        for (int t = 0; t < 2; ++t)
            for (const Key& key : keys[t])
                if (!key.done && !key.mayBeLost && terminals[t]->portOpen() && peerOf(t) == key.peer)
                    fault(std::string("T") + std::to_string(t) + ": key " + key.c + " typed at step " +
                          std::to_string(key.step) + " never arrived");
    }

    std::string report(unsigned seed) const {
        std::ostringstream text;
        text << faultText << "\n";
        for (const Peer& peer : peers)
            text << "COM" << peer.com << " received " << peer.line.size() << " bytes, the last: \""
                 << peer.line.substr(peer.line.size() - std::min<size_t>(peer.line.size(), 80)) << "\"\n";
        text << "seed " << seed << ", " << steps.size() << " steps (replay: QUOVIX_INTERLEAVING_SEED=" << seed
             << " QUOVIX_INTERLEAVING_STEPS=" << steps.size() << "):\n";
        for (size_t i = 0; i < steps.size(); ++i)
            text << "  " << i + 1 << ". " << steps[i] << "\n";
        return text.str();
    }

    std::mt19937 rng;
    std::array<Peer, 2> peers;
    std::array<QPointer<Tterminaali>, 2> terminals;
    std::unique_ptr<TScriptSetup> scripts = std::make_unique<TScriptSetup>();
    std::unique_ptr<TPohjafrm> main;
    std::array<std::map<std::string, Send>, 2> sends;
    std::array<std::vector<Key>, 2> keys;
    std::array<int, 2> nextId{0, 0};
    std::array<std::array<int, 2>, 2> typedFor{}; // keys typed by a terminal for a device
    std::vector<std::string> steps;
    std::set<int> skipped; // steps drawn but not done, to cut a failing walk down
    std::string faultText;
};

TEST_F(TerminalInterleaving, EveryPeerGetsOnlyItsOwnWholeOrPrefixSendsAndKeysInOrder) {
    const bool longWalk = std::getenv("QUOVIX_INTERLEAVING_LONG") != nullptr;
    const unsigned count = EnvNumber("QUOVIX_INTERLEAVING_STEPS", longWalk ? 0 : 2500);
    if (count == 0)
        GTEST_SKIP() << "the long walk runs with QUOVIX_INTERLEAVING_STEPS set";
    const unsigned seed = EnvNumber("QUOVIX_INTERLEAVING_SEED", longWalk ? 0 : 1);
    const unsigned used = seed != 0 ? seed : std::random_device()();
    rng.seed(used);
    // QUOVIX_INTERLEAVING_SKIP="3-80,85" leaves those steps out of a replay.
    std::istringstream skip(std::getenv("QUOVIX_INTERLEAVING_SKIP") ? std::getenv("QUOVIX_INTERLEAVING_SKIP")
                                                                    : "");
    for (std::string range; std::getline(skip, range, ',');) {
        const size_t dash = range.find('-');
        const int first = std::atoi(range.c_str());
        for (int n = first; n <= (dash == std::string::npos ? first : std::atoi(range.c_str() + dash + 1));
             ++n)
            skipped.insert(n);
    }
    startTerminals(rng() % 3 == 0 ? 1 : 7, rng() % 2 == 0 ? 10240 : 7);
    if (walk(count))
        finish();
    EXPECT_EQ(faultText, "") << report(used);
}

} // namespace
