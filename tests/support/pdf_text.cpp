#include "support/pdf_text.h"

#include <QProcess>

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
