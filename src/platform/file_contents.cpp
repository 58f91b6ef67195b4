#include "platform/file_contents.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes the file when the read ends, however it ends.
struct OpenFile {
    int fd;
    ~OpenFile() { ::close(fd); }
};

[[noreturn]] void readFailed(const char* what, const std::string& fileName, const std::string& why) {
    throw EFileReadError(std::string(what) + " file \"" + fileName + "\". " + why);
}

} // namespace

// Opening does not wait for a writer of a pipe; only a regular file is read, so a
// pipe or a device never holds the program up or fills its memory.
std::string ReadFileContents(const std::string& fileName) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        readFailed("Cannot open", fileName, std::strerror(errno));
    const OpenFile file{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        readFailed("Cannot read", fileName, std::strerror(errno));
    if (S_ISDIR(status.st_mode))
        readFailed("Cannot read", fileName, std::strerror(EISDIR));
    if (!S_ISREG(status.st_mode))
        readFailed("Cannot read", fileName, "It is not a regular file.");
    std::string content;
    char block[65536];
    for (;;) {
        const ssize_t count = ::read(fd, block, sizeof block);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            readFailed("Cannot read", fileName, std::strerror(errno));
        if (count == 0)
            return content;
        content.append(block, static_cast<size_t>(count));
    }
}

bool NothingAt(const std::string& fileName) {
    std::error_code error;
    return std::filesystem::status(fileName, error).type() == std::filesystem::file_type::not_found;
}
