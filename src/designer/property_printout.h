#pragma once
// Printed pages of modem properties, portrait: the rows of each modem one below the
// other in two framed columns, the left column first, then the right one, then a
// new page.

#include "designer/property_rows.h"

#include <QFont>
#include <string>
#include <vector>

class QPainter;
class QPrinter;

class PropertyColumns {
public:
    // Columns from left to middle and from middle to the page's right margin.
    PropertyColumns(QPrinter& printer, QPainter& painter, int left, int middle);

    // Prints the rows from y down in the current column, going on in the next
    // column or page when one is full; returns the y below the last row.
    int PrintRows(const std::vector<PropertyRow>& rows, int y);
    // When y has passed the end of the page's printable height: the next column,
    // or a new page with framed columns. Returns where to go on.
    int Continue(int y);
    // Frames the two columns from the top down to the page's bottom margin.
    void FrameColumns(int top);

    int Page() const { return page_; }
    bool RightColumn() const { return rightColumn_; }

private:
    QPrinter& printer_;
    QPainter& painter_;
    int left_;
    int middle_;
    bool rightColumn_ = false;
    int page_ = 1;
};

// Prints one modem's rows. False when the printer cannot start a document.
bool PrintModemProperties(QPrinter& printer, const std::vector<PropertyRow>& rows, const QFont& font);
// Prints the rows of every modem under a heading with the project's name; prints
// nothing for no modems. False when the printer cannot start a document.
bool PrintAllModemProperties(QPrinter& printer, const std::vector<std::vector<PropertyRow>>& modems,
                             const std::string& projectName, const QFont& font);
