// Every file the program reads by name refuses a folder or a pipe in the file's
// place, and no read waits for a writer of the pipe.

#include "base/tstreamstring.h"
#include "components/tdrawpanel.h"
#include "designer/modem_data_file.h"
#include "designer/modem_type_files.h"
#include "designer/network_design.h"
#include "designer/parameter_schema.h"
#include "designer/project_file.h"
#include "firmware/cmassflash.h"
#include "firmware/cmassflash_3069.h"
#include "firmware/firmware_load.h"
#include "platform/program_files.h"
#include "platform/serial_comm.h"
#include "platform/tinifile.h"
#include "platform/wave_sound.h"
#include "support/message_box_recorder.h"
#include "support/pseudo_terminal_ports.h"
#include "support/temp_folder.h"
#include "terminal/script_store.h"

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// Runs the read; when it has not ended after the time-out, writers open the pipe
// and close it again until it has, so that every read waiting for one ends. True
// when it ended in time.
bool EndsWithoutAWriter(const std::string& pipe, const std::function<void()>& read) {
    std::promise<void> done;
    std::future<void> ended = done.get_future();
    bool hung = false;
    std::thread watchdog([&] {
        if (ended.wait_for(3s) == std::future_status::ready)
            return;
        hung = true;
        while (ended.wait_for(10ms) != std::future_status::ready) {
            const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
        }
    });
    read();
    done.set_value();
    watchdog.join();
    return !hung;
}

struct Reader {
    const char* name;
    // Where the reader looks for its file.
    std::function<std::string()> path;
    // True when the reader reports the file as not read.
    std::function<bool(const std::string& path)> refuses;
};

template <typename Failure> bool Throws(const std::function<void()>& read) {
    try {
        read();
    } catch (const Failure&) {
        return true;
    }
    return false;
}

TEST(FileReaders, AFolderOrAPipeInAFilesPlaceIsRefusedWithoutWaiting) {
    TempFolder folder;
    SetProgramPathForTests(folder.file("quovix"));
    SetUucpLockFolderForTests(folder.path().string());
    MessageBoxRecorder boxes;
    PseudoTerminalPorts ports;
    const std::string lockName = "LCK.." + ports.Add(7).substr(5).replace(3, 1, "_");
    const std::vector<Reader> readers{
        {"settings file", SettingsFileName,
         [](const std::string& path) {
             const TIniFile settings(path);
             return !settings.Readable() && settings.ReadString("File List", "Latest", "none") == "none";
         }},
        {"modem-type check", [] { return ProgramFile("QX-P.smf"); },
         [&boxes](const std::string& path) {
             boxes.clear();
             CheckModemTypeFile("QX-P.smf", false);
             return boxes.texts() == std::vector<std::string>{"Unable to read file " + path};
         }},
        {"modem-type version", [] { return ProgramFile("QX-P.smf"); },
         [](const std::string&) { return ReadModemTypeVersion("QX-P.smf").name == "ERROR"; }},
        {"parameter schema", [] { return ProgramFile("QX-P.smf"); },
         [](const std::string& path) { return ReadParameterSchema(path).fields.empty(); }},
        {"project file", [] { return ProgramFile("p.spf"); },
         [](const std::string& path) {
             NetworkDesign design(false);
             return Throws<EFileError>([&] { LoadProjectFile(design, path, {}); });
         }},
        {"modem data", [] { return ProgramFile("m.ssf"); },
         [](const std::string& path) {
             TKuvio modem(0, 0);
             return Throws<EFileError>([&] { LoadModemData(modem, path); });
         }},
        {"script file", [] { return ProgramFile("s.stf"); },
         [](const std::string& path) {
             ScriptTable table;
             return ReadScriptFile(path, table).layout == ScriptFileContents::Unreadable;
         }},
        {"script store", [] { return ProgramFile("scripts.txt"); },
         [](const std::string& path) {
             ScriptTable table;
             return LoadScriptStore(TIniFile(SettingsFileName()), path, table) == ScriptStoreLoad::Unreadable;
         }},
        {"transmit file", [] { return ProgramFile("Transmit.txw"); },
         [](const std::string& path) {
             return Throws<EStreamError>([&] { TStreamString().LoadFromFile(path); });
         }},
        {"firmware file", [] { return ProgramFile("f.sff"); },
         [](const std::string& path) {
             FlashRefusal refusal;
             return !ReadFirmwareFile(path, false, refusal) && !ReadFirmwareFile(path, true, refusal);
         }},
        {"H8/3048 loader", [] { return ProgramFile(CMassFlash::kFastLoaderFile); },
         [](const std::string&) {
             CMassFlash engine;
             engine.HighSpeed = true;
             return !engine.LoadLoader();
         }},
        {"H8/3069 loader",
         [] { return ProgramFile(CMassFlash_3069::LoaderFile(CMassFlash_3069().LoaderNumber())); },
         [](const std::string&) { return !CMassFlash_3069().LoadLoader(); }},
        {"background picture", [] { return ProgramFile("b.bmp"); },
         [](const std::string& path) {
             TDrawPanel panel(nullptr);
             return Throws<std::runtime_error>([&] { panel.LoadBackgroundImage(path); });
         }},
        {"result sound", [] { return ProgramFile("ok.wav"); },
         [](const std::string& path) { return !PlayWaveFile(path); }},
        {"port lock file", [&] { return folder.file(lockName); },
         [](const std::string&) {
             // A lock that cannot be read keeps no one out.
             const HANDLE port = CreateFile("\\\\.\\COM7", 0);
             CloseHandle(port);
             return port != INVALID_HANDLE_VALUE;
         }},
    };
    for (const Reader& reader : readers) {
        for (const bool pipe : {false, true}) {
            const std::string path = reader.path();
            if (pipe)
                ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
            else
                std::filesystem::create_directory(path);
            bool refused = false;
            const auto read = [&] {
                try {
                    refused = reader.refuses(path);
                } catch (const std::exception& failure) {
                    ADD_FAILURE() << reader.name << " threw: " << failure.what();
                }
            };
            EXPECT_TRUE(EndsWithoutAWriter(path, read)) << reader.name << " waited on a pipe";
            EXPECT_TRUE(refused) << reader.name << (pipe ? ": pipe" : ": folder");
            std::filesystem::remove(path);
        }
    }
    SetUucpLockFolderForTests("/var/lock");
    SetProgramPathForTests("");
}

} // namespace
