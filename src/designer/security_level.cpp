#include "designer/security_level.h"

namespace {
constexpr const char* kLevel5Password = "qejvomtu";
constexpr const char* kLevel9Password = "zirkapol";
} // namespace

SecurityChoice ChooseSecurityLevel(int chosenLevel, const std::string& password) {
    if (chosenLevel != 5 && chosenLevel != 9)
        return {0, true};
    if (password != (chosenLevel == 5 ? kLevel5Password : kLevel9Password))
        return {0, false};
    return {chosenLevel, true};
}
