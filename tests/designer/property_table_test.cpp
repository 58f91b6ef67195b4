#include "designer/network_design.h"
#include "designer/property_table.h"
#include "designer/tarvotaulu.h"
#include "designer/tominaisuus.h"
#include "designer/tpiirtopohja.h"
#include "designer_fixture.h"
#include "support/fake_main_window.h"
#include "support/file_text.h"
#include "support/pdf_text.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QTabBar>
#include <QTableWidget>
#include <filesystem>

namespace {

TKuvio& AddFigure(NetworkDesign& design, const std::string& name, const std::string& type,
                  uint16_t identifier) {
    auto figure = std::make_unique<TKuvio>(10, 10);
    figure->SetModemName(name);
    figure->SetTypeName(type);
    figure->identifier = identifier;
    return design.Append(std::move(figure));
}

// Rows that tell the modems apart without any type file.
std::vector<PropertyRow> RowsOf(TKuvio& figure) {
    return {{'S', "Name:", figure.GetModemName()},
            {'S', "Type:", figure.TypeName()},
            {'S', "Modem address:", figure.identifier ? std::to_string(figure.identifier) : "--"}};
}

TEST(PropertyTable, TabsFollowTheFirstModemOfEachTypeAndColumnsTheListOrder) {
    NetworkDesign design(false);
    AddFigure(design, "a1", "QX-A", 1);
    AddFigure(design, "b1", "QX-B", 2);
    AddFigure(design, "a2", "QX-A", 3);
    AddFigure(design, "c1", "QX-C.smf", 4);
    AddFigure(design, "b2", "QX-B", 5);
    const std::vector<PropertyTableTab> tabs = BuildPropertyTable(design, RowsOf);
    ASSERT_EQ(tabs.size(), 3u);
    EXPECT_EQ(tabs[0].name, "QX-A");
    EXPECT_EQ(tabs[1].name, "QX-B");
    EXPECT_EQ(tabs[2].name, "QX-C");
    EXPECT_EQ(tabs[0].cells,
              (TableCells{{"Name:", "a1", "a2"}, {"Type:", "QX-A", "QX-A"}, {"Modem address:", "1", "3"}}));
    // A type of one modem keeps the grid's first two columns.
    EXPECT_EQ(tabs[2].cells[0], (std::vector<std::string>{"Name:", "c1"}));
    EXPECT_TRUE(BuildPropertyTable(NetworkDesign(false), RowsOf).empty());

    // A question while a modem's rows are read lets the user delete it: the table
    // stops there, holding only modems still in the design.
    const TKuvio* first = design.Figures()[0].get();
    const std::vector<PropertyTableTab> cut = BuildPropertyTable(design, [&](TKuvio& figure) {
        if (figure.GetModemName() != "b1")
            return RowsOf(figure);
        design.DeleteFigure(&figure);
        return RowsOf(*design.Figures()[0]);
    });
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].figures, (std::vector<const TKuvio*>{first}));
}

// Two modems may share an address: each column opens the modem it was built for.
TEST(PropertyTable, ColumnFindsItsModemByTheHexadecimalAddressRow) {
    NetworkDesign design(false);
    TKuvio& plain = AddFigure(design, "plain", "QX-A", 0x0012);
    TKuvio& lettered = AddFigure(design, "lettered", "QX-A", 0xBEEF);
    TKuvio& twin = AddFigure(design, "twin", "QX-A", 0x0012);
    const TKuvio gone(0, 0);
    const PropertyTableTab tab{"QX-A",
                               {{"Name:", "plain", "lettered", "single", "gone", "twin"},
                                {"Terminal address:", "", "", "--", "", ""},
                                {"Modem address:", "0012", "BEEF", "--", "0099", "0012"}},
                               {&plain, &lettered, &plain, &gone, &twin}};
    EXPECT_EQ(FigureOfColumn(design, tab, 1), &plain);
    EXPECT_EQ(FigureOfColumn(design, tab, 2), &lettered);
    EXPECT_EQ(FigureOfColumn(design, tab, 5), &twin);
    EXPECT_EQ(FigureOfColumn(design, tab, 0), nullptr);
    EXPECT_EQ(FigureOfColumn(design, tab, 3), nullptr);
    EXPECT_EQ(FigureOfColumn(design, tab, 4), nullptr);
    EXPECT_EQ(FigureOfColumn(design, tab, 9), nullptr);
}

TEST(PropertyTable, TextOfTheFileAndOfACopy) {
    const std::vector<PropertyTableTab> tabs{{"X", {{"a", "b"}, {"c", "d"}}, {}},
                                             {"Y", {{"e", "f"}, {"g", "h"}}, {}}};
    EXPECT_EQ(PropertyTableText({tabs[0]}), "Modem type X\r\na\tb\r\nc\td\r\n\r\n\r\n");
    EXPECT_EQ(PropertyTableText(tabs),
              "Modem type X\r\na\tb\r\nc\td\r\n\r\n\r\nModem type Y\r\ne\tf\r\ng\th\r\n\r\n\r\n");
    EXPECT_EQ(PropertyTableText({}), "");
    const TableCells cells{{"n", "1", "2"}, {"m", "3", "4"}, {"o", "5", "6"}};
    EXPECT_EQ(CopiedCellsText(cells, 1, 1, 2, 2), "3\t4\r\n5\t6\r\n\r\n");
    EXPECT_EQ(CopiedCellsText(cells, 0, 0, 0, 0), "n\r\n\r\n");
}

TEST(PropertyTable, BandsFitThePageAndAlwaysMoveOn) {
    // Row 0 (the heading) is on every page; 20 + 30 + 30 fits below 100, 20 + 30 +
    // 30 + 30 does not.
    EXPECT_EQ(PageBands({20, 30, 30, 30, 30, 30}, 1.0, 100), (std::vector<Band>{{1, 2}, {3, 4}, {5, 5}}));
    EXPECT_EQ(PageBands({20, 30, 30, 30, 30, 30}, 2.0, 100),
              (std::vector<Band>{{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}));
    // A row larger than the page still gets a page of its own.
    EXPECT_EQ(PageBands({20, 500, 10, 10}, 1.0, 100), (std::vector<Band>{{1, 1}, {2, 3}}));
    EXPECT_TRUE(PageBands({20}, 1.0, 100).empty());
}

class PropertyTableWindowTest : public DesignerFolderTest {
protected:
    void SetUp() override {
        DesignerFolderTest::SetUp();
        AddTypeFile("QX-450.smf");
        AddTypeFile("QX-NMS.smf");
        AddTypeFile("QX-450R.smf");
        main.show();
        designer = CreateDesigner(false);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        designer->Design().properties.name = "Harbour net";
    }
    void TearDown() override {
        delete arvotaulu;
        delete designer;
        DesignerFolderTest::TearDown();
    }

    QMdiSubWindow* DesignerFrame() const { return qobject_cast<QMdiSubWindow*>(designer->parentWidget()); }

    Tarvotaulu* OpenTable() {
        designer->findChild<QAction*>("PropTable1")->trigger();
        return arvotaulu;
    }

    FakeMainWindow main;
    QPointer<Tpiirtopohja> designer;
};

TEST_F(PropertyTableWindowTest, TablePrintsSavesAndGivesTheDesignerBackItsState) {
    const char* types[] = {"QX-450", "QX-NMS", "QX-450", "QX-450R"};
    for (uint16_t i = 0; i < 40; ++i)
        AddFigure(designer->Design(), "Site" + std::to_string(i), types[i % 4],
                  static_cast<uint16_t>(0xA0 + i));
    ASSERT_TRUE(DesignerFrame()->isMaximized());
    Tarvotaulu* table = OpenTable();
    ASSERT_NE(table, nullptr);
    EXPECT_FALSE(DesignerFrame()->isMaximized());
    EXPECT_EQ(table->windowTitle(), "Property table of all the modems");
    ASSERT_EQ(table->Tabs().size(), 3u);
    EXPECT_EQ(table->Tabs()[1].name, "QX-NMS");
    EXPECT_EQ(table->Grid(0)->columnCount(), 21);
    EXPECT_EQ(table->Grid(0)->item(2, 1)->text(), "00A0");

    const std::string pdf = folder.file("table.pdf");
    QPrinter* printer = main.Printer();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(pdf));
    table->findChild<QAction*>("PrintProTable1")->trigger();
    const std::vector<std::string> pages = PdfPages(pdf);
    // Twenty modems of the first type need more than one page of columns.
    ASSERT_GE(pages.size(), 4u);
    EXPECT_NE(pages[0].find("Project: Harbour net Modem type QX-450 page 1"), std::string::npos);
    EXPECT_NE(pages.back().find("Modem type QX-450R page " + std::to_string(pages.size())),
              std::string::npos);
    size_t firstOfSecondTab = 0;
    while (firstOfSecondTab < pages.size() && pages[firstOfSecondTab].find("QX-NMS") == std::string::npos)
        ++firstOfSecondTab;
    ASSERT_GE(firstOfSecondTab, 2u);
    EXPECT_NE(pages[firstOfSecondTab].find("page " + std::to_string(firstOfSecondTab + 1)),
              std::string::npos);
    for (const std::string& page : pages)
        EXPECT_NE(page.find("Modem address:"), std::string::npos);
    EXPECT_EQ(printer->pageLayout().orientation(), QPageLayout::Landscape);

    const std::string text = folder.file("table.txt");
    SetFileDialogResponder([&](const FileDialogRequest& request) {
        EXPECT_EQ(request.title, "Save grid to textfile.");
        return std::optional<std::string>(text);
    });
    table->findChild<QAction*>("Saveastextfile1")->trigger();
    SetFileDialogResponder({});
    EXPECT_EQ(ReadFileText(text), PropertyTableText(table->Tabs()));
    EXPECT_EQ(ReadFileText(text).rfind("Modem type QX-450\r\nName:\tSite0\tSite2\t", 0), 0u);

    table->Grid(0)->setRangeSelected(QTableWidgetSelectionRange(1, 1, 2, 2), true);
    table->findChild<QAction*>("Copy1")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "\t\r\n00A0\t00A2\r\n\r\n");
    table->findChild<QAction*>("Selectall1")->trigger();
    table->findChild<QAction*>("Copy1")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              CopiedCellsText(table->Tabs()[0].cells, 0, 0, table->Grid(0)->rowCount() - 1, 20));

    // A double click on a modem's column opens its properties; the name column opens nothing.
    table->OpenColumnModemProperties(0);
    Tominaisuus* properties = designer->PropertiesWindow();
    ASSERT_NE(properties, nullptr);
    EXPECT_FALSE(properties->isVisible());
    emit table->Grid(0)->cellDoubleClicked(1, 2);
    EXPECT_TRUE(properties->isVisible());
    EXPECT_EQ(properties->Figure(), designer->Design().Figures()[2].get());
    properties->hide();

    table->findChild<QAction*>("Closeprotable1")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(arvotaulu.isNull());
    EXPECT_TRUE(DesignerFrame()->isMaximized());
    EXPECT_TRUE(boxes.texts().empty());
}

// Each Property table command keeps the designer's window state anew: closing the
// table gives back the state of the last command.
TEST_F(PropertyTableWindowTest, EachTableCommandKeepsTheDesignersStateAnew) {
    AddFigure(designer->Design(), "Site", "QX-450", 1);
    DesignerFrame()->showNormal();
    Tarvotaulu* table = OpenTable();
    DesignerFrame()->showMaximized();
    EXPECT_EQ(OpenTable(), table);
    EXPECT_FALSE(DesignerFrame()->isMaximized());
    table->findChild<QAction*>("Closeprotable1")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(DesignerFrame()->isMaximized());

    // Asked for by this designer, the table of a second one comes in front of that
    // one, which got its maximized state back.
    const std::unique_ptr<Tpiirtopohja> second(CreateDesigner(false));
    QCoreApplication::processEvents();
    second->PropTable1Click();
    main.MdiArea()->setActiveSubWindow(DesignerFrame());
    table = OpenTable();
    const auto frameOf = [](QWidget* window) { return qobject_cast<QMdiSubWindow*>(window->parentWidget()); };
    EXPECT_EQ(main.MdiArea()->subWindowList(QMdiArea::StackingOrder).back(), frameOf(table));
    EXPECT_EQ(main.MdiArea()->activeSubWindow(), frameOf(table));
}

// The maximized designer set to its normal size for the table keeps a size that
// shows its drawing, and the table opens wide and high enough for its cells.
TEST_F(PropertyTableWindowTest, DesignerAndTableOpenAtSizesThatShowTheirContent) {
    main.resize(1400, 1000);
    QCoreApplication::processEvents();
    for (uint16_t i = 0; i < 3; ++i)
        AddFigure(designer->Design(), "Site" + std::to_string(i), "QX-450", static_cast<uint16_t>(0xA0 + i));
    Tarvotaulu* table = OpenTable();
    QCoreApplication::processEvents();
    EXPECT_GE(DesignerFrame()->width(), 400);
    EXPECT_GE(DesignerFrame()->height(), 300);
    const QTableWidget* grid = table->Grid(0);
    int width = 0;
    for (int column = 0; column < grid->columnCount(); ++column)
        width += grid->columnWidth(column);
    int height = 0;
    for (int row = 0; row < grid->rowCount(); ++row)
        height += grid->rowHeight(row);
    EXPECT_GE(grid->viewport()->width(), width);
    EXPECT_GE(grid->viewport()->height(), height);
}

// The conflict question lets the event loop run: the user deletes the modem it is
// about and the table is built anew under it. That build stands.
TEST_F(PropertyTableWindowTest, ABuildUnderTheConflictQuestionStands) {
    Tarvotaulu* table = OpenTable();
    AddFigure(designer->Design(), "Kept", "QX-450", 1);
    TKuvio& asked = AddFigure(designer->Design(), "Asked", "QX-450R", 2);
    asked.SetPropertyEntry('S', '0', "out of order", true, true, 0, 0);
    bool deleted = false;
    SetMessageBoxResponder([&](const MessageBoxRequest&) {
        if (!std::exchange(deleted, true)) {
            designer->Design().DeleteFigure(&asked);
            RefreshPropertyTable(designer);
        }
        return IDYES;
    });
    RefreshPropertyTable(designer);
    EXPECT_EQ(table->Tabs().size(), 1u);
    EXPECT_EQ(table->findChild<QTabBar*>("valilehdet")->count(), 1);
}

TEST_F(PropertyTableWindowTest, EmptyDesignGivesNoTabsAndNothingToSaveCopyOrPrint) {
    QApplication::clipboard()->setText("kept");
    Tarvotaulu* table = OpenTable();
    EXPECT_TRUE(table->Tabs().empty());
    const std::string text = folder.file("empty.txt");
    table->SavePropertyTableText(text);
    EXPECT_FALSE(std::filesystem::exists(text));
    table->findChild<QAction*>("Copy1")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "kept");
    const std::string pdf = folder.file("empty.pdf");
    main.Printer()->setOutputFormat(QPrinter::PdfFormat);
    main.Printer()->setOutputFileName(QString::fromStdString(pdf));
    table->PrintProTable1Click();
    EXPECT_FALSE(std::filesystem::exists(pdf));
    EXPECT_TRUE(boxes.texts().empty());

    AddFigure(designer->Design(), "Late", "QX-450", 7);
    RefreshPropertyTable(designer);
    ASSERT_EQ(table->Tabs().size(), 1u);
    EXPECT_EQ(table->Grid(0)->item(0, 1)->text(), "Late");
    designer->Design().DeleteAllFigures();
    RefreshPropertyTable(designer);
    EXPECT_TRUE(table->Tabs().empty());
    EXPECT_EQ(table->Grid(0), nullptr);
}

TEST_F(PropertyTableWindowTest, ClosingTheDesignerClosesTheTable) {
    OpenTable();
    ASSERT_FALSE(arvotaulu.isNull());
    designer->findChild<QAction*>("Sulje1")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(arvotaulu.isNull());
    EXPECT_TRUE(designer.isNull());
}

} // namespace
