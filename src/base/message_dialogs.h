#pragma once
// The two standard dialogs of the base library.

#include <string>

// An error box with one OK button.
void ShowErrorMessage(const std::string& text);
// A Yes/No question, as a warning or as a confirmation; true when the answer is Yes.
bool AskYesNo(const std::string& text, bool warning);
