#pragma once
// Modem data files: one modem's values kept in a file (the single form of a figure
// record, without trailer), to reuse a set-up on other modems of the same type and
// as the default values of a type ("<type>.ssf" beside the executable).

#include <string>

class TKuvio;

// Reads the file's values into the figure. The figure's values change only when
// the file is whole and of the figure's modem type; otherwise a message box says
// why and the figure keeps what it had. Throws EFileError when the file cannot be
// read.
bool LoadModemData(TKuvio& figure, const std::string& fileName);

// Writes the figure's type name and values. Throws EFileError.
void SaveModemData(const TKuvio& figure, const std::string& fileName);

// Gives a new figure the default values of its type when "<type>.ssf" exists in
// the program's folder.
void ReadModemTypeDefaults(TKuvio& figure);
