#pragma once
// The program's texts are 8-bit strings (Latin-1); Qt's are Unicode. Windows
// convert at their edge with these two functions.

#include <QString>
#include <string>

inline QString fromLatin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string toLatin1(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}
