#include "platform/program_files.h"

#include <QCoreApplication>
#include <filesystem>
#include <mutex>

namespace {
std::mutex pathMutex;
std::string exePathOverride;
} // namespace

std::string ExeName() {
    {
        std::lock_guard lock(pathMutex);
        if (!exePathOverride.empty())
            return exePathOverride;
    }
    return QCoreApplication::applicationFilePath().toStdString();
}

std::string ProgramFolder() {
    return std::filesystem::path(ExeName()).parent_path().string();
}

std::string SettingsFileName() {
    return std::filesystem::path(ExeName()).replace_extension(".ini").string();
}

std::string ProgramFile(const std::string& name) {
    return (std::filesystem::path(ProgramFolder()) / name).string();
}

void SetProgramPathForTests(const std::string& exePath) {
    std::lock_guard lock(pathMutex);
    exePathOverride = exePath;
}
