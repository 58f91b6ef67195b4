#pragma once
// The printout of the property table, landscape: each tab's grid cut into bands of
// rows and columns that fit on a page; every page repeats the corner cell, the row
// names and the heading row, under a heading with the modem type and a page number
// that runs on across the tabs.

#include "designer/property_table.h"

#include <QFont>
#include <string>
#include <vector>

class QPrinter;

// A tab's grid as the window shows it: its cells and their sizes in window pixels.
struct PrintedGrid {
    const PropertyTableTab* tab = nullptr;
    std::vector<int> rowHeights;
    std::vector<int> columnWidths;
};

struct TablePrintOptions {
    std::string projectName;
    // A single-modem design has no project name to show.
    bool singleModem = false;
    // The window's font: sizes in window pixels are scaled by how much larger the
    // printer draws it.
    QFont font;
};

// Prints every grid; nothing, and no document, for no grids. False when the
// printer cannot start a document.
bool PrintPropertyTable(QPrinter& printer, const std::vector<PrintedGrid>& grids,
                        const TablePrintOptions& options);
