#include "support/pdf_text.h"

#include <QProcess>
#include <QTemporaryDir>

std::vector<std::string> PdfPages(const std::string& fileName) {
    QProcess extract;
    extract.start("pdftotext", {"-layout", QString::fromStdString(fileName), "-"});
    if (!extract.waitForFinished(30000) || extract.exitCode() != 0)
        return {};
    const std::string text = extract.readAllStandardOutput().toStdString();
    // pdftotext ends every page with a form feed.
    std::vector<std::string> pages;
    size_t start = 0;
    for (size_t feed = text.find('\f'); feed != std::string::npos; feed = text.find('\f', start)) {
        pages.push_back(text.substr(start, feed - start));
        start = feed + 1;
    }
    return pages;
}

std::string PdfText(const std::string& fileName) {
    std::string text;
    for (const std::string& page : PdfPages(fileName))
        text += page;
    return text;
}

bool HoldsInOrder(const std::string& text, const std::vector<std::string>& words) {
    size_t at = 0;
    for (const std::string& word : words) {
        at = text.find(word, at);
        if (at == std::string::npos)
            return false;
        at += word.size();
    }
    return true;
}

std::string PdfTitle(const std::string& fileName) {
    QProcess info;
    info.start("pdfinfo", {QString::fromStdString(fileName)});
    if (!info.waitForFinished(30000) || info.exitCode() != 0)
        return {};
    for (const QByteArray& line : info.readAllStandardOutput().split('\n'))
        if (line.startsWith("Title:"))
            return line.mid(6).trimmed().toStdString();
    return {};
}

QImage PdfFirstPageImage(const std::string& fileName, int dotsPerInch) {
    QTemporaryDir folder;
    const QString base = folder.filePath("page");
    QProcess draw;
    draw.start("pdftoppm", {"-png", "-singlefile", "-f", "1", "-l", "1", "-r", QString::number(dotsPerInch),
                            QString::fromStdString(fileName), base});
    if (!draw.waitForFinished(30000) || draw.exitCode() != 0)
        return {};
    return QImage(base + ".png");
}
