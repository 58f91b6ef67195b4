#pragma once
// Things that stand under a file's name but cannot be read as a file.

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

// Makes, at the stem followed by a blank and its kind: a folder; a link to the
// reading process's own memory, which opens but whose first read fails with an
// input/output error (its first page is never mapped); and a pipe that no one
// writes, whose opening must not wait for a writer. Returns their paths.
inline std::vector<std::string> MakeUnreadableFiles(const std::string& stem) {
    const std::vector<std::string> paths{stem + " folder", stem + " read error", stem + " pipe"};
    std::filesystem::create_directory(paths[0]);
    std::filesystem::create_symlink("/proc/self/mem", paths[1]);
    ::mkfifo(paths[2].c_str(), 0600);
    return paths;
}
