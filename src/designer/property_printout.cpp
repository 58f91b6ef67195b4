#include "designer/property_printout.h"

#include "designer/shared_printer.h"
#include "platform/latin1.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

namespace {

constexpr int kMargin = 55;
// A column is full when the next row would start this close to the page's end.
constexpr int kBottomRoom = 110;
constexpr int kRowGap = 5;
constexpr int kRowPointSize = 12;
constexpr int kHeadingPointSize = 14;
constexpr int kHeadingGap = 60;

int LineHeight(const QPainter& painter) {
    return painter.fontMetrics().height();
}

// The left margin: half an inch of the printer.
int LeftMargin(const QPrinter& printer) {
    return printer.logicalDpiX() / 2;
}

// The column border: the middle of the space right of the left margin.
int Middle(const QPrinter& printer, int left) {
    return printer.width() / 2 + (left - kMargin) / 2;
}

bool BeginPortrait(QPrinter& printer, QPainter& painter, const char* title) {
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setDocName(title);
    return BeginPrinting(painter, printer);
}

QFont Sized(QFont font, int pointSize, bool bold) {
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace

PropertyColumns::PropertyColumns(QPrinter& printer, QPainter& painter, int left, int middle)
    : printer_(printer), painter_(painter), left_(left), middle_(middle) {}

int PropertyColumns::PrintRows(const std::vector<PropertyRow>& rows, int y) {
    const int height = LineHeight(painter_);
    for (const PropertyRow& row : rows) {
        const int x = rightColumn_ ? middle_ : left_;
        const int right = rightColumn_ ? printer_.width() - kMargin - 2 : middle_ - 2;
        const QRect cell(QPoint(x + 1, y + 1), QPoint(right, y + height + kRowGap));
        painter_.drawText(cell, Qt::AlignLeft | Qt::AlignTop, fromLatin1(" " + row.label + " " + row.value));
        y = Continue(y + height + kRowGap);
    }
    return y;
}

int PropertyColumns::Continue(int y) {
    if (y <= printer_.height() - kBottomRoom)
        return y;
    if (rightColumn_) {
        printer_.newPage();
        ++page_;
        FrameColumns(kMargin);
        rightColumn_ = false;
        return kMargin;
    }
    rightColumn_ = true;
    if (page_ > 1)
        return kMargin;
    // The first page's right column starts below the heading.
    painter_.setFont(Sized(painter_.font(), kHeadingPointSize, painter_.font().bold()));
    const int top = LineHeight(painter_) + kHeadingGap;
    painter_.setFont(Sized(painter_.font(), kRowPointSize, painter_.font().bold()));
    return top;
}

void PropertyColumns::FrameColumns(int top) {
    const int bottom = printer_.height() - kMargin - 1;
    painter_.drawRect(QRect(QPoint(left_, top), QPoint(middle_ - 1, bottom)));
    painter_.drawRect(QRect(QPoint(middle_ - 1, top), QPoint(printer_.width() - kMargin - 1, bottom)));
}

bool PrintModemProperties(QPrinter& printer, const std::vector<PropertyRow>& rows, const QFont& font) {
    QPainter painter;
    if (!BeginPortrait(printer, painter, "Properties of modem"))
        return false;
    painter.setFont(Sized(font, kRowPointSize, false));
    const int left = LeftMargin(printer);
    PropertyColumns columns(printer, painter, left, Middle(printer, left));
    columns.PrintRows(rows, 0);
    return painter.end();
}

bool PrintAllModemProperties(QPrinter& printer, const std::vector<std::vector<PropertyRow>>& modems,
                             const std::string& projectName, const QFont& font) {
    if (modems.empty())
        return true;
    QPainter painter;
    if (!BeginPortrait(printer, painter, "List of modem properties"))
        return false;
    painter.setFont(Sized(font, kHeadingPointSize, true));
    const int left = LeftMargin(printer);
    const int middle = Middle(printer, left);
    painter.drawRect(
        QRect(QPoint(left, kMargin), QPoint(printer.width() - kMargin - 1, printer.height() - kMargin - 1)));
    const QString heading = fromLatin1("Project " + projectName);
    const int headingX =
        printer.width() / 2 - painter.fontMetrics().horizontalAdvance(heading) / 2 + (left - kMargin) / 2;
    painter.drawText(headingX, kHeadingGap + painter.fontMetrics().ascent(), heading);
    const int headingHeight = LineHeight(painter) + kRowGap;
    PropertyColumns columns(printer, painter, left, middle);
    columns.FrameColumns(headingHeight + kMargin);
    painter.setFont(font);
    const int line = LineHeight(painter);
    int y = headingHeight + kHeadingGap;
    for (const std::vector<PropertyRow>& rows : modems)
        y = columns.Continue(columns.PrintRows(rows, y) + line + kRowGap);
    return painter.end();
}
