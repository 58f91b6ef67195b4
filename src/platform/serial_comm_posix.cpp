// The machine's serial devices behind the serial calls, through termios2 (any bit
// rate by BOTHER), the modem-line ioctls and the driver's TIOCGICOUNT counters.
#include "platform/file_contents.h"
#include "platform/serial_device_p.h"

#include <asm/termbits.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <linux/serial.h>
#include <mutex>
#include <poll.h>
#include <set>
#include <shared_mutex>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

std::mutex uucpLockFolderMutex;
std::string uucpLockFolder = "/var/lock";

std::mutex failingWaitsMutex;
std::set<std::string> devicesWithFailingWaits;

std::string UucpLockFolder() {
    std::lock_guard lock(uucpLockFolderMutex);
    return uucpLockFolder;
}

bool DeviceVanished(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}

DWORD ErrorCode(int error) {
    if (DeviceVanished(error))
        return ERROR_DEVICE_NOT_CONNECTED;
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EBUSY:
        return ERROR_ACCESS_DENIED;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    default:
        return ERROR_GEN_FAILURE;
    }
}

// Another program holds the port when a UUCP lock file names a live process other
// than this one ("LCK.." and the device's name below /dev, '/' written as '_').
bool UucpLockedByOther(const std::string& path) {
    std::string name =
        path.rfind("/dev/", 0) == 0 ? path.substr(5) : std::filesystem::path(path).filename().string();
    for (char& c : name)
        if (c == '/')
            c = '_';
    std::string content;
    try {
        content = ReadFileContents(UucpLockFolder() + "/LCK.." + name);
    } catch (const EFileReadError&) {
        return false;
    }
    pid_t pid = 0;
    if (content.size() == sizeof(int32_t)) {
        int32_t binary = 0;
        std::memcpy(&binary, content.data(), sizeof binary);
        pid = binary;
    } else {
        pid = static_cast<pid_t>(std::atol(content.c_str()));
    }
    if (pid <= 0 || pid == getpid())
        return false;
    return kill(pid, 0) == 0 || errno == EPERM;
}

speed_t StandardSpeed(DWORD rate) {
    switch (rate) {
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 921600:
        return B921600;
    default:
        return BOTHER;
    }
}

tcflag_t CharacterSize(uint8_t byteSize) {
    switch (byteSize) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

uint8_t ByteSizeOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
    case CS5:
        return 5;
    case CS6:
        return 6;
    case CS7:
        return 7;
    default:
        return 8;
    }
}

class PosixSerialDevice : public SerialDevice {
public:
    PosixSerialDevice(std::string path, int fd, int wakeFd)
        : path_(std::move(path)), fd_(fd), wakeFd_(wakeFd) {
        int lines = 0;
        hasModemLines_ = ioctl(fd_, TIOCMGET, &lines) == 0;
        serial_icounter_struct counters{};
        hasCounters_ = ioctl(fd_, TIOCGICOUNT, &counters) == 0;
    }
    ~PosixSerialDevice() override { Release(); }

protected:
    DCB CurrentSettings() override {
        DCB dcb;
        termios2 tio{};
        if (ioctl(fd_, TCGETS2, &tio) != 0)
            return dcb;
        dcb.BaudRate = tio.c_ospeed;
        dcb.ByteSize = ByteSizeOf(tio.c_cflag);
        dcb.Parity = !(tio.c_cflag & PARENB)  ? NOPARITY
                     : (tio.c_cflag & CMSPAR) ? ((tio.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY)
                     : (tio.c_cflag & PARODD) ? ODDPARITY
                                              : EVENPARITY;
        dcb.StopBits = (tio.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
        dcb.fOutxCtsFlow = (tio.c_cflag & CRTSCTS) != 0;
        dcb.fOutX = (tio.c_iflag & IXON) != 0;
        dcb.fInX = (tio.c_iflag & IXOFF) != 0;
        dcb.XonChar = static_cast<char>(tio.c_cc[VSTART]);
        dcb.XoffChar = static_cast<char>(tio.c_cc[VSTOP]);
        return dcb;
    }

    DWORD ApplySettings(const DCB& dcb) override {
        termios2 tio{};
        if (ioctl(fd_, TCGETS2, &tio) != 0)
            return ErrorCode(errno);
        // Raw bytes both ways: no line editing, no translation, no echo. Without
        // INPCK a byte with a parity or framing error comes as it was received
        // (with it, as 0), and the driver's counters still tell the error
        // (ClearCommError).
        tio.c_iflag = IGNBRK;
        tio.c_oflag = 0;
        tio.c_lflag = 0;
        tio.c_cflag = CREAD | CLOCAL | HUPCL | CharacterSize(dcb.ByteSize);
        const speed_t speed = StandardSpeed(dcb.BaudRate);
        tio.c_cflag |= speed;
        tio.c_ispeed = tio.c_ospeed = dcb.BaudRate;
        switch (dcb.Parity) {
        case ODDPARITY:
            tio.c_cflag |= PARENB | PARODD;
            break;
        case EVENPARITY:
            tio.c_cflag |= PARENB;
            break;
        case MARKPARITY:
            tio.c_cflag |= PARENB | PARODD | CMSPAR;
            break;
        case SPACEPARITY:
            tio.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
        }
        if (dcb.StopBits != ONESTOPBIT)
            tio.c_cflag |= CSTOPB;
        if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
            tio.c_cflag |= CRTSCTS;
        if (dcb.fOutX)
            tio.c_iflag |= IXON;
        if (dcb.fInX)
            tio.c_iflag |= IXOFF;
        tio.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
        tio.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        if (ioctl(fd_, TCSETS2, &tio) != 0)
            return ErrorCode(errno);
        ApplyLines(dcb);
        return ERROR_SUCCESS;
    }

    DeviceSample Sample() override {
        DeviceSample sample;
        int count = 0;
        pollfd hangup{fd_, 0, 0};
        // A device that is gone answers no more: it held what it held when last
        // asked.
        sample.outQueue = lastOutQueue_;
        if (poll(&hangup, 1, 0) > 0 && (hangup.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            sample.gone = true;
            return sample;
        }
        if (ioctl(fd_, TIOCINQ, &count) != 0) {
            sample.gone = DeviceVanished(errno);
            return sample;
        }
        sample.inQueue = static_cast<DWORD>(count);
        sample.outQueue = 0;
        if (ioctl(fd_, TIOCOUTQ, &count) == 0)
            sample.outQueue = lastOutQueue_ = static_cast<DWORD>(count);
        int lines = 0;
        if (hasModemLines_ && ioctl(fd_, TIOCMGET, &lines) == 0)
            sample.modemStatus =
                ((lines & TIOCM_CTS) ? MS_CTS_ON : 0) | ((lines & TIOCM_DSR) ? MS_DSR_ON : 0) |
                ((lines & TIOCM_RI) ? MS_RING_ON : 0) | ((lines & TIOCM_CD) ? MS_RLSD_ON : 0);
        serial_icounter_struct c{};
        if (hasCounters_ && ioctl(fd_, TIOCGICOUNT, &c) == 0)
            sample.counters =
                LineCounters{static_cast<uint32_t>(c.cts),        static_cast<uint32_t>(c.dsr),
                             static_cast<uint32_t>(c.rng),        static_cast<uint32_t>(c.dcd),
                             static_cast<uint32_t>(c.frame),      static_cast<uint32_t>(c.overrun),
                             static_cast<uint32_t>(c.parity),     static_cast<uint32_t>(c.brk),
                             static_cast<uint32_t>(c.buf_overrun)};
        return sample;
    }

    DWORD TakeInput(uint8_t* buffer, DWORD count, DWORD* taken) override {
        *taken = 0;
        if (count == 0)
            return ERROR_SUCCESS;
        const ssize_t n = read(fd_, buffer, count);
        if (n >= 0) {
            *taken = static_cast<DWORD>(n);
            return ERROR_SUCCESS;
        }
        return errno == EAGAIN || errno == EINTR ? ERROR_SUCCESS : ErrorCode(errno);
    }

    DWORD PutOutput(const uint8_t* buffer, DWORD count, DWORD* accepted) override {
        *accepted = 0;
        if (count == 0)
            return ERROR_SUCCESS;
        const ssize_t n = write(fd_, buffer, count);
        if (n >= 0) {
            *accepted = static_cast<DWORD>(n);
            return ERROR_SUCCESS;
        }
        return errno == EAGAIN || errno == EINTR ? ERROR_SUCCESS : ErrorCode(errno);
    }

    bool HasModemLines() override { return hasModemLines_; }

    bool WaitsFail() override {
        std::lock_guard lock(failingWaitsMutex);
        return devicesWithFailingWaits.count(path_) != 0;
    }

    DWORD SetLine(DWORD function) override {
        int result = 0;
        switch (function) {
        case SETBREAK:
            result = ioctl(fd_, TIOCSBRK);
            break;
        case CLRBREAK:
            result = ioctl(fd_, TIOCCBRK);
            break;
        case SETXOFF:
            result = ioctl(fd_, TCXONC, TCOOFF);
            break;
        case SETXON:
            result = ioctl(fd_, TCXONC, TCOON);
            break;
        default: {
            if (!hasModemLines_)
                return ERROR_INVALID_FUNCTION;
            const int line = function == SETRTS || function == CLRRTS ? TIOCM_RTS : TIOCM_DTR;
            const bool on = function == SETRTS || function == SETDTR;
            result = ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &line);
        }
        }
        return result == 0 ? ERROR_SUCCESS : ErrorCode(errno);
    }

    DWORD FlushInput() override {
        return ioctl(fd_, TCFLSH, TCIFLUSH) == 0 ? ERROR_SUCCESS : ErrorCode(errno);
    }
    DWORD FlushOutput() override {
        return ioctl(fd_, TCFLSH, TCOFLUSH) == 0 ? ERROR_SUCCESS : ErrorCode(errno);
    }

    void WaitForActivity(bool watchInput, std::chrono::milliseconds slice) override {
        std::shared_lock lock(descriptorLock_);
        if (fd_ < 0)
            return;
        pollfd watched[2] = {{wakeFd_, POLLIN, 0}, {fd_, POLLIN, 0}};
        poll(watched, watchInput ? 2 : 1, static_cast<int>(slice.count()));
    }

    // Wakes the threads that wait for activity, waits until they have left the
    // descriptor, then closes it; the advisory lock goes with it.
    void Release() override {
        if (wakeFd_ >= 0) {
            const uint64_t one = 1;
            [[maybe_unused]] const ssize_t n = write(wakeFd_, &one, sizeof one);
        }
        std::unique_lock lock(descriptorLock_);
        if (fd_ >= 0)
            close(fd_);
        if (wakeFd_ >= 0)
            close(wakeFd_);
        fd_ = wakeFd_ = -1;
    }

private:
    // The lines that the control modes hold steady; handshake and toggle leave
    // RTS to the driver and to the program.
    void ApplyLines(const DCB& dcb) {
        if (!hasModemLines_)
            return;
        const int dtr = TIOCM_DTR;
        const int rts = TIOCM_RTS;
        ioctl(fd_, dcb.fDtrControl == DTR_CONTROL_DISABLE ? TIOCMBIC : TIOCMBIS, &dtr);
        if (dcb.fRtsControl == RTS_CONTROL_DISABLE || dcb.fRtsControl == RTS_CONTROL_ENABLE)
            ioctl(fd_, dcb.fRtsControl == RTS_CONTROL_DISABLE ? TIOCMBIC : TIOCMBIS, &rts);
        else if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
            ioctl(fd_, TIOCMBIS, &rts);
    }

    const std::string path_;
    std::shared_mutex descriptorLock_;
    int fd_;
    int wakeFd_;
    bool hasModemLines_ = false;
    bool hasCounters_ = false;
    // The output queue as last read.
    DWORD lastOutQueue_ = 0;
};

} // namespace

void SetUucpLockFolderForTests(const std::string& folder) {
    std::lock_guard lock(uucpLockFolderMutex);
    uucpLockFolder = folder;
}

void SetEventWaitsFailForTests(const std::string& devicePath, bool fail) {
    std::lock_guard lock(failingWaitsMutex);
    if (fail)
        devicesWithFailingWaits.insert(devicePath);
    else
        devicesWithFailingWaits.erase(devicePath);
}

std::shared_ptr<SerialDevice> OpenPosixSerialDevice(const std::string& path, DWORD* error) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = ErrorCode(errno);
        return nullptr;
    }
    auto fail = [&](DWORD code) {
        close(fd);
        *error = code;
        return nullptr;
    };
    if (!isatty(fd))
        return fail(ERROR_FILE_NOT_FOUND);
    // TIOCEXCL keeps out other users but not root; the advisory lock and the UUCP
    // lock files keep out every program that honours them, root included.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || UucpLockedByOther(path))
        return fail(ERROR_ACCESS_DENIED);
    ioctl(fd, TIOCEXCL);
    const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0)
        return fail(ERROR_GEN_FAILURE);
    return std::make_shared<PosixSerialDevice>(path, fd, wakeFd);
}
