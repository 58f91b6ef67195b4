#include "terminal/mixed_text_edit.h"

#include "platform/latin1.h"
#include "terminal/mixed_text.h"

#include <QTextCursor>
#include <QTextEdit>

namespace {

const QColor kEscapeColour(0, 0, 255);
constexpr int kEscapeLength = 3;

} // namespace

void ColourMixedEscapes(QTextEdit* edit, bool mixed) {
    const int caret = edit->textCursor().position();
    QTextCharFormat plain;
    plain.setForeground(edit->palette().color(QPalette::Text));
    QTextCursor all(edit->document());
    all.select(QTextCursor::Document);
    all.mergeCharFormat(plain);
    if (mixed) {
        QTextCharFormat blue;
        blue.setForeground(kEscapeColour);
        for (size_t at : MixedEscapePositions(toLatin1(edit->toPlainText()))) {
            QTextCursor escape(edit->document());
            escape.setPosition(static_cast<int>(at));
            escape.setPosition(static_cast<int>(at) + kEscapeLength, QTextCursor::KeepAnchor);
            escape.mergeCharFormat(blue);
        }
    }
    QTextCursor restored(edit->document());
    restored.setPosition(caret);
    edit->setTextCursor(restored);
    edit->setCurrentCharFormat(plain);
}

std::string EditTextCrLf(const QTextEdit* edit) {
    std::string text;
    for (char c : toLatin1(edit->toPlainText())) {
        if (c == '\n') {
            text += '\r';
        }
        text += c;
    }
    return text;
}

void SetEditTextCrLf(QTextEdit* edit, const std::string& text) {
    QString plain = fromLatin1(text);
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    edit->setPlainText(plain);
}
