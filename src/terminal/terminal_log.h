#pragma once
// A terminal's log: everything its screen shows, written to one whole file or to
// a series of slice files. A slice is closed and the next one started after the
// write that took it past the slice size, so a slice may exceed the size by up to
// one appended text. A file that cannot be created or written stops the log and
// leaves a failure text for the terminal to show; no write ever goes to a file
// that is not open.

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

// A local date and time, as the file names of time-stamped logs spell it.
struct LocalDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

LocalDateTime CurrentLocalDateTime();

// "C:\logs\all.txt" taken on 5 March 2024 at 09:07:02 gives
// "C:\logs\all_2024_3_5_9_7_2.txt": the date and time between the name and its
// extension, as plain decimal numbers.
std::string TimeStampedLogName(const std::string& chosenName, const LocalDateTime& when);

// The part of every slice file name before its number: the name without its
// extension, "_COM_", the COM number in two digits, "_", the terminal name, "_".
std::string SliceBaseName(const std::string& name, int portNumber, const std::string& terminalName);

// base + "_" + the slice number in four digits + extension.
std::string SliceFileName(const std::string& sliceBase, int sliceNumber, const std::string& extension);

class TerminalLog {
public:
    static constexpr uint64_t kBytesPerMegabyte = 1048576;

    // Starts a log into one file, replacing it. False when the file cannot be
    // created: no log runs and failure() says why.
    bool startWhole(const std::string& fileName);
    // Starts a sliced log for the port (0 = COM1) and terminal name; slices roll
    // after sliceSizeMb megabytes, never when the size is 0. Does nothing and
    // returns true when a log already runs.
    bool startSliced(const std::string& fileName, int portNumber, const std::string& terminalName,
                     int sliceSizeMb);
    void stop();
    // The terminal moved to another port (0 = COM1): a sliced log closes the
    // slice under way and goes on in the next one, named after the new port.
    // False when that slice could not be created (the log has stopped).
    bool portMoved(int portNumber);

    // Writes shown text to the log. False when the log had to stop because the
    // file could not be written or the next slice could not be created.
    bool write(std::string_view text);

    bool running() const { return running_; }
    bool sliced() const { return sliced_; }
    int sliceNumber() const { return sliceNumber_; }
    uint32_t bytes() const { return bytes_; }
    const std::string& fileName() const { return fileName_; }
    // The lines of the terminal's log panel under "Log file write in progress":
    // the file ("File: " and the name for a whole log, the slice file name alone
    // for a sliced one) and the byte count.
    std::string fileLine() const;
    std::string bytesLine() const;
    // Why the last start, write or roll failed.
    const std::string& failure() const { return failure_; }

private:
    bool open(const std::string& fileName);
    bool rollToNextSlice();
    void fail(const std::string& text);

    std::ofstream stream_;
    bool running_ = false;
    bool sliced_ = false;
    uint32_t bytes_ = 0;
    int sliceNumber_ = 0;
    int sliceSizeMb_ = 0;
    std::string sliceBase_;
    std::string slicedName_;
    std::string terminalName_;
    std::string extension_;
    std::string fileName_;
    std::string failure_;
};
