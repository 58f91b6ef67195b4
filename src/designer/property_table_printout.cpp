#include "designer/property_table_printout.h"

#include "designer/shared_printer.h"
#include "platform/latin1.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

namespace {

constexpr int kMargin = 55;
constexpr int kHeadingTop = 27;
constexpr int kPageRoom = 110;
constexpr int kTextInset = 2;

class TablePages {
public:
    TablePages(QPrinter& printer, QPainter& painter, const TablePrintOptions& options)
        : printer_(printer), painter_(painter), options_(options) {
        const QFontMetrics window(options.font);
        const QFontMetrics printed = painter.fontMetrics();
        sx_ = static_cast<double>(printed.horizontalAdvance("Wg")) / window.horizontalAdvance("Wg");
        sy_ = static_cast<double>(printed.height()) / window.height();
        // The grid starts below the heading, at printer pixels, whatever the
        // printer's resolution: at 55 window pixels scaled to the printer's it would
        // start the lower the finer the printer, and the rows that the bands fit to
        // the page would run off its foot.
        origin_ = QPoint(kMargin, kMargin + printed.height());
    }

    void PrintGrid(const PrintedGrid& grid) {
        const int headingHeight = painter_.fontMetrics().height();
        const std::vector<Band> rows =
            PageBands(grid.rowHeights, sy_, printer_.height() - kPageRoom - headingHeight);
        const std::vector<Band> columns = PageBands(grid.columnWidths, sx_, printer_.width() - kPageRoom);
        bool first = true;
        for (const Band& rowBand : rows)
            for (const Band& columnBand : columns) {
                if (!first)
                    printer_.newPage();
                first = false;
                PrintPage(grid, rowBand, columnBand);
            }
    }

private:
    std::string Heading(const PrintedGrid& grid) {
        std::string heading;
        if (!options_.singleModem)
            heading = "Project: " + options_.projectName + " ";
        return heading + "Modem type " + grid.tab->name + " page " + std::to_string(page_++);
    }

    // Window positions from the grid's corner, in the band's own order: the corner
    // cell, the names of the band's rows, the heading row of its columns, its cells.
    void PrintPage(const PrintedGrid& grid, const Band& rows, const Band& columns) {
        painter_.drawText(kMargin, kHeadingTop + painter_.fontMetrics().ascent(), fromLatin1(Heading(grid)));
        const int nameWidth = grid.columnWidths[0];
        const int headingHeight = grid.rowHeights[0];
        PrintCell(grid, 0, 0, 0, 0);
        for (int row = rows.first, y = headingHeight; row <= rows.last; y += grid.rowHeights[row++])
            PrintCell(grid, 0, row, 0, y);
        for (int column = columns.first, x = nameWidth; column <= columns.last;
             x += grid.columnWidths[column++])
            PrintCell(grid, column, 0, x, 0);
        for (int column = columns.first, x = nameWidth; column <= columns.last;
             x += grid.columnWidths[column++])
            for (int row = rows.first, y = headingHeight; row <= rows.last; y += grid.rowHeights[row++])
                PrintCell(grid, column, row, x, y);
    }

    void PrintCell(const PrintedGrid& grid, int column, int row, int x, int y) {
        const int left = origin_.x() + static_cast<int>(x * sx_);
        const int top = origin_.y() + static_cast<int>(y * sy_);
        const int right = origin_.x() + static_cast<int>((x + grid.columnWidths[column]) * sx_ + 1);
        const int bottom = origin_.y() + static_cast<int>((y + grid.rowHeights[row]) * sy_ + 1);
        const QRect cell(QPoint(left, top), QPoint(right - 1, bottom - 1));
        painter_.drawRect(cell);
        const std::string& text = grid.tab->cells[static_cast<size_t>(row)][static_cast<size_t>(column)];
        painter_.drawText(cell.adjusted(kTextInset, kTextInset, -kTextInset, -kTextInset),
                          Qt::AlignLeft | Qt::AlignTop, fromLatin1(text));
    }

    QPrinter& printer_;
    QPainter& painter_;
    const TablePrintOptions& options_;
    double sx_ = 1.0;
    double sy_ = 1.0;
    QPoint origin_;
    int page_ = 1;
};

} // namespace

bool PrintPropertyTable(QPrinter& printer, const std::vector<PrintedGrid>& grids,
                        const TablePrintOptions& options) {
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName("Grid of modem properties");
    if (grids.empty())
        return true;
    QPainter painter;
    if (!BeginPrinting(painter, printer))
        return false;
    painter.setFont(options.font);
    painter.setBrush(Qt::white);
    TablePages pages(printer, painter, options);
    for (size_t t = 0; t < grids.size(); ++t) {
        if (t > 0)
            printer.newPage();
        pages.PrintGrid(grids[t]);
    }
    return painter.end();
}
