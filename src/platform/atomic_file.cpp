#include "platform/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void writeFailed(const std::string& fileName, const std::string& why) {
    throw EFileWriteError("Unable to write to " + fileName + ": " + why);
}

// Returns 0 when all was written, else the error.
int writeAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t written = ::write(fd, data.data() + done, data.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return EIO;
        done += static_cast<size_t>(written);
    }
    return 0;
}

// A link is followed, so that the file it names is replaced and the link stays.
std::filesystem::path resolvedTarget(const std::string& fileName) {
    std::error_code error;
    if (std::filesystem::is_symlink(fileName, error)) {
        auto target = std::filesystem::weakly_canonical(fileName, error);
        if (!error)
            return target;
    }
    return fileName;
}

} // namespace

void ReplaceFileContents(const std::string& fileName, const std::string& content) {
    // Past the file-size limit the system would end the program with SIGXFSZ; with
    // the signal ignored the write fails with EFBIG ("File too large") instead and
    // is reported like any failed write.
    static const bool fileSizeSignalIgnored = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
    static_cast<void>(fileSizeSignalIgnored);
    const auto target = resolvedTarget(fileName);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && (old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        writeFailed(fileName, "the file is read-only");
    if (exists && ::access(target.c_str(), W_OK) != 0)
        writeFailed(fileName, std::strerror(errno));

    static std::atomic<unsigned> counter{0};
    const auto folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const auto temporary = folder / ("." + target.filename().string() + "." + std::to_string(::getpid()) +
                                     "." + std::to_string(counter++) + ".tmp");
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        writeFailed(fileName, std::strerror(errno));

    // Each step records the first error; after a failure the later steps are skipped.
    int error = writeAll(fd, content);
    if (!error && exists) {
        // Keep the old file's permissions and, where allowed, its owner.
        if (::fchmod(fd, old.st_mode & 07777) != 0 ||
            (::fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM))
            error = errno;
    }
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error) {
        ::unlink(temporary.c_str());
        writeFailed(fileName, std::strerror(error));
    }
    // The rename itself reaches the disk with the folder.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
}
