#pragma once
// The program's command-line modes. Arguments are counted from 1 after the
// program name; keywords are compared with the whole argument without regard to
// ASCII letter case.

#include <string>
#include <vector>

// What remote-use mode loads: arguments 2 to 5.
struct RemoteLoadArguments {
    int portDigit = 0;
    int channelMaskDigit = 0;
    int updateDigit = 0;
    std::string fileName;
};

struct CommandLineModes {
    bool factory = false;
    bool remoteUse = false;
    bool dsr = false;
    bool bootFlash = false;
    // Remote-use mode only: whether arguments 2 to 5 are there and 2 to 4 begin
    // with a digit, and what they say.
    bool remoteArgumentsValid = false;
    RemoteLoadArguments remoteLoad;
};

// The access codes of the hidden modes, as argument 1.
inline constexpr const char* kFactoryCode = "KpalvuxR";
inline constexpr const char* kRemoteUseCode = "ZrunemoltoQ";

// arguments[0] is the program name, as in main's argv.
CommandLineModes ParseCommandLine(const std::vector<std::string>& arguments);
