#include "terminal/terminal_log.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

namespace {
struct NameParts {
    std::string stem; // the name without its extension, folders kept
    std::string extension;
};

NameParts SplitExtension(const std::string& name) {
    const std::string extension = std::filesystem::path(name).extension().string();
    return {name.substr(0, name.size() - extension.size()), extension};
}

std::string CannotCreate(const std::string& fileName) {
    return "Cannot create file " + fileName;
}

// A pipe in the log's place would hold the terminal in the opening until
// something reads from it, so it is refused as a file that cannot be created.
bool IsPipe(const std::string& fileName) {
    std::error_code error;
    return std::filesystem::is_fifo(fileName, error);
}
} // namespace

LocalDateTime CurrentLocalDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::string TimeStampedLogName(const std::string& chosenName, const LocalDateTime& when) {
    const NameParts parts = SplitExtension(chosenName);
    std::string name = parts.stem;
    for (int part : {when.year, when.month, when.day, when.hour, when.minute, when.second})
        name += "_" + std::to_string(part);
    return name + parts.extension;
}

std::string SliceBaseName(const std::string& name, int portNumber, const std::string& terminalName) {
    char com[16];
    std::snprintf(com, sizeof com, "%02d", portNumber + 1);
    return SplitExtension(name).stem + "_COM_" + com + "_" + terminalName + "_";
}

std::string SliceFileName(const std::string& sliceBase, int sliceNumber, const std::string& extension) {
    char number[16];
    std::snprintf(number, sizeof number, "_%04d", sliceNumber);
    return sliceBase + number + extension;
}

bool TerminalLog::startWhole(const std::string& fileName) {
    stop();
    return open(fileName);
}

bool TerminalLog::startSliced(const std::string& fileName, int portNumber, const std::string& terminalName,
                              int sliceSizeMb) {
    if (running_)
        return true;
    extension_ = SplitExtension(fileName).extension;
    slicedName_ = fileName;
    terminalName_ = terminalName;
    sliceBase_ = SliceBaseName(fileName, portNumber, terminalName);
    sliceNumber_ = 0;
    sliceSizeMb_ = sliceSizeMb;
    if (!open(SliceFileName(sliceBase_, sliceNumber_, extension_)))
        return false;
    sliced_ = true;
    return true;
}

void TerminalLog::stop() {
    stream_.close();
    running_ = false;
    sliced_ = false;
}

bool TerminalLog::portMoved(int portNumber) {
    if (!sliced_)
        return true;
    sliceBase_ = SliceBaseName(slicedName_, portNumber, terminalName_);
    return rollToNextSlice();
}

bool TerminalLog::write(std::string_view text) {
    if (!running_)
        return true;
    stream_.write(text.data(), static_cast<std::streamsize>(text.size()));
    stream_.flush();
    if (!stream_) {
        fail("Cannot write file " + fileName_);
        return false;
    }
    bytes_ += static_cast<uint32_t>(text.size());
    if (sliced_ && sliceSizeMb_ > 0 && bytes_ > static_cast<uint64_t>(sliceSizeMb_) * kBytesPerMegabyte)
        return rollToNextSlice();
    return true;
}

std::string TerminalLog::fileLine() const {
    return sliced_ ? fileName_ : "File: " + fileName_;
}

std::string TerminalLog::bytesLine() const {
    return std::to_string(bytes_) + " Bytes";
}

bool TerminalLog::open(const std::string& fileName) {
    failure_.clear();
    if (!IsPipe(fileName))
        stream_.open(fileName, std::ios::binary | std::ios::trunc);
    if (!stream_.is_open()) {
        stream_.clear();
        failure_ = CannotCreate(fileName);
        running_ = false;
        return false;
    }
    fileName_ = fileName;
    bytes_ = 0;
    running_ = true;
    return true;
}

// The slice just written is closed before the next one is created; when that
// cannot be created the log ends rather than writing on into a closed file.
bool TerminalLog::rollToNextSlice() {
    stream_.close();
    ++sliceNumber_;
    if (open(SliceFileName(sliceBase_, sliceNumber_, extension_)))
        return true;
    fail(failure_ + ". Logging stopped.");
    return false;
}

void TerminalLog::fail(const std::string& text) {
    stop();
    failure_ = text;
}
