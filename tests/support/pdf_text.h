#pragma once
// What a printed PDF file holds: its text as pdftotext reads it, page by page,
// its title and how its pages look (poppler-utils' pdfinfo and pdftoppm).

#include <QImage>
#include <string>
#include <vector>

// The text of every page of the file, in layout order; empty when the file is
// missing or unreadable.
std::vector<std::string> PdfPages(const std::string& fileName);
// The pages' texts joined.
std::string PdfText(const std::string& fileName);
// Whether the text holds the words in this order, however the lines between them
// were laid out.
bool HoldsInOrder(const std::string& text, const std::vector<std::string>& words);
// The document title pdfinfo reads; empty when there is none.
std::string PdfTitle(const std::string& fileName);
// The first page drawn at the resolution; a null image when it cannot be drawn.
QImage PdfFirstPageImage(const std::string& fileName, int dotsPerInch);
