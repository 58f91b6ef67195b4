#pragma once
// Reading a file whole. A file that opens but whose read fails (a device that
// reports a read error, a folder in the file's place) is a failed read, never an
// empty or a cut file.

#include <stdexcept>
#include <string>

class EFileReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of the whole file; throws EFileReadError when it cannot be opened or
// read to its end.
std::string ReadFileContents(const std::string& fileName);

// Throws what ReadFileContents would throw before it reads a byte: the file
// cannot be opened, or it is a folder, a pipe or a device.
void CheckReadableFile(const std::string& fileName);

// Nothing at all stands under the name. Only then is a file missing; a folder, a
// pipe or an unreadable file in its place is there and is reported as a file that
// cannot be read.
bool NothingAt(const std::string& fileName);
