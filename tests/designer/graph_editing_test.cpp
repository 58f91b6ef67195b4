#include "designer/graph_editing.h"

#include "support/message_box_recorder.h"

#include <gtest/gtest.h>

namespace {

class GraphEditingTest : public testing::Test {
protected:
    GraphEditingTest() {
        editor.SetHooks({[this] { propertiesShown.push_back(design.context); },
                         {},
                         [this](TKuvio& figure) { removed.push_back(&figure); },
                         {}});
    }

    TKuvio& Add(int x, int y) { return design.Append(std::make_unique<TKuvio>(x, y)); }
    // A press and release on the figure's picture, without moving.
    void Click(TKuvio& figure, MouseButton button = MouseButton::Left) {
        const QPoint point(figure.CentreX(), figure.CentreY());
        editor.FigureMouseDown(figure, button, point);
        editor.FigureMouseUp(figure);
    }

    NetworkDesign design{false};
    GraphEditor editor{design};
    MessageBoxRecorder boxes{IDYES};
    std::vector<TKuvio*> propertiesShown;
    std::vector<TKuvio*> removed;
};

TEST_F(GraphEditingTest, LinksAreRefusedOntoTheMasterOntoItselfAndIntoARing) {
    TKuvio& master = Add(0, 0);
    TKuvio& repeater = Add(100, 0);
    TKuvio& leaf = Add(200, 0);
    design.MakeMaster(master);

    EXPECT_FALSE(LinkFigures(design, repeater, master, false));
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Route can't direct to master !!"}));
    EXPECT_FALSE(design.modified);

    EXPECT_TRUE(LinkFigures(design, master, repeater, false));
    EXPECT_TRUE(LinkFigures(design, repeater, leaf, false));
    EXPECT_TRUE(design.modified);
    EXPECT_TRUE(design.routesDirty);
    EXPECT_EQ(leaf.parent, &repeater);

    boxes.clear();
    EXPECT_FALSE(LinkFigures(design, leaf, leaf, false));
    EXPECT_TRUE(boxes.texts().empty());
    // The leaf's route comes through the repeater: the repeater cannot hang on it.
    EXPECT_FALSE(LinkFigures(design, leaf, repeater, false));
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Route can't make a loop !!"}));
    EXPECT_EQ(repeater.parent, &master);
}

TEST_F(GraphEditingTest, ARingAlreadyInTheDesignDoesNotHoldTheLoopCheck) {
    TKuvio& a = Add(0, 0);
    TKuvio& b = Add(100, 0);
    TKuvio& outside = Add(200, 0);
    // A ring as an old file may hold it, with mobile links as well.
    a.parent = &b;
    b.parent = &a;
    b.mobileParent = &a;
    EXPECT_TRUE(LinkFigures(design, a, outside, false));
    EXPECT_EQ(outside.parent, &a);
    EXPECT_FALSE(LinkFigures(design, outside, b, true));
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Route can't make a loop !!"}));
}

TEST_F(GraphEditingTest, AnExistingLinkIsReplacedOnlyWhenTheUserAgrees) {
    TKuvio& a = Add(0, 0);
    TKuvio& b = Add(100, 0);
    TKuvio& child = Add(200, 0);
    ASSERT_TRUE(LinkFigures(design, a, child, false));

    boxes.queueAnswer(IDNO);
    EXPECT_FALSE(LinkFigures(design, b, child, false));
    EXPECT_EQ(child.parent, &a);
    EXPECT_TRUE(LinkFigures(design, b, child, false));
    EXPECT_EQ(child.parent, &b);
    EXPECT_EQ(boxes.texts(),
              (std::vector<std::string>{"Replace existing route ??", "Replace existing route ??"}));

    // The mobile view links mobile parents, apart from the parents.
    boxes.clear();
    EXPECT_TRUE(LinkFigures(design, a, child, true));
    EXPECT_EQ(child.mobileParent, &a);
    EXPECT_EQ(child.parent, &b);
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_TRUE(LinkFigures(design, b, child, true));
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Replace existing mobile route ??"}));
}

TEST_F(GraphEditingTest, DeletingAModemClearsEveryLinkToItAndTheMaster) {
    TKuvio& master = Add(0, 0);
    TKuvio& child = Add(100, 0);
    TKuvio& mobile = Add(200, 0);
    design.MakeMaster(master);
    child.parent = &master;
    mobile.mobileParent = &master;
    design.active = &master;

    design.context = &master;
    boxes.queueAnswer(IDNO);
    editor.DeleteModem();
    EXPECT_EQ(design.Figures().size(), 3u);

    design.context = &master;
    editor.DeleteModem();
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Do you want to delete this modem ?",
                                                       "Do you want to delete this modem ?"}));
    ASSERT_EQ(design.Figures().size(), 2u);
    EXPECT_EQ(removed, (std::vector<TKuvio*>{&master}));
    EXPECT_EQ(child.parent, nullptr);
    EXPECT_EQ(mobile.mobileParent, nullptr);
    EXPECT_EQ(design.master, nullptr);
    EXPECT_EQ(design.active, nullptr);
    EXPECT_EQ(design.context, nullptr);
    EXPECT_TRUE(design.modified);
    EXPECT_TRUE(design.routesDirty);
}

TEST_F(GraphEditingTest, CopyOfAMultiportModemKeepsItsKindAndValuesButNoAddressesOrLinks) {
    TKuvio& master = Add(0, 0);
    TKuvio& source = Add(100, 100);
    design.MakeMaster(master);
    design.figureCounter = 7;
    source.SetTypeName("QX-NMS");
    source.modemNameFromType = "QX";
    source.settingsFromType = "19200,8,N,1";
    source.versionFromType = 12;
    source.SetNmsSupport(true);
    source.SetMultiLook();
    source.SetTerminalAddressAt(0, "1A");
    source.SetTerminalAddressAt(1, "1B");
    source.SetPropertyEntry('B', '0', "5", true, true, 8, 0x1100);
    source.SetPropertyEntry('S', '5', "text", false, true, 0, 0);
    source.parent = &master;

    design.context = &source;
    editor.SetPointer(QPoint(300, 300));
    editor.CopyModem();
    ASSERT_EQ(design.Figures().size(), 3u);
    TKuvio& copy = *design.Figures().back();
    EXPECT_TRUE(copy.Multiport());
    EXPECT_TRUE(copy.NmsSupport());
    EXPECT_EQ(copy.PictureName(), "MULTIE");
    EXPECT_TRUE(copy.TerminalAddresses().empty());
    EXPECT_EQ(copy.TypeName(), "QX-NMS");
    EXPECT_EQ(copy.modemNameFromType, "QX");
    EXPECT_EQ(copy.settingsFromType, "19200,8,N,1");
    EXPECT_EQ(copy.versionFromType, 12);
    EXPECT_EQ(copy.PropertyEntries(), source.PropertyEntries());
    EXPECT_EQ(copy.identifier, 8);
    EXPECT_EQ(copy.parent, nullptr);
    EXPECT_FALSE(copy.MasterLook());
    EXPECT_EQ(design.master, &master);
    // Placed 15 pixels left of and 25 above the pointer.
    EXPECT_EQ(QPoint(copy.Left(), copy.Top()), QPoint(285, 275));
    EXPECT_TRUE(design.modified);

    // The copy follows the mouse until a click places it.
    EXPECT_EQ(design.active, &copy);
    editor.MouseMove(QPoint(400, 320), nullptr);
    EXPECT_EQ(QPoint(copy.Left(), copy.Top()), QPoint(385, 295));
    Click(copy);
    EXPECT_FALSE(copy.dragging);
    EXPECT_FALSE(editor.Dragging());
}

TEST_F(GraphEditingTest, AFigureFollowsTheMouseOnlyAfterSixPixels) {
    TKuvio& figure = Add(50, 50);
    const QPoint press(60, 80);
    editor.FigureMouseDown(figure, MouseButton::Left, press);
    EXPECT_EQ(design.active, &figure);
    editor.MouseMove(press + QPoint(5, -5), &figure);
    EXPECT_FALSE(editor.Dragging());
    EXPECT_EQ(figure.Left(), 50);
    editor.MouseMove(press + QPoint(0, 6), &figure);
    EXPECT_TRUE(editor.Dragging());
    EXPECT_EQ(figure.Top(), 56);
    // The left edge stops at 0.
    editor.MouseMove(QPoint(-100, 90), &figure);
    EXPECT_EQ(figure.Left(), 0);
    EXPECT_FALSE(design.modified);
    editor.FigureMouseUp(figure);
    EXPECT_FALSE(editor.Dragging());
    EXPECT_TRUE(design.modified);
    EXPECT_EQ(editor.Cursor(), EditCursor::Default);

    // A click without moving only selects.
    design.modified = false;
    Click(figure);
    EXPECT_FALSE(design.modified);
}

TEST_F(GraphEditingTest, ConnectModeLinksTheFirstClickedModemToTheSecond) {
    TKuvio& parent = Add(0, 0);
    TKuvio& child = Add(100, 0);
    editor.EnterConnectMode();
    EXPECT_EQ(editor.Cursor(), EditCursor::Connect);
    Click(parent);
    EXPECT_TRUE(editor.Connecting());
    Click(child);
    EXPECT_EQ(child.parent, &parent);
    EXPECT_FALSE(editor.Connecting());
    EXPECT_FALSE(editor.ConnectMode());
    EXPECT_EQ(editor.Cursor(), EditCursor::Default);

    // From the pop-up menu the connection ends with its one click.
    design.context = &child;
    editor.StartConnecting();
    TKuvio& other = Add(200, 0);
    Click(other);
    EXPECT_EQ(other.parent, &child);
    EXPECT_FALSE(editor.Connecting());

    // A mobile modem is never in the middle of a route.
    TKuvio& mobile = Add(300, 0);
    mobile.SetMobileLook();
    editor.EnterConnectMode();
    Click(mobile);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Mobile modem can't be in middle of route"}));
    EXPECT_FALSE(editor.Connecting());
    EXPECT_FALSE(editor.ConnectMode());
}

TEST_F(GraphEditingTest, ConnectingEndsOnALabelOrOnTheEmptyArea) {
    TKuvio& from = Add(0, 0);
    design.context = &from;
    editor.StartConnecting();
    editor.LabelMouseUp(MouseButton::Left);
    EXPECT_FALSE(editor.Connecting());
    design.context = &from;
    editor.StartConnecting();
    editor.AreaMouseDown(MouseButton::Left, QPoint(500, 500));
    editor.AreaMouseUp(MouseButton::Left);
    EXPECT_FALSE(editor.Connecting());
    EXPECT_EQ(editor.Cursor(), EditCursor::Default);
}

TEST_F(GraphEditingTest, MasterDeleteModeAndDeletedConnectionsMarkTheDesign) {
    TKuvio& old = Add(0, 0);
    TKuvio& figure = Add(100, 0);
    design.MakeMaster(old);
    figure.parent = &old;
    figure.SetNoTerminalAddress(true);

    design.context = &figure;
    boxes.queueAnswer(IDNO);
    editor.MakeMaster();
    EXPECT_EQ(design.master, &old);
    design.context = &figure;
    editor.MakeMaster();
    EXPECT_EQ(boxes.texts().back(), "Do you want to make this modem as Master and remove incoming route ?");
    EXPECT_EQ(design.master, &figure);
    EXPECT_TRUE(figure.MasterLook());
    EXPECT_FALSE(old.MasterLook());
    EXPECT_EQ(figure.parent, nullptr);
    EXPECT_FALSE(figure.NoTerminalAddress());

    old.parent = &figure;
    design.modified = design.routesDirty = false;
    design.context = &old;
    editor.DeleteConnection();
    EXPECT_EQ(old.parent, nullptr);
    EXPECT_TRUE(design.modified);
    EXPECT_TRUE(design.routesDirty);

    editor.EnterDeleteMode();
    EXPECT_EQ(editor.Cursor(), EditCursor::Delete);
    editor.FigureMouseDown(old, MouseButton::Left, QPoint(5, 30));
    EXPECT_EQ(design.Figures().size(), 1u);
    EXPECT_FALSE(editor.DeleteMode());
    EXPECT_EQ(design.active, nullptr);
}

TEST_F(GraphEditingTest, EnterPlacesANewModemAndEscapeLeavesEveryMode) {
    TKuvio& figure = Add(0, 0);
    design.context = &figure;
    editor.SetPointer(QPoint(100, 100));
    editor.CopyModem();
    TKuvio& copy = *design.active;
    editor.EnterKey();
    EXPECT_FALSE(copy.dragging);
    EXPECT_TRUE(propertiesShown.empty());
    EXPECT_EQ(design.context, nullptr);
    // Enter on an active modem opens its properties.
    editor.EnterKey();
    EXPECT_EQ(propertiesShown, (std::vector<TKuvio*>{&copy}));

    copy.AddVirtualRoute(1, 2);
    copy.ToggleVirtualRouteWindow();
    editor.EnterConnectMode();
    editor.EnterCopyMode();
    editor.EscapeKey();
    EXPECT_FALSE(editor.ConnectMode());
    EXPECT_FALSE(editor.CopyMode());
    EXPECT_EQ(editor.Cursor(), EditCursor::Default);
    EXPECT_FALSE(copy.VirtualRouteWindowShown());
}

TEST_F(GraphEditingTest, LeavingTheMobileViewDropsAMobileActiveModem) {
    TKuvio& mobile = Add(0, 0);
    mobile.SetMobileLook();
    editor.SetMobileView(true);
    design.active = &mobile;
    editor.SetMobileView(false);
    EXPECT_EQ(design.active, nullptr);
    EXPECT_TRUE(design.routesDirty);
}

} // namespace
