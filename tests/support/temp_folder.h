#pragma once
// A folder of the test's own, removed with everything in it at the end of the test.

#include <QTemporaryDir>
#include <filesystem>
#include <string>

class TempFolder {
public:
    TempFolder() : dir_(QDir::tempPath() + "/quovix-test-XXXXXX") {}
    std::filesystem::path path() const { return dir_.path().toStdString(); }
    std::string file(const std::string& name) const { return (path() / name).string(); }

private:
    QTemporaryDir dir_;
};
