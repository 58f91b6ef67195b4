#include "designer/recent_files.h"

#include "platform/message_box.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"

#include <algorithm>

namespace {

const char* const kKeys[RecentFiles::kSlots] = {"Latest", "File1", "File2", "File3", "File4", "File5"};

} // namespace

const char* RecentFiles::Section() const {
    return singleModem_ ? "One Modem File List" : "File List";
}

void RecentFiles::Read() {
    const TIniFile settings(SettingsFileName());
    for (size_t i = 0; i < kSlots; ++i)
        slots_[i] = settings.ReadString(Section(), kKeys[i], "");
}

bool RecentFiles::Record(const std::string& fileName) {
    if (fileName == slots_[0])
        return false;
    const auto found = std::find(slots_.begin(), slots_.end(), fileName);
    // A listed file leaves its slot; otherwise the oldest slot is dropped.
    const auto freed = found == slots_.end() ? slots_.end() - 1 : found;
    std::rotate(slots_.begin(), freed, freed + 1);
    slots_[0] = fileName;
    return true;
}

void RecentFiles::RecordAndWrite(const std::string& fileName) {
    if (Record(fileName))
        Write();
}

void RecentFiles::Write() const {
    try {
        TIniFile settings(SettingsFileName());
        settings.BeginUpdate();
        for (size_t i = 0; i < kSlots; ++i)
            settings.WriteString(Section(), kKeys[i], slots_[i]);
        settings.UpdateFile();
    } catch (const EIniFileException&) {
        MessageBox("Unable to write ini file. Access denied", "Error", MB_OK | MB_ICONERROR);
    }
}
