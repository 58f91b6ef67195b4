#include "base/message_dialogs.h"

#include "platform/message_box.h"

void ShowErrorMessage(const std::string& text) {
    MessageBox(text, "Error", MB_OK | MB_ICONERROR);
}

bool AskYesNo(const std::string& text, bool warning) {
    const unsigned icon = warning ? MB_ICONWARNING : MB_ICONQUESTION;
    return MessageBox(text, warning ? "Warning" : "Confirm", MB_YESNO | icon) == IDYES;
}
