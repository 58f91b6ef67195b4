#include "app/command_line.h"

#include "platform/ascii.h"

#include <cctype>

namespace {
bool ArgumentIs(const std::vector<std::string>& arguments, size_t index, const char* keyword) {
    return arguments.size() > index && SameText(arguments[index], keyword);
}

bool BeginsWithDigit(const std::string& argument) {
    return !argument.empty() && std::isdigit(static_cast<unsigned char>(argument[0]));
}

// Arguments 2 to 4 are single digits (their first character counts), argument 5
// the firmware file. A run with any of them missing or not a digit cannot load.
bool ReadRemoteLoad(const std::vector<std::string>& arguments, RemoteLoadArguments& load) {
    if (arguments.size() < 6 || arguments[5].empty())
        return false;
    for (size_t i = 2; i <= 4; ++i)
        if (!BeginsWithDigit(arguments[i]))
            return false;
    load.portDigit = arguments[2][0] - '0';
    load.channelMaskDigit = arguments[3][0] - '0';
    load.updateDigit = arguments[4][0] - '0';
    load.fileName = arguments[5];
    return true;
}
} // namespace

CommandLineModes ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLineModes modes;
    modes.factory = ArgumentIs(arguments, 1, kFactoryCode);
    modes.remoteUse = ArgumentIs(arguments, 1, kRemoteUseCode);
    modes.dsr = ArgumentIs(arguments, 2, "DSR");
    modes.bootFlash = modes.factory && ArgumentIs(arguments, 2, "BootFlash");
    if (modes.remoteUse)
        modes.remoteArgumentsValid = ReadRemoteLoad(arguments, modes.remoteLoad);
    return modes;
}
