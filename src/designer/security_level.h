#pragma once
// Security levels of modem programming: 0 needs no password, 5 and 9 each their own.

#include <string>

struct SecurityChoice {
    int level = 0;
    // False after a wrong password; the level is then 0.
    bool accepted = true;
};

// The level that the chosen level and the typed password give. Passwords are
// compared whole and with their letter case.
SecurityChoice ChooseSecurityLevel(int chosenLevel, const std::string& password);
