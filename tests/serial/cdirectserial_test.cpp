#include "serial/cdirectserial.h"

#include "port_backends.h"
#include "sim/sim_clock.h"
#include "support/message_box_recorder.h"

#include <gtest/gtest.h>
#include <thread>

namespace {
class DirectSerialTest : public testing::Test {
protected:
    MessageBoxRecorder boxes;
    PortBench bench{Backend::Virtual};
    VirtualPort& far = *bench.Virtual();
    CDirectSerial serial;
};
} // namespace

TEST_F(DirectSerialTest, OpensWithTheRequestedSettingsAndLines) {
    ASSERT_TRUE(serial.Open(PortBench::kComNumber, 115200, 8, 0));
    const DCB dcb = far.NearSettings();
    EXPECT_EQ(dcb.BaudRate, 115200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_FALSE(dcb.fOutX);
    EXPECT_TRUE(far.Dtr());
    EXPECT_FALSE(far.Rts());
    EXPECT_FALSE(serial.Open(PortBench::kComNumber, 9600, 8, 0)) << "already open";
    EXPECT_EQ(far.NearSettings().BaudRate, 115200u);
}

TEST_F(DirectSerialTest, FlowModesAndRatesOutsideTheTablesFallBack) {
    ASSERT_TRUE(serial.Open(PortBench::kComNumber, 300, 7, 2));
    EXPECT_EQ(far.NearSettings().BaudRate, 9600u);
    EXPECT_EQ(far.NearSettings().ByteSize, 7);
    EXPECT_TRUE(far.NearSettings().fOutX);
    serial.SetBaudRate(19200);
    EXPECT_EQ(far.NearSettings().BaudRate, 9600u);
    serial.SetBaudRate(256000);
    EXPECT_EQ(far.NearSettings().BaudRate, 256000u);
    serial.Close();
    ASSERT_TRUE(serial.Open(PortBench::kComNumber, 57600, 8, 1));
    EXPECT_TRUE(far.NearSettings().fOutxCtsFlow);
}

TEST_F(DirectSerialTest, ReadWithTimeoutGathersLateBytesAndNeverTakesMore) {
    ASSERT_TRUE(serial.Open(PortBench::kComNumber, 9600, 8, 0));
    far.Write("1234");
    std::thread late([&] {
        std::this_thread::sleep_for(50ms);
        far.Write("567890ABC");
    });
    char buffer[16] = {};
    EXPECT_EQ(serial.ReadWithTimeout(buffer, 10, 2000), 10);
    late.join();
    EXPECT_EQ(std::string(buffer, 11), std::string("1234567890") + '\0');
    EXPECT_EQ(serial.Read(buffer, 16), 3);
    EXPECT_EQ(serial.ReadWithTimeout(buffer, 4, 0), 0);
}

TEST_F(DirectSerialTest, WritesGoOutWholeAndAClosedObjectDoesNothing) {
    char buffer[4];
    EXPECT_EQ(serial.Write("ab", 2), 0);
    EXPECT_EQ(serial.Read(buffer, 4), 0);
    EXPECT_FALSE(serial.DsrStatus());
    ASSERT_TRUE(serial.Open(PortBench::kComNumber, 38400, 8, 0));
    far.SetDsr(true);
    EXPECT_TRUE(serial.DsrStatus());
    EXPECT_EQ(serial.Write("\x01\xFE", 2), 2);
    EXPECT_TRUE(serial.Close());
    EXPECT_EQ(far.Read(), "\x01\xFE") << "closing after the last write loses nothing";
    EXPECT_FALSE(far.NearEndOpen());
    EXPECT_TRUE(serial.Close());
}

TEST_F(DirectSerialTest, AFailedOpenShowsThePortsBoxAndCanBeRetried) {
    EXPECT_FALSE(serial.Open(3, 9600, 8, 0));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Port COM3 doesn't exist or is already in use"});
    EXPECT_TRUE(serial.Open(PortBench::kComNumber, 9600, 8, 0));
}

// A caller that reports a gone device itself gets no box of the port, no purge box
// when it closes, and no read that waits out its time for bytes that cannot come.
TEST(DirectSerialGone, QuietCallerLearnsOfTheGoneDeviceAndWaitsNoLonger) {
    MessageBoxRecorder boxes;
    PortBench bench{Backend::Virtual};
    SimClock clock;
    CDirectSerial serial(clock);
    serial.SetGoneQuiet(true);
    ASSERT_TRUE(serial.Open(PortBench::kComNumber, 115200, 8, 0));
    EXPECT_FALSE(serial.DeviceGone());
    bench.Virtual()->Vanish();
    EXPECT_TRUE(serial.DeviceGone()) << "asked before any read or write";
    char bytes[4];
    const auto start = clock.Elapsed();
    EXPECT_EQ(serial.ReadWithTimeout(bytes, 4, 5000), 0);
    EXPECT_LT(clock.Elapsed() - start, std::chrono::milliseconds(5));
    EXPECT_EQ(serial.Write("\x55", 1), 0);
    EXPECT_TRUE(serial.Close());
    EXPECT_FALSE(serial.DeviceGone());
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(DirectSerialTest, WritesToAVanishedDeviceShowOneBox) {
    ASSERT_TRUE(serial.Open(PortBench::kComNumber, 115200, 8, 0));
    far.Vanish();
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(serial.Write("\x55", 1), 0);
    EXPECT_TRUE(serial.DeviceGone());
    EXPECT_TRUE(serial.Close());
    ASSERT_EQ(boxes.texts().size(), 1u) << "no purge box after it";
    EXPECT_EQ(boxes.texts()[0].rfind("Direct write error: ", 0), 0u);
}
