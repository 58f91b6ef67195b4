#include "designer/graph_printout.h"
#include "designer/tkuvio.h"
#include "designer/tpiirtopohja.h"
#include "designer_fixture.h"
#include "support/fake_main_window.h"
#include "support/file_text.h"
#include "support/pdf_text.h"

#include <QAction>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <filesystem>

namespace {

class DesignerPrintingTest : public DesignerFolderTest {
protected:
    void SetUp() override {
        DesignerFolderTest::SetUp();
        AddTypeFile("QX-450.smf");
        AddTypeFile("QX-NMS.smf");
        main.show();
        designer = CreateDesigner(false);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        designer->Design().properties.name = "Harbour net";
        PrintTo("out.pdf");
    }
    void TearDown() override {
        delete designer;
        DesignerFolderTest::TearDown();
    }

    void PrintTo(const std::string& name) {
        pdf = folder.file(name);
        QPrinter* printer = main.Printer();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(pdf));
    }

    TKuvio& Add(int x, int y, const std::string& name, const std::string& type = "QX-450") {
        auto figure = std::make_unique<TKuvio>(x, y);
        figure->SetModemName(name);
        figure->SetTypeName(type);
        figure->identifier = static_cast<uint16_t>(designer->Design().Figures().size() + 1);
        return designer->Design().Append(std::move(figure));
    }

    // A master, two modems below it, one below those and a mobile modem that
    // roams between them.
    void BuildThreeLevels() {
        NetworkDesign& design = designer->Design();
        TKuvio& base = Add(300, 20, "Base");
        design.MakeMaster(base);
        Add(100, 200, "North").parent = &base;
        TKuvio& south = Add(500, 200, "South", "QX-NMS");
        south.SetNmsSupport(true);
        south.parent = &base;
        Add(500, 400, "Pier").parent = &south;
        TKuvio& boat = Add(250, 400, "Boat");
        boat.SetMobileLook();
        boat.mobileParent = &south;
    }

    void Trigger(const char* item) { designer->findChild<QAction*>(item)->trigger(); }

    FakeMainWindow main;
    QPointer<Tpiirtopohja> designer;
    std::string pdf;
};

TEST_F(DesignerPrintingTest, GraphPrintsTheShownFiguresOnOnePage) {
    BuildThreeLevels();
    Trigger("Drawing1");
    std::vector<std::string> pages = PdfPages(pdf);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(pages[0].find("Project Harbour net"), std::string::npos);
    for (const char* name : {"Base", "North", "South", "Pier"})
        EXPECT_NE(pages[0].find(name), std::string::npos) << name;
    EXPECT_EQ(pages[0].find("Boat"), std::string::npos);
    EXPECT_EQ(main.Printer()->pageLayout().orientation(), QPageLayout::Landscape);

    PrintTo("mobile.pdf");
    Trigger("MobileRoutes1");
    Trigger("Drawing1");
    pages = PdfPages(pdf);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(pages[0].find("Boat"), std::string::npos);
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(DesignerPrintingTest, EachKindPrintsWithThePictureOfItsSet) {
    BuildThreeLevels();
    const auto& figures = designer->Design().Figures();
    EXPECT_EQ(GraphBitmapName(*figures[0], false, 1.0), "MASTER");
    EXPECT_EQ(GraphBitmapName(*figures[1], false, 2.0), "MODEEMI1");
    EXPECT_EQ(GraphBitmapName(*figures[2], false, 2.1), "MODEEMIE2");
    EXPECT_EQ(GraphBitmapName(*figures[4], true, 3.0), "MOBILE3");
    // Outside the mobile view a mobile modem is not printed as one.
    EXPECT_EQ(GraphBitmapName(*figures[4], false, 3.5), "MODEEMI4");
    figures[3]->SetMultiLook();
    figures[3]->SetNmsSupport(true);
    EXPECT_EQ(GraphBitmapName(*figures[3], false, 3.5), "MULTIE4");

    for (const char* kind : {"MODEEMI", "MASTER", "MOBILE", "MULTI"})
        for (const std::string nms : {"", "E"})
            for (const std::string set : {"", "1", "2", "3", "4"}) {
                const QPixmap picture = GraphBitmap(kind + nms + set);
                // The sets are drawn at 1.5, 2.0, 2.5, 3.0 and 3.5 times the figure's size.
                const int scaled = 45 + (set.empty() ? 0 : 15 * (set[0] - '0'));
                EXPECT_EQ(picture.width(), scaled) << kind << nms << set;
            }
    EXPECT_TRUE(GraphBitmap("MODEEMI5").isNull());
    EXPECT_TRUE(GraphBitmap("PMASTER").isNull());
}

TEST_F(DesignerPrintingTest, PrintScaleFitsThePageUpToItsLimit) {
    EXPECT_DOUBLE_EQ(GraphPrintScale({1110, 655}, {100, 100}), 3.5);
    EXPECT_DOUBLE_EQ(GraphPrintScale({1110, 655}, {500, 100}), 2.0);
    EXPECT_DOUBLE_EQ(GraphPrintScale({1110, 655}, {100, 800}), 0.5);
}

TEST_F(DesignerPrintingTest, LongTitleShrinksAndNeverVanishes) {
    QImage page(2000, 1000, QImage::Format_RGB32);
    QPainter painter(&page);
    const QFont font = designer->font();
    EXPECT_EQ(GraphTitlePointSize(font, painter, "Project A", 1000), 24);
    const std::string longer = "Project " + std::string(40, 'W');
    const int size = GraphTitlePointSize(font, painter, longer, 1000);
    EXPECT_LT(size, 24);
    QFont sized = font;
    sized.setPointSize(size);
    EXPECT_LE(QFontMetrics(sized, &page).horizontalAdvance(QString::fromStdString(longer)), 1000);
    EXPECT_EQ(GraphTitlePointSize(font, painter, "Project " + std::string(5000, 'W'), 1000), 4);
    painter.end();

    BuildThreeLevels();
    designer->Design().properties.name = std::string(400, 'W');
    Trigger("Drawing1");
    EXPECT_EQ(PdfPages(pdf).size(), 1u);
}

// An empty design's graph is its frame and title; the properties of all its modems
// are nothing.
TEST_F(DesignerPrintingTest, EmptyDesignPrintsItsFramedTitleAndNoProperties) {
    Trigger("Properties1");
    EXPECT_FALSE(std::filesystem::exists(pdf));
    Trigger("Drawing1");
    EXPECT_EQ(PdfPages(pdf).size(), 1u);
    EXPECT_NE(PdfText(pdf).find("Project Harbour net"), std::string::npos);
    EXPECT_TRUE(boxes.texts().empty());
    std::filesystem::remove(pdf);
    designer->Print2Click();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Select modem first"});
    EXPECT_FALSE(std::filesystem::exists(pdf));
}

// A print that cannot start (no printer, no file) must not leave the shared
// printer stuck: the file chosen afterwards in Print setup takes the next print.
TEST_F(DesignerPrintingTest, FailedPrintLeavesThePrinterUsableForTheNext) {
    BuildThreeLevels();
    designer->Design().active = designer->Design().Figures()[0].get();
    designer->RedrawRoutes();
    for (const char* command : {"Drawing1", "Properties1", "Print2"}) {
        SCOPED_TRACE(command);
        boxes.clear();
        main.Printer()->setOutputFileName(QString());
        Trigger(command);
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Printer selected is not valid"});
        PrintTo(std::string(command) + ".pdf");
        EXPECT_EQ(main.Printer()->outputFileName().toStdString(), pdf);
        Trigger(command);
        EXPECT_EQ(boxes.texts().size(), 1u);
        EXPECT_FALSE(PdfPages(pdf).empty());
    }
}

TEST_F(DesignerPrintingTest, PropertiesOfAllModemsRunOverPagesInOrder) {
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i) {
        names.push_back("Site" + std::to_string(100 + i));
        Add(20 + i * 10, 20, names.back(), i % 2 ? "QX-NMS" : "QX-450");
    }
    Trigger("Properties1");
    const std::vector<std::string> pages = PdfPages(pdf);
    ASSERT_GE(pages.size(), 2u);
    EXPECT_EQ(main.Printer()->pageLayout().orientation(), QPageLayout::Portrait);
    EXPECT_NE(pages[0].find("Project Harbour net"), std::string::npos);
    EXPECT_EQ(pages[1].find("Project Harbour net"), std::string::npos);
    const std::string text = PdfText(pdf);
    EXPECT_TRUE(HoldsInOrder(text, {"Name: Site100", "Modem address: 0001", "Radio channel:"}));
    for (const std::string& name : names)
        EXPECT_NE(text.find("Name: " + name), std::string::npos) << name;
}

TEST_F(DesignerPrintingTest, ActiveModemPrintsItsRows) {
    BuildThreeLevels();
    designer->Design().active = designer->Design().Figures()[2].get();
    designer->RedrawRoutes();
    Trigger("Print2");
    const std::vector<std::string> pages = PdfPages(pdf);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(HoldsInOrder(pages[0], {"Name: South", "Modem address: 0003"}));
    EXPECT_EQ(pages[0].find("North"), std::string::npos);
}

TEST_F(DesignerPrintingTest, CloseQueryCancelKeepsNoDiscardsYesSaves) {
    Add(40, 40, "Base");
    designer->Design().modified = true;
    boxes.queueAnswer(IDCANCEL);
    EXPECT_FALSE(designer->FormCloseQuery());
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Save changes to file ?"});
    EXPECT_EQ(designer->Design().Figures().size(), 1u);

    const std::string saved = folder.file("saved.spf");
    SetFileDialogResponder([&](const FileDialogRequest&) { return std::optional<std::string>(saved); });
    boxes.queueAnswer(IDYES);
    EXPECT_TRUE(designer->FormCloseQuery());
    SetFileDialogResponder({});
    EXPECT_NE(ReadFileText(saved).find("Base"), std::string::npos);

    Add(40, 40, "Other");
    designer->Design().modified = true;
    boxes.queueAnswer(IDNO);
    Trigger("Sulje1");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(designer.isNull());
    EXPECT_EQ(ReadFileText(saved).find("Other"), std::string::npos);
}

} // namespace
