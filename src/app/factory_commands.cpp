#include "app/factory_commands.h"

#include "base/message_dialogs.h"
#include "firmware/loader_text.h"
#include "firmware/smf_maker.h"
#include "platform/file_dialogs.h"
#include "platform/message_box.h"
#include "platform/program_files.h"
#include "shell/main_window_services.h"

#include <filesystem>
#include <optional>
#include <stdexcept>

namespace {

std::optional<std::string> ChooseFile(MainWindowServices& mainWindow, const std::string& filter,
                                      const std::string& fileName, const std::string& folder) {
    FileDialogRequest request;
    request.filter = filter;
    request.fileName = fileName;
    request.initialFolder = folder;
    return ChooseFileName(mainWindow.Window(), request);
}

std::string LoaderFolder(const std::string& loaderPath) {
    if (loaderPath == kNoLoaderPath)
        return ProgramFolder();
    return std::filesystem::path(loaderPath).parent_path().string();
}

// Runs one conversion; a failure is shown and ends the command.
template <typename Conversion> bool Converted(Conversion conversion) {
    try {
        conversion();
        return true;
    } catch (const std::runtime_error& error) {
        ShowErrorMessage(error.what());
        return false;
    }
}

} // namespace

void MakeSmfFromDialogs(MainWindowServices& mainWindow) {
    const auto exportFile = ChooseFile(mainWindow, "text file|*.txt", "*.txt", ProgramFolder());
    if (!exportFile)
        return;
    std::string typeFile;
    if (Converted([&] { typeFile = MakeSmfFromText(*exportFile, ProgramFolder()); }))
        ShowMessage("Conversion from\r\n" + *exportFile + "\r\nto " + typeFile + "\r\nfinnished OK");
}

void LoaderToHexText(MainWindowServices& mainWindow) {
    const auto sRecordFile = ChooseFile(mainWindow, "Loader ASM file|*.a20;*s19", "*.s19", ProgramFolder());
    if (sRecordFile && !Converted([&] { SRecordFileToBinary(*sRecordFile); }))
        return;
    const auto binaryFile =
        ChooseFile(mainWindow, "Loader file|*.bin", "*.bin", LoaderFolder(mainWindow.LoaderPath()));
    if (binaryFile) {
        mainWindow.SetLoaderPath(*binaryFile);
        if (!Converted([&] { BinaryFileToText(*binaryFile); }))
            return;
    }
    // The closing box comes after a cancelled second step too.
    ShowMessage("Loader transfered to txt format");
}
