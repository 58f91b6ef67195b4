#pragma once
// A pseudo-terminal for tests of the real serial path: the program opens the
// slave side as a port (linked as "comN" in a ports folder), the test talks
// through the master side.

#include <chrono>
#include <string>
#include <termios.h>

class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The slave's device path (/dev/pts/N).
    const std::string& SlavePath() const { return slavePath_; }
    // Links the slave as "com<number>" in the given ports folder.
    void LinkAs(const std::string& portsFolder, int comNumber) const;

    void Write(const std::string& bytes);
    // Waits until count bytes have come or the time is up.
    std::string ReadFor(size_t count, std::chrono::milliseconds timeout);
    // The line's modes as the program set them on the slave (the master reads
    // the slave's).
    termios Modes() const;
    // Closes the master side: the slave's device goes away.
    void CloseMaster();

private:
    int master_ = -1;
    std::string slavePath_;
};
