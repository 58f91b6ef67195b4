#pragma once
// Things that stand under a file's name but cannot be read as a file.

#include <filesystem>
#include <string>
#include <sys/stat.h>

enum class Unreadable {
    Folder,
    // Opens, but its first read fails with an input/output error: a link to the
    // reading process's own memory, whose first page is never mapped.
    ReadError,
    // A pipe that no one writes: opening it must not wait for a writer.
    Pipe,
};

inline const Unreadable kUnreadableKinds[] = {Unreadable::Folder, Unreadable::ReadError, Unreadable::Pipe};

inline const char* UnreadableName(Unreadable kind) {
    return kind == Unreadable::Folder ? "folder" : kind == Unreadable::ReadError ? "read error" : "pipe";
}

// Makes one at the path and returns the path.
inline std::string MakeUnreadable(Unreadable kind, const std::string& path) {
    switch (kind) {
    case Unreadable::Folder:
        std::filesystem::create_directory(path);
        break;
    case Unreadable::ReadError:
        std::filesystem::create_symlink("/proc/self/mem", path);
        break;
    case Unreadable::Pipe:
        ::mkfifo(path.c_str(), 0600);
        break;
    }
    return path;
}
