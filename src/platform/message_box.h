#pragma once
// Message boxes: one function shows every box of the program and returns the
// answer, with the button and icon flags of the classic message box. It may be
// called from any thread: a worker's box is shown on the GUI thread while the
// worker waits. Tests install a responder that records and answers boxes, so no
// test ever waits for a person. A message box on the GUI thread, answered by a
// responder or not, is counted as every modal window is (modal_box.h).

#include "platform/modal_box.h"

#include <functional>
#include <string>

enum MessageBoxFlags : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON2 = 0x100,
    MB_TOPMOST = 0x40000,
};

enum MessageBoxAnswer : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDRETRY = 4,
    IDYES = 6,
    IDNO = 7,
};

// One box as asked for. Texts are the program's 8-bit (Latin-1) texts.
struct MessageBoxRequest {
    std::string text;
    std::string caption;
    unsigned flags = MB_OK;
};

// Shows a box and returns the button chosen (IDOK, IDYES, ...). Closing the box
// without a button answers IDCANCEL, or IDNO for a Yes/No box, or IDOK for an
// OK box.
int MessageBox(const std::string& text, const std::string& caption, unsigned flags = MB_OK);

// A box with only the text and an OK button, captioned with the application's
// title.
void ShowMessage(const std::string& text);

// Replaces the on-screen boxes, for every thread, until reset with an empty
// function. The responder runs on the thread that asked.
using MessageBoxResponder = std::function<int(const MessageBoxRequest&)>;
void SetMessageBoxResponder(MessageBoxResponder responder);
