#pragma once
// The last six files a designer worked with, newest first, kept in the program's
// settings file: section "File List" for project designers and "One Modem File
// List" for single-modem designers.

#include <array>
#include <string>

class RecentFiles {
public:
    static constexpr size_t kSlots = 6;

    explicit RecentFiles(bool singleModem) : singleModem_(singleModem) {}

    // The settings section of the designer's mode.
    const char* Section() const;
    // Reads the six slots from the settings file (empty texts where keys are missing).
    void Read();
    // Makes the file the latest: a file already listed moves up, a new one pushes
    // the oldest out. True when the list changed (the latest file again changes
    // nothing).
    bool Record(const std::string& fileName);
    // Records the file and writes the list; a settings file that cannot be written
    // gives the box "Unable to write ini file. Access denied" and the list in memory
    // keeps the new order.
    void RecordAndWrite(const std::string& fileName);

    const std::string& Latest() const { return slots_[0]; }
    // Slot 0 is the latest file, 1 to 5 the older ones.
    const std::string& Slot(size_t index) const { return slots_[index]; }

private:
    void Write() const;

    bool singleModem_;
    std::array<std::string, kSlots> slots_;
};
