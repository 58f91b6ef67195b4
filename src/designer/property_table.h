#pragma once
// The property values of all modems of a design side by side: one tab per modem
// type in the order in which the first modem of each type stands in the figure
// list, and on each tab a grid with the row names in column 0 and one column per
// modem of that type. Also the grid's texts for a file and for the clipboard, and
// the split of a grid into bands of rows and columns that fit on printed pages.

#include "designer/property_rows.h"

#include <functional>
#include <string>
#include <vector>

class NetworkDesign;
class TKuvio;

// Cells of a grid, row by row; every row has the grid's column count.
using TableCells = std::vector<std::vector<std::string>>;

struct PropertyTableTab {
    // The modem type: the type file's name without its extension.
    std::string name;
    TableCells cells;
    // The modem each column was built for, from column 1 on.
    std::vector<const TKuvio*> figures;
};

// The rows of one modem, as the properties window shows them.
using ModemRows = std::function<std::vector<PropertyRow>(TKuvio&)>;
// The rows of the modems of one table or printout, each type file read once. The
// type file's boxes and the conflict question let the event loop run: a modem of
// `design` that goes under one is read no further and has no rows.
ModemRows RowsOfOneBuild(const PropertyRowContext& context, NetworkDesign* design = nullptr);

// Writes a modem's rows into column `column` of the grid; column 1 also writes the
// row names into column 0. The grid grows to hold them.
void FillPropertyRows(TableCells& cells, size_t column, const std::vector<PropertyRow>& rows);

// A modem and its rows.
struct ModemRowsOf {
    const TKuvio* figure;
    std::vector<PropertyRow> rows;
};
// The rows of the design's modems in list order; the walk stops at a modem that a
// question asked while its rows were read removed, as the list it walked is gone.
std::vector<ModemRowsOf> RowsOfEveryModem(const NetworkDesign& design, const ModemRows& rows);

// The table of the design's modems, as far as that walk goes.
std::vector<PropertyTableTab> BuildPropertyTable(const NetworkDesign& design, const ModemRows& rows);

// The figure the column was built for, while it is in the design with the
// column's modem-address row, read as a hexadecimal number, as its identifier;
// none for the name column or a row that is no such number. Two modems may share
// an address: each column opens its own.
TKuvio* FigureOfColumn(const NetworkDesign& design, const PropertyTableTab& tab, size_t column);

// Every tab as "Modem type <name>" and its rows, cells separated by TAB, lines
// ended by CR LF, each tab followed by an empty line pair.
std::string PropertyTableText(const std::vector<PropertyTableTab>& tabs);

// The cells of rows top to bottom and columns left to right, TAB separated, each
// row ended by CR LF and the whole by one more CR LF.
std::string CopiedCellsText(const TableCells& cells, int top, int left, int bottom, int right);

// A run of rows (or columns) printed on one page, first and last inclusive.
struct Band {
    int first = 0;
    int last = 0;
    bool operator==(const Band&) const = default;
};
// Splits rows (or columns) 1 to the last into bands that fit, after row 0, within
// the limit once their sizes are multiplied by the scale. A band holds at least
// one row, however large.
std::vector<Band> PageBands(const std::vector<int>& sizes, double scale, int limit);
