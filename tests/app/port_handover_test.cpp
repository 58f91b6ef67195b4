#include "app/port_handover.h"
#include "app/power_events.h"

#include <gtest/gtest.h>

namespace {

class FakeTerminal : public HandoverTerminal {
public:
    // opensAt: the attempt (counted from 1) at which the port opens; 0 never.
    FakeTerminal(int port, bool open, int opensAt = 1) : port_(port), open_(open), opensAt_(opensAt) {
        closeItem = open;
    }

    int portNumber() const override { return port_; }
    bool portOpen() const override { return open_; }
    void openPort(bool quiet) override {
        quietAttempts += quiet ? 1 : 0;
        loudAttempts += quiet ? 0 : 1;
        if (opensAt_ != 0 && quietAttempts + loudAttempts >= opensAt_)
            open_ = true;
    }
    void closePort() override { open_ = false; }
    void showPortState() override {
        shade = lent ? PortShade::Lent : open_ ? PortShade::Open : PortShade::Closed;
        closeItem = open_ || lent;
        transmitSuspended = !open_;
    }
    bool portLent() const override { return lent; }
    void setPortLent(bool isLent) override { lent = isLent; }
    bool closePortItemShown() const override { return closeItem; }
    void closePortCommand() override {
        open_ = false;
        closeItem = false;
        shade = PortShade::Closed;
    }
    void openPortCommand() override { openPort(false); }

    PortShade shade = PortShade::Open;
    bool closeItem;
    int quietAttempts = 0;
    int loudAttempts = 0;
    bool lent = false;
    bool transmitSuspended = false;

private:
    int port_;
    bool open_;
    int opensAt_;
};

class CountingClock : public HandoverClock {
public:
    void wait(int ms) override { waited += ms; }
    int waited = 0;
};

constexpr int kCom4 = 3;
constexpr int kCom5 = 4;

TEST(PortHandover, LendingCom4LeavesCom5AloneAndAUserClosedPortClosed) {
    FakeTerminal first(kCom4, true), second(kCom4, true), other(kCom5, true);
    FakeTerminal userClosed(kCom4, false);
    const HandoverTerminals terminals{&first, &second, &other, &userClosed};

    ReleaseTerminalPort(terminals, 4);
    for (FakeTerminal* lent : {&first, &second}) {
        EXPECT_FALSE(lent->portOpen());
        EXPECT_EQ(lent->shade, PortShade::Lent);
        EXPECT_TRUE(lent->transmitSuspended);
        EXPECT_TRUE(lent->closeItem); // still meant to be open
    }
    EXPECT_TRUE(other.portOpen());
    EXPECT_FALSE(other.transmitSuspended);

    RestoreTerminalPort(terminals, 4);
    for (FakeTerminal* lent : {&first, &second}) {
        EXPECT_TRUE(lent->portOpen());
        EXPECT_EQ(lent->shade, PortShade::Open);
        EXPECT_EQ(lent->loudAttempts, 1);
    }
    EXPECT_FALSE(userClosed.portOpen());
    EXPECT_EQ(userClosed.loudAttempts + userClosed.quietAttempts, 0);
    EXPECT_EQ(other.loudAttempts + other.quietAttempts, 0);
}

TEST(PortHandover, ResumeRetriesQuietlyAndOnlyTheSixthRetryShowsABox) {
    FakeTerminal thirdRetry(kCom4, true, 4), never(kCom5, true, 0);
    const HandoverTerminals terminals{&thirdRetry, &never};
    CloseAllTerminalPorts(terminals);
    for (FakeTerminal* terminal : {&thirdRetry, &never}) {
        EXPECT_FALSE(terminal->portOpen());
        EXPECT_EQ(terminal->shade, PortShade::Closed);
        EXPECT_TRUE(terminal->transmitSuspended);
        EXPECT_FALSE(terminal->closeItem);
    }

    CountingClock clock;
    ReopenAllTerminalPorts(terminals, true, clock, true);
    EXPECT_TRUE(thirdRetry.portOpen());
    EXPECT_EQ(thirdRetry.quietAttempts, 4);
    EXPECT_EQ(thirdRetry.loudAttempts, 0);
    EXPECT_EQ(thirdRetry.shade, PortShade::Open);
    EXPECT_TRUE(thirdRetry.closeItem);
    EXPECT_FALSE(thirdRetry.transmitSuspended);

    EXPECT_FALSE(never.portOpen());
    EXPECT_EQ(never.quietAttempts, 6);
    EXPECT_EQ(never.loudAttempts, 1); // the one box
    EXPECT_EQ(never.shade, PortShade::Closed);
    EXPECT_FALSE(never.closeItem);
    EXPECT_TRUE(never.transmitSuspended);

    // 8 s to settle, 0.8 s before and 0.1 s after each first attempt, 0.2 s per retry.
    EXPECT_EQ(clock.waited, 8000 + 2 * 900 + (3 + 6) * 200);
}

TEST(PortHandover, OpenAllGivesEachPortOneQuietAttemptWithoutWaitingToSettle) {
    FakeTerminal opens(kCom4, false), fails(kCom5, false, 2);
    CountingClock clock;
    ReopenAllTerminalPorts({&opens, &fails}, false, clock, true);
    EXPECT_TRUE(opens.portOpen());
    EXPECT_FALSE(fails.portOpen());
    EXPECT_EQ(fails.quietAttempts, 1);
    EXPECT_EQ(fails.loudAttempts, 0);
    EXPECT_EQ(fails.shade, PortShade::Closed);
    EXPECT_EQ(clock.waited, 2 * 100);

    // A resume waits for the machine to settle while any window is open.
    CountingClock idle;
    ReopenAllTerminalPorts({}, true, idle, false);
    EXPECT_EQ(idle.waited, 0);
    CountingClock designerOnly;
    ReopenAllTerminalPorts({}, true, designerOnly, true);
    EXPECT_EQ(designerOnly.waited, 8000);
}

TEST(PortHandover, DeviceNamesGiveTheirPortIndex) {
    EXPECT_EQ(DevicePortIndex("COM7"), 6);
    EXPECT_EQ(DevicePortIndex("COM12"), 11);
    for (const char* name : {"COM", "COMx", "COM7a", "LPT1", "com7", "COM99999999999"})
        EXPECT_EQ(DevicePortIndex(name), -1) << name;
}

TEST(PortEvents, DeviceNodeMapsToEveryComNumberNamingIt) {
    const PortDevices ports{
        {3, "/dev/ttyS2"}, {7, "/dev/ttyUSB0"}, {9, "/dev/ttyUSB0"}, {10, "/dev/ttyUSB1"}};
    EXPECT_EQ(ComNumbersOfDevice(ports, "/dev/ttyUSB0"), (std::vector<int>{7, 9}));
    EXPECT_TRUE(ComNumbersOfDevice(ports, "/dev/ttyACM0").empty());
}

} // namespace
