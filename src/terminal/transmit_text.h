#pragma once
// What the transmit window sends and keeps, apart from its widgets: the text
// with counter, escapes, CRC and CR/LF; the lines of a command file; the repeat
// delay; the settings section and the ".txw" file of the box text.

#include <optional>
#include <string>
#include <vector>

class TIniFile;

constexpr int kPacketCounterLimit = 99999;
// The repeat never runs faster than this, whatever the delay says.
constexpr int kMinimumRepeatMs = 190;

// The counter after one more packet: back to 0 above 99999.
int NextPacketCounter(int counter);

struct TransmitTextOptions {
    bool counter = false;
    bool mixed = false;
    bool crc = false;
    bool crLf = false;
};

// The data for one send of the box text: the counter as five digits in front,
// escapes turned into bytes, the CRC (high byte first) over all of that, then
// CR LF.
std::string BuildTransmitText(const std::string& boxText, int counter, const TransmitTextOptions& options);

// The lines of a command file, comments removed: a line that begins with "//" is
// dropped; a line with "//" further on keeps what stands before it, trimmed.
std::vector<std::string> ReadCommandLines(const std::string& fileBytes);

// What one command line sends.
struct CommandLineAction {
    enum Kind { Nothing, Escape, Nms, Text } kind = Nothing;
    // Shown on the terminal's screen before the line goes out.
    std::string echo;
    // Escape: "+++" or "---", sent one character at a time. Text: the line and CR LF.
    std::string data;
};
CommandLineAction ClassifyCommandLine(const std::string& line);

// The delay box. The separator is the decimal separator of the user's locale.
std::optional<double> ParseDelay(const std::string& text);
// The text the box holds after Enter: values below 0.2 (or no number) become 0.2.
std::string AppliedDelayText(const std::string& text, char separator);
// One spin step: 0.1 up, or 0.1 down but not below 0.2, written with one decimal.
std::string SteppedDelayText(const std::string& text, char separator, bool up);
// The repeat interval in milliseconds.
int RepeatIntervalMs(const std::string& delayText);

// The settings section is the window caption up to its first ':'.
std::string TransmitSectionName(const std::string& caption);

struct TransmitSettings {
    bool crLf = false;
    bool mixed = false;
    bool crc = false;
    std::string txFile;
    // A command-file source saved in factory mode and read outside it: the source
    // falls back to the text and the file's caption is cleared; the file stays.
    bool fileCaptionCleared = false;
    int select = 1;
    bool newFormat = true;
    bool counter = false;
    bool continuous = false;
    std::string delay;
};

// Both throw what the settings file throws.
void SaveTransmitSettings(TIniFile& settings, const std::string& section, const TransmitSettings& values);
// Outside factory mode the command-file source (2) falls back to the text (1).
TransmitSettings LoadTransmitSettings(const TIniFile& settings, const std::string& section, char separator,
                                      bool factoryMode);

// A ".txw" file written before the "NEWFORMAT" key existed holds lines; later
// files hold the box text's bytes.
std::string TransmitBoxText(const std::string& fileBytes, bool newFormat);
