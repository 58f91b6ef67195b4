#pragma once
// The modem-type file maker of the factory menu: turns the tab-separated export of
// the spreadsheet that describes a modem type into the type's ".smf" file, which
// the designer reads.
//
// The export: the first line holds the type name after a tab. The header lines up
// to a line that contains ">>>>>>>>" give "Version" entries (key, tab, value).
// After the marker come two heading lines, then the parameter lines up to the next
// marker, each of four tab-separated columns. A line that does not begin with a
// tab starts a parameter (type letter, mode, description, help text); the lines
// that begin with a tab continue it: the first gives its visibility value, the
// further ones the items of a parameter of type R.

#include <string>

// Writes the modem-type file that the export describes into the folder, with its
// check number, and returns its path. The file is replaced whole or not at all;
// other files of the same name in another letter case are removed. Throws
// std::runtime_error with the text to show when the export cannot be read, names
// no type, or the file cannot be written.
std::string MakeSmfFromText(const std::string& exportFile, const std::string& folder);
