#pragma once
// The check value of a modem-type file (".smf"): the designer compares it with the
// file's "Version"/"Number" entry, and the modem-type file maker writes it there.

#include <cstdint>
#include <string>
#include <vector>

// The CRC of the file's lower-case name and its lines, each ended by CR LF, with
// its first "Number" line (the name compared without regard to case or blanks)
// made "Number=0000" (such a line is put after the name and five lines when the
// file has none).
uint16_t ModemTypeCheckValue(const std::string& typeFileName, std::vector<std::string> lines);
