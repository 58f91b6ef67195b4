#include "designer/modem_data_file.h"

#include "designer/byte_reader.h"
#include "designer/modem_type_files.h"
#include "designer/project_file.h"
#include "designer/tkuvio.h"
#include "platform/message_box.h"

#include <filesystem>

bool LoadModemData(TKuvio& figure, const std::string& fileName) {
    const std::string bytes = ReadWholeFile(fileName);
    ByteReader in(bytes);
    TKuvio scratch(0, 0);
    scratch.SetTypeName(figure.TypeName());
    const RecordResult result = ReadModemRecord(scratch, in, true, RecordFormat{false, true, false});
    if (result == RecordResult::TypeMismatch)
        return false;
    if (result != RecordResult::Complete) {
        ShowMessage("Input file has been corrupted check all properties and\r\nsave project again");
        return false;
    }
    figure.SetTypeName(scratch.TypeName());
    figure.TakePropertiesFrom(scratch);
    return true;
}

void SaveModemData(const TKuvio& figure, const std::string& fileName) {
    WriteWholeFile(fileName, EncodeModemRecord(figure, true));
}

void ReadModemTypeDefaults(TKuvio& figure) {
    const std::string path =
        ProgramFileIgnoringCase(std::filesystem::path(figure.TypeName()).replace_extension(".ssf").string());
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return;
    try {
        LoadModemData(figure, path);
    } catch (const EFileError& failure) {
        ShowMessage(failure.what());
    }
}
