#pragma once
// The edits of the script set-up and the transmit window. Their texts are held
// with line breaks as CR LF, as they are sent.
//
// Colouring of a mixed text edit: the whole text in the window-text colour and,
// when the text is mixed, every escape (a backslash and two hexadecimal digits)
// in pure blue. The caret is put back with an empty selection, and typing goes
// on in the window-text colour.

#include <string>

class QTextEdit;

void ColourMixedEscapes(QTextEdit* edit, bool mixed);

std::string EditTextCrLf(const QTextEdit* edit);
void SetEditTextCrLf(QTextEdit* edit, const std::string& text);
