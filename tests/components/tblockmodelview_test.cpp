#include "components/tblockmodelview.h"
#include "pixels.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct View : TBlockModelView {
    View() {
        show();
        QApplication::processEvents();
    }
    // A model with blocks 40 pixels wide.
    void model(const std::string& name, std::initializer_list<std::string> blocks) {
        ASSERT_TRUE(CreateModel(name));
        for (const std::string& block : blocks) {
            ASSERT_TRUE(CreateBlockToModel(name, block));
            pGetModelByName(name)->pGetBlock(block)->resize(40, ModelHeight());
            pGetModelByName(name)->vArrangeBlocks();
        }
    }
    TModelBlock* block(const std::string& model, const std::string& name) const {
        return pGetModelByName(model)->pGetBlock(name);
    }
    void click(const std::string& model, const std::string& name) {
        QTest::mouseClick(block(model, name), Qt::LeftButton, {}, QPoint(5, 5));
    }
    QImage image() {
        QApplication::processEvents();
        return grab().toImage();
    }
    std::vector<std::string> rows() const {
        std::vector<std::string> names;
        for (uint32_t i = 0; i < u32GetShownModelCount(); ++i)
            names.push_back(pGetShownModel(i)->strGetName());
        return names;
    }
};

TEST(TBlockModelView, RowsOfOverlappingBlocksWithTheActiveFrame) {
    View view;
    view.model("P", {"A", "B"});
    EXPECT_FALSE(view.CreateModel("P"));
    EXPECT_FALSE(view.CreateBlockToModel("P", "A"));
    ASSERT_TRUE(view.SetActiveModel("P"));
    EXPECT_EQ(view.block("P", "A")->x(), 8);
    EXPECT_EQ(view.block("P", "B")->x(), 47);

    const QImage image = view.image();
    const int midRow = 8 + view.ModelHeight() / 2;
    EXPECT_EQ(PixelAt(image, 7, midRow), clWhite);
    EXPECT_EQ(PixelAt(image, 8, midRow), clBlack);  // A's left edge
    EXPECT_EQ(PixelAt(image, 47, midRow), clBlack); // B's left edge over A's right one
    EXPECT_EQ(PixelAt(image, 20, midRow), clGreen);
    // The active row's frame stands 4 pixels off its blocks.
    EXPECT_EQ(BoxOfColor(image, clRed), QRect(QPoint(4, 4), QPoint(86 + 4, 27 + 4)));
}

TEST(TBlockModelView, ClickingReferencesOpensAndClosesRowsWithReferenceLines) {
    View view;
    view.model("P", {"A", "B"});
    view.model("Q", {"C", "D", "E"});
    view.model("S", {"F"});
    view.block("P", "A")->vSetReferenceModel("Q");
    view.block("Q", "D")->vSetReferenceModel("S");
    view.SetActiveModel("P");
    std::vector<std::string> clicked;
    view.OnBlockClick = [&](TModel* model, TModelBlock* block) {
        clicked.push_back(model->strGetName() + "." + block->strGetCaption());
    };

    view.click("P", "A");
    view.click("Q", "D");
    EXPECT_EQ(view.rows(), (std::vector<std::string>{"P", "Q", "S"}));
    EXPECT_EQ(clicked, (std::vector<std::string>{"P.A", "Q.D"}));
    EXPECT_EQ(view.GetActiveModel()->strGetName(), "Q");
    EXPECT_TRUE(view.block("Q", "D")->bGetLedState());

    const QImage image = view.image();
    EXPECT_EQ(PixelAt(image, 20, 15), clYellow); // a referring block, off
    // From A's bottom-left (8, 28) straight down to Q's top-left (8, 58).
    EXPECT_EQ(PixelAt(image, 8, 40), clBlue);
    EXPECT_EQ(PixelAt(image, 47, 28), clBlue);

    // Clicking A again: Q is shown, so only the rows below Q go.
    view.click("P", "A");
    EXPECT_EQ(view.rows(), (std::vector<std::string>{"P", "Q"}));
    view.click("Q", "D");
    view.click("P", "B");
    EXPECT_EQ(view.rows(), std::vector<std::string>{"P"});
    EXPECT_FALSE(view.block("Q", "C")->isVisible());
}

TEST(TBlockModelView, AutoSizeKeepsTheMinimumForShortRowsAndGrowsForLongOnes) {
    View view;
    view.vSetViewMinWidth(300);
    view.vSetViewMinHeight(60);
    view.vSetAutoSize(true);
    EXPECT_EQ(view.size(), QSize(300, 60));
    view.model("P", {"A"});
    view.SetActiveModel("P");
    EXPECT_EQ(view.size(), QSize(300, 60));
    for (const char* name : {"B", "C", "D", "E", "F", "G", "H"})
        view.CreateBlockToModel("P", name);
    view.Paint();
    EXPECT_GT(view.width(), 300);

    EXPECT_TRUE(view.DeleteBlockFromModel("P", "B"));
    EXPECT_EQ(view.block("P", "C")->x(), 8 + 40 - 1);
    EXPECT_FALSE(view.DeleteModel("missing"));
    EXPECT_TRUE(view.DeleteActiveModel());
    EXPECT_EQ(view.u32GetModelCount(), 0u);
}

// What a form designer sets goes through the meta-object, and a model the
// caller made joins the view as one it created itself.
TEST(TBlockModelView, PublishedSizesAndColourAndModelsMadeByTheCaller) {
    View view;
    for (const auto& [name, value] :
         {std::pair{"ViewMinWidth", 320}, {"ViewMinHeight", 70}, {"Color", clYellow}}) {
        EXPECT_TRUE(view.setProperty(name, value)) << name;
        EXPECT_EQ(view.property(name).toInt(), value) << name;
    }
    EXPECT_EQ(PixelAt(view.image(), 3, 3), clYellow);
    view.vSetAutoSize(true);
    EXPECT_EQ(view.size(), QSize(320, 70));

    int listChanges = 0;
    view.OnModelListChange = [&](TBlockModelView* sender) { listChanges += sender == &view; };
    view.vSetModelHeight(24);
    auto* made = new TModel(&view, "Made");
    ASSERT_TRUE(view.AddModel("Made", made));
    EXPECT_EQ(listChanges, 1);
    EXPECT_EQ(made->Height(), 24) << "the view's row height";
    EXPECT_TRUE(view.CreateBlockToModel("Made", "A"));
    ASSERT_TRUE(view.SetActiveModel("Made"));
    EXPECT_EQ(view.GetActiveModel(), made);

    TModel second(&view, "Made");
    EXPECT_FALSE(view.AddModel("Made", &second)) << "the name is taken: the caller keeps its model";
    EXPECT_FALSE(view.CreateModel("Made"));
    EXPECT_EQ(view.u32GetModelCount(), 1u);
}

} // namespace
