#pragma once
// A folder of the test's own, removed with everything in it at the end of the test.
// It is made in memory where the system has a folder there: the program flushes
// every settings and project file it writes to its device, which on a disk costs a
// test real time and in memory none.

#include <QFileInfo>
#include <QTemporaryDir>
#include <filesystem>
#include <string>

class TempFolder {
public:
    TempFolder() : dir_(Parent() + "/quovix-test-XXXXXX") {}
    std::filesystem::path path() const { return dir_.path().toStdString(); }
    std::string file(const std::string& name) const { return (path() / name).string(); }

private:
    static QString Parent() {
        const QFileInfo memory(QStringLiteral("/dev/shm"));
        return memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath();
    }

    QTemporaryDir dir_;
};
