#pragma once
// Replacing a file's contents so that it is never seen cut: the new contents are
// written to a file beside it, flushed to disk and renamed over it. A file whose
// permissions allow no one to write it counts as read-only, even for a user whom
// the system would let write it, as a read-only file does on the systems where
// the program's files come from.

#include <stdexcept>
#include <string>

class EFileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws EFileWriteError when the file cannot be replaced; it then stays as it was
// and no temporary file is left. A link is followed: the file it names is replaced.
// The old file's permissions are kept.
void ReplaceFileContents(const std::string& fileName, const std::string& content);
