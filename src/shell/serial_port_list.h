#pragma once
// The computer's COM port names as one comma-separated text, sorted as text
// without regard to case ("COM10" comes before "COM2"). The names come from the
// registry key that lists the serial ports (answered from the port map).

#include <optional>
#include <string>
#include <vector>

// The list from the port names that could be read: nullopt when the key is
// missing or holds no values (then the sixteen names COM1 to COM16), an empty
// list when every value failed to read (then COM1 to COM4).
std::string ComListFromPortNames(const std::optional<std::vector<std::string>>& portNames);

// Reads the registry key and builds the list from it.
std::string ReadSerialPortList();
