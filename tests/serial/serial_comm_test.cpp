// The serial calls, run against both kinds of port where the behaviour is common
// to them, and against virtual ports for what a pseudo-terminal cannot do
// (modem lines, line errors, pacing).
#include "platform/serial_comm.h"
#include "port_backends.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

const std::string kPortName = "\\\\.\\COM7";

struct OpenPort {
    explicit OpenPort(DWORD baud, DWORD flags = FILE_FLAG_OVERLAPPED) {
        handle = CreateFile(kPortName, flags);
        if (handle == INVALID_HANDLE_VALUE)
            return;
        DCB dcb;
        GetCommState(handle, &dcb);
        dcb.BaudRate = baud;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fOutX = dcb.fInX = false;
        ok = SetCommState(handle, &dcb);
        COMMTIMEOUTS timeouts;
        timeouts.ReadIntervalTimeout = MAXDWORD;
        SetCommTimeouts(handle, &timeouts);
        event = CreateEvent(true, false);
        overlapped.hEvent = event;
    }
    ~OpenPort() {
        CloseHandle(handle);
        CloseHandle(event);
    }
    // Waits for the next events of the mask; 0 when none came in time.
    DWORD NextEvents(std::chrono::milliseconds timeout = 2000ms) {
        DWORD events = 0;
        if (WaitCommEvent(handle, &events, &overlapped))
            return events;
        if (GetLastError() != ERROR_IO_PENDING)
            return 0;
        if (WaitForSingleObject(event, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
            CancelIo(handle);
            return 0;
        }
        DWORD unused = 0;
        return GetOverlappedResult(handle, &overlapped, &unused, false) ? events : 0;
    }
    std::string ReadAll() {
        std::string bytes(8192, '\0');
        DWORD read = 0;
        ReadFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        bytes.resize(read);
        return bytes;
    }
    std::string ReadUntil(size_t count, std::chrono::milliseconds timeout = 2000ms) {
        std::string bytes;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
            bytes += ReadAll();
            std::this_thread::sleep_for(1ms);
        }
        return bytes;
    }
    bool WriteAndWait(const std::string& bytes) {
        OVERLAPPED writeRecord;
        writeRecord.hEvent = CreateEvent(true, false);
        DWORD written = 0;
        bool done = WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, &writeRecord);
        if (!done && GetLastError() == ERROR_IO_PENDING &&
            WaitForSingleObject(writeRecord.hEvent, 5000) == WAIT_OBJECT_0)
            done = GetOverlappedResult(handle, &writeRecord, &written, false);
        CloseHandle(writeRecord.hEvent);
        return done && written == bytes.size();
    }

    HANDLE handle = INVALID_HANDLE_VALUE;
    HANDLE event = 0;
    OVERLAPPED overlapped;
    bool ok = false;
};

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 256);
    return bytes;
}

class SerialCalls : public testing::TestWithParam<Backend> {
protected:
    PortBench bench{GetParam()};
};

} // namespace

TEST_P(SerialCalls, BytesPassBothWaysAtEveryTestedRate) {
    for (DWORD baud : {115200u, 921600u}) {
        OpenPort port(baud);
        ASSERT_NE(port.handle, INVALID_HANDLE_VALUE) << baud;
        ASSERT_TRUE(port.ok) << baud;
        DCB applied;
        ASSERT_TRUE(GetCommState(port.handle, &applied));
        EXPECT_EQ(applied.BaudRate, baud);

        const std::string out = Pattern(3000);
        ASSERT_TRUE(port.WriteAndWait(out));
        EXPECT_EQ(bench.Far().ReadFor(out.size(), 2000ms), out);

        const std::string in = Pattern(1000).substr(3);
        bench.Far().Write(in);
        EXPECT_EQ(port.ReadUntil(in.size()), in);
    }
}

TEST_P(SerialCalls, AnOpenPortCannotBeOpenedAgainUntilClosed) {
    HANDLE first = CreateFile(kPortName, FILE_FLAG_OVERLAPPED);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFile("COM7", 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(first);
    HANDLE second = CreateFile(kPortName, 0);
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    CloseHandle(second);
    EXPECT_EQ(CreateFile("\\\\.\\COM8", 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_P(SerialCalls, ReceivedBytesAreReportedUntilReadAndNotAgainWithoutNews) {
    OpenPort port(115200);
    ASSERT_TRUE(SetCommMask(port.handle, EV_RXCHAR));
    bench.Far().Write(Pattern(300));
    ASSERT_EQ(port.NextEvents(), EV_RXCHAR);
    port.ReadUntil(300);
    EXPECT_EQ(port.NextEvents(100ms), 0u) << "nothing new arrived";

    bench.Far().Write("abcdef");
    ASSERT_EQ(port.NextEvents(), EV_RXCHAR);
    char some[2];
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(port.handle, some, 2, &read, nullptr));
    EXPECT_EQ(read, 2u);
    EXPECT_EQ(port.NextEvents(), EV_RXCHAR) << "bytes left after a read are reported again";
    EXPECT_EQ(port.ReadAll(), "cdef");
}

TEST_P(SerialCalls, WriteCompletesThenTheTransmitterReportsEmpty) {
    OpenPort port(115200);
    ASSERT_TRUE(SetCommMask(port.handle, EV_TXEMPTY));
    ASSERT_TRUE(port.WriteAndWait("hello"));
    EXPECT_EQ(port.NextEvents(), EV_TXEMPTY);
    EXPECT_EQ(bench.Far().ReadFor(5, 1000ms), "hello");
    COMSTAT status;
    DWORD errors = 0;
    ASSERT_TRUE(ClearCommError(port.handle, &errors, &status));
    EXPECT_EQ(status.cbOutQue, 0u);
    EXPECT_EQ(errors, 0u);
}

TEST_P(SerialCalls, WritePurgeAndCloseLoseNothing) {
    std::string expected;
    for (int round = 0; round < 50; ++round) {
        HANDLE port = CreateFile(kPortName, 0);
        ASSERT_NE(port, INVALID_HANDLE_VALUE);
        const char byte = static_cast<char>(0xF0 + round % 15);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(port, &byte, 1, &written, nullptr));
        ASSERT_TRUE(PurgeComm(port, PURGE_TXABORT | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_RXCLEAR));
        CloseHandle(port);
        expected += byte;
    }
    EXPECT_EQ(bench.Far().ReadFor(expected.size(), 2000ms), expected);
}

TEST_P(SerialCalls, AVanishedDeviceFailsTheEventWaitAndTheCalls) {
    OpenPort port(9600);
    ASSERT_TRUE(SetCommMask(port.handle, EV_RXCHAR | EV_ERR));
    DWORD events = 0;
    ASSERT_FALSE(WaitCommEvent(port.handle, &events, &port.overlapped));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    std::thread puller([&] {
        std::this_thread::sleep_for(20ms);
        bench.Far().Vanish();
    });
    EXPECT_EQ(WaitForSingleObject(port.event, 5000), WAIT_FAILED);
    puller.join();
    EXPECT_EQ(WaitForSingleObject(port.event, 0), WAIT_FAILED) << "it keeps failing";
    DWORD errors = 0;
    EXPECT_FALSE(ClearCommError(port.handle, &errors, nullptr));

    // A new wait on the gone device pends and fails at the wait.
    ASSERT_TRUE(CancelIo(port.handle));
    EXPECT_FALSE(WaitCommEvent(port.handle, &events, &port.overlapped));
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_EQ(WaitForSingleObject(port.event, 500), WAIT_FAILED);
}

TEST_P(SerialCalls, ClearingTheMaskOfAGoneDeviceEndsItsWaitForGood) {
    OpenPort port(9600);
    ASSERT_TRUE(SetCommMask(port.handle, EV_RXCHAR));
    DWORD events = 0x55;
    ASSERT_FALSE(WaitCommEvent(port.handle, &events, &port.overlapped));
    bench.Far().Vanish();
    ASSERT_EQ(WaitForSingleObject(port.event, 5000), WAIT_FAILED);
    SetCommMask(port.handle, 0);
    EXPECT_EQ(events, 0u);
    EXPECT_NE(port.overlapped.Internal, static_cast<uintptr_t>(ERROR_IO_PENDING));
    // Nothing completes the record again once its thread may have left.
    events = 0x55;
    port.overlapped.Internal = 12345;
    CancelIo(port.handle);
    EXPECT_EQ(events, 0x55u);
    EXPECT_EQ(port.overlapped.Internal, 12345u);
}

TEST_P(SerialCalls, ModemLinesExistOnlyWhereTheDriverHasThem) {
    OpenPort port(9600);
    DWORD status = 0;
    EXPECT_EQ(GetCommModemStatus(port.handle, &status), bench.Far().HasModemLines());
    EXPECT_EQ(EscapeCommFunction(port.handle, SETRTS), bench.Far().HasModemLines());
}

TEST(SerialCallsOverPty, APortThatAnotherProgramHasLockedStaysShut) {
    PortBench bench(Backend::Pty);
    TempFolder locks;
    SetUucpLockFolderForTests(locks.path().string());
    HANDLE free = CreateFile(kPortName, 0);
    EXPECT_NE(free, INVALID_HANDLE_VALUE);
    CloseHandle(free);

    // The lock names the device below /dev and a live process (the parent, an
    // other program), written as ten digits as UUCP programs do.
    std::string device = bench.Pty()->SlavePath().substr(5);
    std::replace(device.begin(), device.end(), '/', '_');
    char pid[16];
    std::snprintf(pid, sizeof pid, "%10d\n", static_cast<int>(getppid()));
    std::ofstream(locks.file("LCK.." + device)) << pid;
    EXPECT_EQ(CreateFile(kPortName, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    std::snprintf(pid, sizeof pid, "%10d\n", static_cast<int>(getpid()));
    std::ofstream(locks.file("LCK.." + device)) << pid;
    HANDLE own = CreateFile(kPortName, 0);
    EXPECT_NE(own, INVALID_HANDLE_VALUE) << "a lock of this program is no obstacle";
    CloseHandle(own);
    SetUucpLockFolderForTests("/var/lock");
}

INSTANTIATE_TEST_SUITE_P(Both, SerialCalls, testing::Values(Backend::Pty, Backend::Virtual),
                         [](const auto& info) { return BackendName(info.param); });

// ---------------------------------------------------------------------------
// Virtual ports only

namespace {
class VirtualPortCalls : public testing::Test {
protected:
    PortBench bench{Backend::Virtual};
    VirtualPort& far = *bench.Virtual();
};
} // namespace

TEST_F(VirtualPortCalls, EveryFramingReachesTheFarEndAndBadOnesAreRefused) {
    OpenPort port(9600);
    DCB dcb;
    ASSERT_TRUE(GetCommState(port.handle, &dcb));
    dcb.BaudRate = 256000;
    dcb.ByteSize = 7;
    dcb.Parity = MARKPARITY;
    dcb.StopBits = ONE5STOPBITS;
    ASSERT_TRUE(SetCommState(port.handle, &dcb));
    const DCB seen = far.NearSettings();
    EXPECT_EQ(seen.BaudRate, 256000u);
    EXPECT_EQ(seen.ByteSize, 7);
    EXPECT_EQ(seen.Parity, MARKPARITY);
    EXPECT_EQ(seen.StopBits, ONE5STOPBITS);

    dcb.ByteSize = 4;
    EXPECT_FALSE(SetCommState(port.handle, &dcb));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(far.NearSettings().ByteSize, 7) << "a refused block changes nothing";
}

TEST_F(VirtualPortCalls, LineChangesAreEventsAndTheFarEndSeesOurLines) {
    OpenPort port(9600);
    ASSERT_TRUE(SetCommMask(port.handle, EV_CTS | EV_DSR | EV_RLSD | EV_RING));
    far.SetCts(true);
    EXPECT_EQ(port.NextEvents(), EV_CTS);
    far.SetDsr(true);
    far.SetCarrier(true);
    EXPECT_EQ(port.NextEvents(), EV_DSR | EV_RLSD);
    DWORD status = 0;
    ASSERT_TRUE(GetCommModemStatus(port.handle, &status));
    EXPECT_EQ(status, MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON);
    far.SetRing(true);
    EXPECT_EQ(port.NextEvents(), EV_RING);

    EscapeCommFunction(port.handle, SETRTS);
    EscapeCommFunction(port.handle, CLRDTR);
    SetCommBreak(port.handle);
    EXPECT_TRUE(far.Rts());
    EXPECT_FALSE(far.Dtr());
    EXPECT_TRUE(far.BreakOn());
    ClearCommBreak(port.handle);
    EXPECT_FALSE(far.BreakOn());
}

TEST_F(VirtualPortCalls, LineErrorsAreReportedOnceAsEventsAndFlags) {
    OpenPort port(9600);
    ASSERT_TRUE(SetCommMask(port.handle, EV_ERR | EV_BREAK));
    far.InjectLineErrors(CE_FRAME | CE_OVERRUN);
    EXPECT_EQ(port.NextEvents(), EV_ERR);
    DWORD errors = 0;
    ASSERT_TRUE(ClearCommError(port.handle, &errors, nullptr));
    EXPECT_EQ(errors, CE_FRAME | CE_OVERRUN);
    ASSERT_TRUE(ClearCommError(port.handle, &errors, nullptr));
    EXPECT_EQ(errors, 0u);
    far.InjectLineErrors(CE_BREAK);
    EXPECT_EQ(port.NextEvents(), EV_BREAK);
}

TEST_F(VirtualPortCalls, InjectedWaitFailuresFailTheWaitWhileSet) {
    OpenPort port(9600);
    ASSERT_TRUE(SetCommMask(port.handle, EV_RXCHAR));
    far.SetWaitsFail(true);
    DWORD events = 0;
    EXPECT_FALSE(WaitCommEvent(port.handle, &events, &port.overlapped));
    EXPECT_EQ(WaitForSingleObject(port.event, 1000), WAIT_FAILED);
    far.SetWaitsFail(false);
    CancelIo(port.handle);
    far.Write("x");
    EXPECT_EQ(port.NextEvents(), EV_RXCHAR);
}

TEST_F(VirtualPortCalls, PacedWritesTakeTheirTimeOnTheLine) {
    far.SetPacing(true);
    OpenPort port(1200);
    const std::string bytes(24, 'p'); // 24 x 10 bits at 1200 baud: 200 ms
    DWORD written = 0;
    OVERLAPPED record;
    record.hEvent = CreateEvent(true, false);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_FALSE(WriteFile(port.handle, bytes.data(), 24, &written, &record));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    COMSTAT status;
    ASSERT_TRUE(ClearCommError(port.handle, nullptr, &status));
    EXPECT_GT(status.cbOutQue, 0u);
    ASSERT_EQ(WaitForSingleObject(record.hEvent, 5000), WAIT_OBJECT_0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 190ms);
    ASSERT_TRUE(GetOverlappedResult(port.handle, &record, &written, false));
    EXPECT_EQ(written, 24u);
    EXPECT_EQ(far.Read(), bytes);
    CloseHandle(record.hEvent);
}

TEST_F(VirtualPortCalls, CancelledWriteCompletesAbortedAndPurgeDropsUnsentBytes) {
    far.SetPacing(true);
    OpenPort port(300);
    OVERLAPPED record;
    record.hEvent = CreateEvent(true, false);
    DWORD written = 0;
    ASSERT_FALSE(WriteFile(port.handle, "0123456789", 10, &written, &record));
    ASSERT_TRUE(PurgeComm(port.handle, PURGE_TXABORT | PURGE_TXCLEAR));
    ASSERT_EQ(WaitForSingleObject(record.hEvent, 0), WAIT_OBJECT_0);
    EXPECT_FALSE(GetOverlappedResult(port.handle, &record, &written, false));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(far.ReadFor(10, 500ms), "") << "nothing of it reached the line";
    EXPECT_FALSE(CancelIoEx(port.handle, &record));
    EXPECT_EQ(GetLastError(), ERROR_NOT_FOUND);
    CloseHandle(record.hEvent);
}

// A line held by flow control keeps the character of TransmitCommChar waiting,
// ahead of a pending write, and takes it first when it is free again.
TEST_F(VirtualPortCalls, AHeldLineKeepsTheImmediateCharacterAheadOfThePendingWrite) {
    OpenPort port(9600);
    ASSERT_TRUE(EscapeCommFunction(port.handle, SETXOFF));
    OVERLAPPED record;
    record.hEvent = CreateEvent(true, false);
    DWORD written = 0;
    ASSERT_FALSE(WriteFile(port.handle, "abc", 3, &written, &record));
    ASSERT_TRUE(TransmitCommChar(port.handle, '+'));
    EXPECT_FALSE(TransmitCommChar(port.handle, '-')) << "one character waits at a time";
    COMSTAT status;
    ASSERT_TRUE(ClearCommError(port.handle, nullptr, &status));
    EXPECT_TRUE(status.fTxim);
    ASSERT_TRUE(EscapeCommFunction(port.handle, SETXON));
    EXPECT_EQ(WaitForSingleObject(record.hEvent, 2000), WAIT_OBJECT_0);
    EXPECT_EQ(far.ReadFor(4, 1000ms), "+abc");
    ASSERT_TRUE(ClearCommError(port.handle, nullptr, &status));
    EXPECT_FALSE(status.fTxim);
    CloseHandle(record.hEvent);
}
