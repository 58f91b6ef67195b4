#pragma once
// The check value of a modem-type file (".smf"): the designer compares it with the
// file's "Version"/"Number" entry, and the modem-type file maker writes it there.

#include <cstdint>
#include <string>
#include <vector>

// How the file's first "Number" line (its name compared without regard to case or
// blanks) enters the check.
enum class NumberLineForm {
    // The line's own text up to and including its first "=", then "0000": the
    // designer's check, under which blanks and letter case of the key count.
    OwnKey,
    // "Number=0000" whatever the line's spelling: the maker's, which writes the line.
    Plain,
};

// The CRC of the file's lower-case name and its lines, each ended by CR LF, with
// the value of its "Number" line made "0000" in the given form ("Number=0000" is
// put after the name and five lines when the file has no such line).
uint16_t ModemTypeCheckValue(const std::string& typeFileName, std::vector<std::string> lines,
                             NumberLineForm form);
