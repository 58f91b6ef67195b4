#include "platform/file_contents.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void readFailed(const char* what, const std::string& fileName, const std::string& why) {
    throw EFileReadError(std::string(what) + " file \"" + fileName + "\". " + why);
}

// Opening does not wait for a writer of a pipe, and only a regular file is let
// through, so a pipe or a device never holds the program up or fills its memory.
// The file is closed when the read ends, however it ends.
class RegularFile {
public:
    explicit RegularFile(const std::string& fileName)
        : fileName_(fileName), fd_(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
        if (fd_ < 0)
            readFailed("Cannot open", fileName_, std::strerror(errno));
    }
    ~RegularFile() { ::close(fd_); }
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    void RequireRegular() const {
        struct stat status {};
        if (::fstat(fd_, &status) != 0)
            readFailed("Cannot read", fileName_, std::strerror(errno));
        if (S_ISDIR(status.st_mode))
            readFailed("Cannot read", fileName_, std::strerror(EISDIR));
        if (!S_ISREG(status.st_mode))
            readFailed("Cannot read", fileName_, "It is not a regular file.");
    }

    std::string ReadAll() const {
        std::string content;
        char block[65536];
        for (;;) {
            const ssize_t count = ::read(fd_, block, sizeof block);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0)
                readFailed("Cannot read", fileName_, std::strerror(errno));
            if (count == 0)
                return content;
            content.append(block, static_cast<size_t>(count));
        }
    }

private:
    const std::string& fileName_;
    int fd_;
};

} // namespace

std::string ReadFileContents(const std::string& fileName) {
    const RegularFile file(fileName);
    file.RequireRegular();
    return file.ReadAll();
}

void CheckReadableFile(const std::string& fileName) {
    RegularFile(fileName).RequireRegular();
}

bool NothingAt(const std::string& fileName) {
    std::error_code error;
    return std::filesystem::status(fileName, error).type() == std::filesystem::file_type::not_found;
}
