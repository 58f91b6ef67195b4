#include "designer/property_table.h"

#include "base/hex.h"
#include "designer/held_figure.h"
#include "designer/network_design.h"
#include "designer/tkuvio.h"

#include <algorithm>
#include <filesystem>
#include <memory>

namespace {

// The grid of a new tab: two columns and two rows, as a grid starts.
constexpr size_t kFirstSize = 2;
// The row of the modem's identifier.
constexpr size_t kModemAddressRow = 2;

void Resize(TableCells& cells, size_t rows, size_t columns) {
    rows = std::max(rows, cells.size());
    columns = std::max(columns, cells.empty() ? 0 : cells[0].size());
    cells.resize(rows);
    for (auto& row : cells)
        row.resize(columns);
}

std::string TabName(const TKuvio& figure) {
    return std::filesystem::path(figure.GetSmfFileName()).stem().string();
}

} // namespace

ModemRows RowsOfOneBuild(const PropertyRowContext& context, NetworkDesign* design) {
    return [context, design, schemas = std::make_shared<TypeSchemas>()](TKuvio& figure) {
        HeldFigure held;
        held.Hold(design, &figure);
        const auto gone = [&] { return design && !held.get(); };
        const ParameterSchema& schema = schemas->Of(figure);
        if (gone())
            return std::vector<PropertyRow>();
        const std::vector<FieldValue> values = LoadFieldValues(
            schema, figure, [&](const TKuvio& asked) { return AskContinueOnConflict(asked) && !gone(); });
        if (gone())
            return std::vector<PropertyRow>();
        return BuildPropertyRows(figure, schema, values, context);
    };
}

void FillPropertyRows(TableCells& cells, size_t column, const std::vector<PropertyRow>& rows) {
    Resize(cells, rows.size(), column + 1);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (column == 1)
            cells[i][0] = rows[i].label;
        cells[i][column] = rows[i].value;
    }
}

std::vector<ModemRowsOf> RowsOfEveryModem(const NetworkDesign& design, const ModemRows& rows) {
    std::vector<ModemRowsOf> modems;
    for (size_t i = 0; i < design.Figures().size(); ++i) {
        const TKuvio* const figure = design.Figures()[i].get();
        std::vector<PropertyRow> figureRows = rows(*design.Figures()[i]);
        if (i >= design.Figures().size() || design.Figures()[i].get() != figure)
            break;
        modems.push_back({figure, std::move(figureRows)});
    }
    return modems;
}

std::vector<PropertyTableTab> BuildPropertyTable(const NetworkDesign& design, const ModemRows& rows) {
    std::vector<PropertyTableTab> tabs;
    std::vector<std::string> typeFiles;
    // The modems of a type fill the columns from 1 in list order.
    std::vector<size_t> nextColumn;
    for (const auto& [figure, figureRows] : RowsOfEveryModem(design, rows)) {
        const std::string typeFile = figure->GetSmfFileName();
        const auto found = std::find(typeFiles.begin(), typeFiles.end(), typeFile);
        const size_t tab = static_cast<size_t>(found - typeFiles.begin());
        if (found == typeFiles.end()) {
            typeFiles.push_back(typeFile);
            tabs.push_back({TabName(*figure), {}, {}});
            Resize(tabs.back().cells, kFirstSize, kFirstSize);
            nextColumn.push_back(1);
        }
        FillPropertyRows(tabs[tab].cells, nextColumn[tab]++, figureRows);
        tabs[tab].figures.push_back(figure);
    }
    return tabs;
}

TKuvio* FigureOfColumn(const NetworkDesign& design, const PropertyTableTab& tab, size_t column) {
    const TableCells& cells = tab.cells;
    if (column == 0 || column > tab.figures.size() || cells.size() <= kModemAddressRow ||
        column >= cells[kModemAddressRow].size())
        return nullptr;
    const std::string& text = cells[kModemAddressRow][column];
    if (text.empty() || !IsHexString(text))
        return nullptr;
    const uint32_t identifier = KelvoBase::StringHexToInt(text);
    for (const auto& figure : design.Figures())
        if (figure.get() == tab.figures[column - 1] && figure->identifier == identifier)
            return figure.get();
    return nullptr;
}

std::string CopiedCellsText(const TableCells& cells, int top, int left, int bottom, int right) {
    std::string text;
    for (int row = std::max(top, 0); row <= bottom && row < static_cast<int>(cells.size()); ++row) {
        const auto& line = cells[static_cast<size_t>(row)];
        for (int column = std::max(left, 0); column <= right && column < static_cast<int>(line.size());
             ++column)
            text += (column > std::max(left, 0) ? "\t" : "") + line[static_cast<size_t>(column)];
        text += "\r\n";
    }
    return text + "\r\n";
}

std::string PropertyTableText(const std::vector<PropertyTableTab>& tabs) {
    std::string text;
    for (const PropertyTableTab& tab : tabs) {
        text += "Modem type " + tab.name + "\r\n";
        const int columns = tab.cells.empty() ? 0 : static_cast<int>(tab.cells[0].size());
        const std::string rows =
            CopiedCellsText(tab.cells, 0, 0, static_cast<int>(tab.cells.size()) - 1, columns - 1);
        // The copied text ends with one empty line, the file with two.
        text += rows + "\r\n";
    }
    return text;
}

std::vector<Band> PageBands(const std::vector<int>& sizes, double scale, int limit) {
    std::vector<Band> bands;
    const int count = static_cast<int>(sizes.size());
    for (int first = 1; first < count;) {
        double sum = sizes[0] + sizes[static_cast<size_t>(first)];
        int last = first;
        while (last + 1 < count) {
            sum += sizes[static_cast<size_t>(last + 1)];
            if (sum * scale >= limit)
                break;
            ++last;
        }
        bands.push_back({first, last});
        first = last + 1;
    }
    return bands;
}
