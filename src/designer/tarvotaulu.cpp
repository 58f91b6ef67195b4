#include "designer/tarvotaulu.h"

#include "designer/property_table_printout.h"
#include "designer/shared_printer.h"
#include "designer/tpiirtopohja.h"
#include "platform/atomic_file.h"
#include "platform/file_dialogs.h"
#include "platform/latin1.h"
#include "platform/message_box.h"
#include "platform/program_files.h"
#include "shell/main_window_services.h"
#include "shell/mdi_child.h"
#include "ui_tarvotaulu.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableWidget>

QPointer<Tarvotaulu> arvotaulu;

namespace {

// A new grid's cell sizes, which columns widen from to fit their texts.
constexpr int kDefaultColumnWidth = 64;
const QColor kFixedCellColour(Qt::lightGray);
// What a cell takes beside its text: the margins the style draws around it.
constexpr int kCellPadding = 8;

QMdiSubWindow* FrameOf(QWidget* window) {
    return window ? qobject_cast<QMdiSubWindow*>(window->parentWidget()) : nullptr;
}

// Column 0 fits the widest name with a little room; the value columns fit their
// widest value followed by a blank.
void FitColumns(QTableWidget& grid, const TableCells& cells) {
    const QFontMetrics metrics = grid.fontMetrics();
    for (const auto& row : cells)
        for (size_t column = 0; column < row.size(); ++column) {
            const std::string room = column == 0 ? "i" : " ";
            const int width = metrics.horizontalAdvance(fromLatin1(row[column] + room)) + kCellPadding;
            if (width > grid.columnWidth(static_cast<int>(column)))
                grid.setColumnWidth(static_cast<int>(column), width);
        }
}

} // namespace

Tarvotaulu::Tarvotaulu(Tpiirtopohja* designer, Qt::WindowStates designerState, QWidget* parent)
    : QMainWindow(parent), ui(new Ui::Tarvotaulu), designer_(designer), designerState_(designerState) {
    ui->setupUi(this);
    const std::pair<QAction*, void (Tarvotaulu::*)()> commands[] = {
        {ui->PrintProTable1, &Tarvotaulu::PrintProTable1Click},
        {ui->Closeprotable1, &Tarvotaulu::Closeprotable1Click},
        {ui->Saveastextfile1, &Tarvotaulu::Saveastextfile1Click},
        {ui->Exit1, &Tarvotaulu::Exit1Click},
        {ui->Copy1, &Tarvotaulu::Copy1Click},
        {ui->Selectall1, &Tarvotaulu::Selectall1Click},
    };
    for (const auto& [item, handler] : commands)
        connect(item, &QAction::triggered, this, [this, handler = handler] { (this->*handler)(); });
    ui->Copy1->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(ui->Copy1);
    connect(ui->valilehdet, &QTabBar::currentChanged, ui->grids, &QStackedWidget::setCurrentIndex);
    BuildPropertyTable();
}

Tarvotaulu::~Tarvotaulu() {
    delete ui;
}

QTableWidget* Tarvotaulu::Grid(int tab) const {
    return qobject_cast<QTableWidget*>(ui->grids->widget(tab));
}

int Tarvotaulu::CurrentTab() const {
    return ui->valilehdet->currentIndex();
}

QWidget* Tarvotaulu::WorkingControl() {
    QWidget* grid = Grid(CurrentTab());
    return grid != nullptr ? grid : this;
}

void Tarvotaulu::SetCurrentTab(int tab) {
    ui->valilehdet->setCurrentIndex(tab);
}

void Tarvotaulu::BuildPropertyTable() {
    if (!designer_)
        return;
    setWindowTitle(designer_->SingleModem() ? "Property table" : "Property table of all the modems");
    const int build = ++builds_;
    std::vector<PropertyTableTab> tabs = ::BuildPropertyTable(
        designer_->Design(), RowsOfOneBuild(designer_->RowContext(), &designer_->Design()));
    if (build != builds_)
        return;
    tabs_ = std::move(tabs);
    ui->valilehdet->setVisible(!tabs_.empty());
    for (const PropertyTableTab& tab : tabs_) {
        ui->grids->addWidget(CreateGrid(tab));
        ui->valilehdet->addTab(fromLatin1(tab.name));
    }
    ui->grids->setCurrentIndex(0);
}

// A grid of the tab's cells whose first row and column are the fixed, grey ones.
QTableWidget* Tarvotaulu::CreateGrid(const PropertyTableTab& tab) {
    const int rows = static_cast<int>(tab.cells.size());
    const int columns = rows ? static_cast<int>(tab.cells[0].size()) : 0;
    auto* grid = new QTableWidget(rows, columns);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setDefaultSectionSize(kDefaultColumnWidth);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 8);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    // The window opens at a size that shows every cell, as far as there is room.
    grid->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            auto* cell = new QTableWidgetItem(
                fromLatin1(tab.cells[static_cast<size_t>(row)][static_cast<size_t>(column)]));
            if (row == 0 || column == 0)
                cell->setBackground(kFixedCellColour);
            grid->setItem(row, column, cell);
        }
    FitColumns(*grid, tab.cells);
    connect(grid, &QTableWidget::cellDoubleClicked, this,
            [this](int, int column) { OpenColumnModemProperties(column); });
    return grid;
}

void Tarvotaulu::RemoveGrids() {
    while (ui->valilehdet->count() > 0)
        ui->valilehdet->removeTab(0);
    while (QWidget* grid = ui->grids->widget(0)) {
        ui->grids->removeWidget(grid);
        delete grid;
    }
    tabs_.clear();
}

void Tarvotaulu::RefreshPropertyTable() {
    RemoveGrids();
    BuildPropertyTable();
}

void Tarvotaulu::OpenColumnModemProperties(int column) {
    const int tab = CurrentTab();
    if (!designer_ || tab < 0 || column < 0)
        return;
    TKuvio* figure =
        FigureOfColumn(designer_->Design(), tabs_[static_cast<size_t>(tab)], static_cast<size_t>(column));
    if (!figure)
        return;
    designer_->Design().context = figure;
    designer_->Ominaisuudet2Click();
}

void Tarvotaulu::PrintProTable1Click() {
    QPrinter* printer = SharedPrinter();
    if (!printer)
        return;
    std::vector<PrintedGrid> grids;
    for (size_t t = 0; t < tabs_.size(); ++t) {
        const QTableWidget* grid = Grid(static_cast<int>(t));
        PrintedGrid printed{&tabs_[t], {}, {}};
        for (int row = 0; row < grid->rowCount(); ++row)
            printed.rowHeights.push_back(grid->rowHeight(row));
        for (int column = 0; column < grid->columnCount(); ++column)
            printed.columnWidths.push_back(grid->columnWidth(column));
        grids.push_back(std::move(printed));
    }
    TablePrintOptions options;
    options.singleModem = designer_ && designer_->SingleModem();
    options.projectName = designer_ ? designer_->Design().properties.name : std::string();
    options.font = font();
    ReportPrinted(PrintPropertyTable(*printer, grids, options));
}

void Tarvotaulu::Saveastextfile1Click() {
    FileDialogRequest request;
    request.save = true;
    request.title = "Save grid to textfile.";
    request.filter = "Text document|*.txt";
    request.defaultExtension = "txt";
    request.initialFolder = ProgramFolder();
    if (const std::optional<std::string> chosen = ChooseFileName(this, request))
        SavePropertyTableText(*chosen);
}

void Tarvotaulu::SavePropertyTableText(const std::string& fileName) {
    if (tabs_.empty())
        return;
    try {
        ReplaceFileContents(fileName, PropertyTableText(tabs_));
    } catch (const EFileWriteError& failure) {
        MessageBox(failure.what(), "Error", MB_OK | MB_ICONERROR);
    }
}

void Tarvotaulu::Copy1Click() {
    const int tab = CurrentTab();
    if (tabs_.empty() || tab < 0)
        return;
    const QList<QTableWidgetSelectionRange> ranges = Grid(tab)->selectedRanges();
    if (ranges.isEmpty())
        return;
    const QTableWidgetSelectionRange& range = ranges.first();
    QApplication::clipboard()->setText(
        fromLatin1(CopiedCellsText(tabs_[static_cast<size_t>(tab)].cells, range.topRow(), range.leftColumn(),
                                   range.bottomRow(), range.rightColumn())));
}

void Tarvotaulu::Selectall1Click() {
    if (QTableWidget* grid = Grid(CurrentTab()))
        grid->setRangeSelected(
            QTableWidgetSelectionRange(0, 0, grid->rowCount() - 1, grid->columnCount() - 1), true);
}

void Tarvotaulu::Closeprotable1Click() {
    CloseMdiChild(this);
}

void Tarvotaulu::Exit1Click() {
    if (Pohjafrm)
        Pohjafrm->CloseMainWindow();
}

// The designer gets back the window state it had when the table opened.
void Tarvotaulu::closeEvent(QCloseEvent* event) {
    if (arvotaulu == this)
        arvotaulu = nullptr;
    GiveDesignerItsState();
    event->accept();
}

void Tarvotaulu::GiveDesignerItsState() {
    if (QMdiSubWindow* frame = FrameOf(designer_))
        frame->setWindowState(designerState_);
}

// The one table shows the modems of the designer that asked for it last: the
// designer it showed before gets its window state back, as at a close.
void Tarvotaulu::ShowDesigner(Tpiirtopohja* designer, Qt::WindowStates designerState) {
    GiveDesignerItsState();
    designer_ = designer;
    designerState_ = designerState;
    RefreshPropertyTable();
}

void ShowPropertyTable(Tpiirtopohja* designer) {
    Qt::WindowStates state = designer->windowState();
    if (QMdiSubWindow* frame = FrameOf(designer)) {
        state = frame->windowState();
        frame->showNormal();
    }
    if (arvotaulu) {
        if (arvotaulu->Designer() == designer)
            arvotaulu->KeepDesignerState(state);
        else
            arvotaulu->ShowDesigner(designer, state);
        QMdiSubWindow* frame = FrameOf(arvotaulu);
        if (frame)
            frame->show();
        arvotaulu->show();
        // In front of the designer it showed before, which may have come back
        // maximized over the whole area.
        if (frame && Pohjafrm) {
            frame->raise();
            Pohjafrm->MdiArea()->setActiveSubWindow(frame);
        }
        return;
    }
    arvotaulu = new Tarvotaulu(designer, state);
    if (!Pohjafrm) {
        arvotaulu->setAttribute(Qt::WA_DeleteOnClose);
        arvotaulu->show();
        return;
    }
    QMdiArea* area = Pohjafrm->MdiArea();
    QMdiSubWindow* child = area->addSubWindow(arvotaulu);
    child->setAttribute(Qt::WA_DeleteOnClose);
    child->resize(child->sizeHint().boundedTo(area->viewport()->size()));
    child->show();
}

void RefreshPropertyTable(const Tpiirtopohja* designer) {
    if (arvotaulu && arvotaulu->Designer() == designer)
        arvotaulu->RefreshPropertyTable();
}

void ClosePropertyTable(const Tpiirtopohja* designer) {
    if (arvotaulu && arvotaulu->Designer() == designer)
        CloseMdiChild(arvotaulu);
}
