#include "components/tdrawpanel.h"
#include "components/txmlnode.h"
#include "pixels.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QMetaProperty>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The radius of the default 20 x 20 icon with the default label and highlight sizes.
constexpr int R = 28;

struct Panel : TDrawPanel {
    Panel() {
        show();
        QApplication::processEvents();
    }
    QPoint pos(const std::string& name) const { return GetIconObject(name)->Pos; }
    void send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
              Qt::KeyboardModifiers keys = Qt::NoModifier) {
        QMouseEvent event(type, at, mapToGlobal(at), button, held, keys);
        QApplication::sendEvent(this, &event);
    }
    // A click as a mouse gives it: the move to the point, the press, the release.
    void click(QPoint at, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers keys = Qt::NoModifier) {
        send(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton, keys);
        send(QEvent::MouseButtonPress, at, button, button, keys);
        send(QEvent::MouseButtonRelease, at, button, Qt::NoButton, keys);
    }
    void drag(QPoint from, std::initializer_list<QPoint> through) {
        send(QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        QPoint last = from;
        for (QPoint at : through)
            send(QEvent::MouseMove, last = at, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, last, Qt::LeftButton, Qt::NoButton);
    }
};

TEST(TDrawPanel, NewIconsStayInsideTheBackPlaneOrGoToTheMiddleOfTheView) {
    Panel panel;
    std::vector<std::string> created;
    panel.OnIconCreated = [&](TDPIconObject* icon) { created.push_back(icon->Name); };
    EXPECT_FALSE(panel.bAutoScrollRunning());
    panel.CreateIcon("A", "", 0, 5, 5);
    panel.CreateIcon("B", "", 0, 5000, 10);
    panel.CreateIcon("C", "", QPoint(-1, -1), 0);
    EXPECT_EQ(panel.pos("A"), QPoint(R, R));
    EXPECT_EQ(panel.pos("B"), QPoint(2000 - R, R));
    EXPECT_EQ(panel.pos("C"), QPoint(150, 150));
    EXPECT_EQ(created, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_TRUE(panel.bAutoScrollRunning());

    EXPECT_FALSE(panel.CreateLink("A", "missing", ""));
    EXPECT_TRUE(panel.CreateLink("A", "B", ""));
    EXPECT_EQ(panel.GetLinkObject("A", "B")->Label, "A:B");
    EXPECT_EQ(panel.strGetIconName(600, 600), "0");

    panel.Clear();
    EXPECT_EQ(panel.u32GetIconCount(), 0u);
    EXPECT_EQ(panel.u32GetLinkCount(), 0u);
    EXPECT_FALSE(panel.bAutoScrollRunning());
}

TEST(TDrawPanel, PicturesFromTheImageListSetTheRadiusAndTheHitBox) {
    Panel panel;
    QImage square(40, 40, QImage::Format_RGB32);
    square.fill(Qt::green);
    const TImageList images{square};
    panel.IconImageList = &images;
    // ceil(sqrt(20² + 20²)) + 10 + 1 + 2
    panel.CreateIcon("A", "", 0, 5, 5);
    EXPECT_EQ(panel.pos("A"), QPoint(42, 42));
    EXPECT_EQ(PixelAt(panel.BackPlane(), 42 + 19, 42), clLime);
    EXPECT_EQ(panel.strGetIconName(42 + 39, 42), "A");
    EXPECT_EQ(panel.strGetIconName(42 + 40, 42), "0");
}

TEST(TDrawPanel, SettersKeepTheirRanges) {
    Panel panel;
    panel.vSetLabelFontSize(5);
    EXPECT_EQ(panel.LabelFontSize(), 9);
    panel.vSetLabelFontSize(40);
    EXPECT_EQ(panel.LabelFontSize(), 30);
    panel.vSetLinkWidth(0);
    EXPECT_EQ(panel.LineWidth_Link(), 1);
    panel.vSetLinkWidth(6);
    EXPECT_EQ(panel.LineWidth_Path(), 8);
    panel.vSetLinkWidth(2);
    panel.vSetPathWidth(4);
    EXPECT_EQ(panel.LineWidth_Path(), 8);

    panel.vSetBackPlaneWidth(2001);
    panel.vSetBackPlaneWidth(299);
    EXPECT_EQ(panel.GetBackPlaneWidth(), 2000);
    panel.vSetBackPlaneWidth(600);
    EXPECT_EQ(panel.GetBackPlaneWidth(), 600);
    panel.vSetVirtualBackPlane(false);
    EXPECT_EQ(panel.GetBackPlaneWidth(), 300);
    EXPECT_FALSE(panel.HorzScrollBar()->isVisible());
}

// A form designer sets the published properties through the meta-object; every
// one is there, reads back what was set, and a look is drawn at once, before
// any event is processed.
TEST(TDrawPanel, PublishedPropertiesAreMetaObjectPropertiesAndLooksRepaintAtOnce) {
    Panel panel;
    panel.CreateIcon("A", "a", 0, 100, 100);
    panel.CreateIcon("B", "b", 0, 250, 100);
    panel.CreateLink("A", "B", "ab");
    panel.vSetActiveIcon("A");
    const std::vector<std::string> path{"A", "B"};
    panel.DrawPath(&path);
    struct Case {
        const char* name;
        QVariant value;
        bool drawn; // false: nothing of the scene shows it (new links, drags, free lines)
    };
    const Case cases[] = {
        {"Color_Background", clGray, true},
        {"Color_Border", clRed, true},
        {"Color_HiLite", clGreen, true},
        {"Color_Link", clBlue, false},
        {"Color_Path", clLime, true},
        {"Color_IconLabel", clRed, true},
        {"IconLabelBgTransparent", false, true},
        {"Color_IconLabelBg", clLime, true},
        {"Color_LinkLabel", clLime, false},
        {"Color_LinkLabelBg", clWhite, true},
        {"Color_MultiSelect", clRed, false},
        {"BackPlane_Width", 1500, true},
        {"BackPlane_Height", 1400, true},
        {"LineWidth_Link", 4, true},
        {"LineWidth_Path", 12, true},
        {"LineWidth_HiLite", 4, true},
        {"LineWidth_Border", 5, false},
        {"LineWidth_FreeLine", 3, false},
        {"LineWidth_MultiSelect", 3, false},
        {"HiLiteDistance", 4, true},
        {"LabelFontSize", 14, true},
        {"PanelScrollSpeed", 25, false},
        {"ArrowSize", 30, true},
        {"ShowAutoScrollArea", true, true},
        {"AutoScrollWidth", 80, true},
        {"AutoFixIconPosition", true, false},
        {"UseBackgroundImage", true, false},
        {"VirtualBackPlane", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QMetaProperty property =
            panel.metaObject()->property(panel.metaObject()->indexOfProperty(c.name));
        ASSERT_TRUE(property.isValid());
        EXPECT_TRUE(property.isWritable() && property.isDesignable());
        const QImage before = panel.BackPlane().copy();
        EXPECT_TRUE(property.write(&panel, c.value));
        EXPECT_EQ(property.read(&panel), c.value);
        if (c.drawn) {
            EXPECT_NE(panel.BackPlane(), before);
        }
    }
    EXPECT_EQ(panel.HorzScrollBar()->singleStep(), 25);
    EXPECT_EQ(panel.GetBackPlaneWidth(), 300) << "no virtual back plane: the panel's size";

    QMenu iconMenu, linkMenu;
    EXPECT_TRUE(panel.setProperty("IconPopupMenu", QVariant::fromValue(&iconMenu)));
    EXPECT_TRUE(panel.setProperty("LinkPopupMenu", QVariant::fromValue(&linkMenu)));
    EXPECT_EQ(panel.IconPopupMenu, &iconMenu);
    EXPECT_EQ(panel.LinkPopupMenu, &linkMenu);
}

TEST(TDrawPanel, DeletingIconsTakesTheirLinksAndEndsTheSelection) {
    Panel panel;
    std::vector<std::string> events;
    panel.AfterLinkDelete = [&](const std::string& s, const std::string& t) {
        events.push_back(s + ">" + t);
    };
    panel.AfterIconDelete = [&](const std::string& name) { events.push_back(name); };
    for (const char* name : {"A", "B", "C", "D"})
        panel.CreateIcon(name, "", 0, 100, 100);
    panel.CreateLink("A", "B", "");
    panel.CreateLink("C", "A", "");
    panel.CreateLink("A", "D", "");
    panel.CreateLink("B", "C", "");
    panel.vSetActiveLink("A", "B");
    panel.DelIcon("A");
    EXPECT_EQ(events, (std::vector<std::string>{"A>B", "C>A", "A>D", "A"}));
    EXPECT_FALSE(panel.bLinkActive());

    // Every selected icon goes, although each delete edits the selection.
    panel.vGroupSelectIcons({0, 0}, {200, 200});
    ASSERT_EQ(panel.u32GetActiveIconCount(), 3u);
    panel.DelActiveIcon();
    EXPECT_EQ(panel.u32GetIconCount(), 0u);
    EXPECT_FALSE(panel.bIconActive());
}

TEST(TDrawPanel, RendersIconsLinksArrowsLabelsAndTheSelection) {
    Panel panel;
    panel.CreateIcon("A", "", 0, 100, 100);
    panel.CreateIcon("B", "Node", 0, 200, 100);
    panel.vSetIconLabelBgTransparent(false);
    panel.CreateLink("A", "B", "ab");
    panel.vSetActiveIcon("A");
    panel.Paint();
    const QImage& plane = panel.BackPlane();

    EXPECT_EQ(PixelAt(plane, 100, 100), clRed);       // the default icon's disc
    EXPECT_EQ(PixelAt(plane, 135, 100), clGreen);     // the link, past the first circle
    EXPECT_EQ(PixelAt(plane, 200 - R, 100), clGreen); // the arrow's tip
    EXPECT_EQ(PixelAt(plane, 160, 150), clWhite);

    const QRect frame = BoxOfColor(plane, clBlue, QRect(70, 70, 60, 60));
    EXPECT_TRUE(frame.contains(QRect(89, 89, 22, 22))) << "selection frame around A";
    EXPECT_TRUE(BoxOfColor(plane, clBlue, QRect(170, 70, 60, 60)).isEmpty());

    const QFontMetrics metrics(QFont(panel.font().family(), panel.LabelFontSize(), QFont::Bold));
    const int w = metrics.horizontalAdvance("Node"), h = metrics.height();
    const QRect nodeLabel(200 - w / 2, 100 + R - 3 - h / 2 - h / 2, w, h);
    const QRect yellow = BoxOfColor(plane, clYellow, QRect(150, 110, 100, 60));
    EXPECT_EQ(yellow, nodeLabel);

    const int lw = metrics.horizontalAdvance("ab");
    const QRect linkLabel = BoxOfColor(plane, clYellow, QRect(120, 80, 60, 40));
    EXPECT_EQ(linkLabel.topLeft(), QPoint(150 - lw / 2, 100 - h / 2));
}

TEST(TDrawPanel, BackgroundImageAndBitmapExport) {
    TempFolder folder;
    QImage stripe(30, 10, QImage::Format_RGB32);
    stripe.fill(Qt::blue);
    ASSERT_TRUE(stripe.save(QString::fromStdString(folder.file("stripe.bmp"))));
    ASSERT_TRUE(stripe.save(QString::fromStdString(folder.file("stripe.png"))));
    ASSERT_TRUE(stripe.save(QString::fromStdString(folder.file("stripe.jpg")), "JPG", 100));

    // A file that cannot be read, or one of a format the picture loader does
    // not know by its extension, reaches the caller as an exception.
    Panel panel;
    EXPECT_THROW(panel.LoadBackgroundImage(folder.file("missing.bmp")), std::runtime_error);
    EXPECT_THROW(panel.LoadBackgroundImage(folder.file("stripe.png")), std::runtime_error);
    EXPECT_FALSE(panel.UseBackgroundImage);
    panel.LoadBackgroundImage(folder.file("stripe.bmp"));
    panel.Paint();
    EXPECT_EQ(PixelAt(panel.BackPlane(), 29, 9), clBlue);
    EXPECT_EQ(PixelAt(panel.BackPlane(), 30, 9), clWhite);
    panel.ClearBackgroundImage();
    panel.Paint();
    EXPECT_EQ(PixelAt(panel.BackPlane(), 0, 0), clWhite);
    panel.LoadBackgroundImage(folder.file("stripe.jpg"));
    panel.Paint();
    EXPECT_NE(PixelAt(panel.BackPlane(), 15, 5), clWhite);
    panel.ClearBackgroundImage();

    panel.SaveDrawPanelAs(folder.file("all.bmp"));
    panel.SaveVisibleDrawPanelAs(folder.file("view.bmp"));
    EXPECT_EQ(QImage(QString::fromStdString(folder.file("all.bmp"))).size(), QSize(2000, 2000));
    EXPECT_EQ(QImage(QString::fromStdString(folder.file("view.bmp"))).size(), QSize(300, 300));
    EXPECT_THROW(panel.SaveDrawPanelAs(folder.file("no/such/folder.bmp")), std::runtime_error);
}

TEST(TDrawPanel, MouseSelectsDragsGroupsAndLinks) {
    Panel panel;
    int activations = 0;
    panel.OnIconActive = [&](TDrawPanel*) { ++activations; };
    panel.CreateIcon("A", "", 0, 60, 60);
    panel.CreateIcon("B", "", 0, 200, 60);
    panel.CreateIcon("C", "", 0, 200, 200);

    panel.click({60, 60});
    EXPECT_EQ(panel.ActiveIconsList(), std::vector<std::string>{"A"});
    EXPECT_EQ(activations, 1);

    panel.drag({60, 60}, {{80, 70}, {100, 90}});
    EXPECT_EQ(panel.pos("A"), QPoint(100, 90));

    // A rectangle dragged on empty space selects the icons strictly inside it;
    // it starts where the first move with the button held arrives.
    panel.drag({150, 20}, {{151, 21}, {250, 120}});
    EXPECT_EQ(panel.ActiveIconsList(), std::vector<std::string>{"B"});
    panel.click({100, 90}, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(panel.ActiveIconsList(), (std::vector<std::string>{"B", "A"}));

    // The group moves together from the second move on.
    panel.drag({200, 60}, {{205, 62}, {215, 67}});
    EXPECT_EQ(panel.pos("B"), QPoint(210, 65));
    EXPECT_EQ(panel.pos("A"), QPoint(110, 95));

    // Free lines from the selection become links where the button is released.
    panel.bFreeLineMode = true;
    panel.click({200, 200});
    EXPECT_TRUE(panel.LinkExists("B", "C"));
    EXPECT_TRUE(panel.LinkExists("A", "C"));
    EXPECT_FALSE(panel.bFreeLineMode);
    EXPECT_EQ(panel.ActiveIconsList(), std::vector<std::string>{"C"});

    // A click on a link's label selects the link; a double click reports it.
    TDPLinkObject* doubleClicked = nullptr;
    panel.OnLinkDoubleClicked = [&](TDPLinkObject* link) { doubleClicked = link; };
    panel.DelLink("A", "C");
    const QPoint label = panel.GetLinkObject("B", "C")->vCountLinkPoints();
    panel.click(label);
    EXPECT_TRUE(panel.bLinkActive());
    panel.send(QEvent::MouseButtonDblClick, label, Qt::LeftButton, Qt::LeftButton);
    panel.send(QEvent::MouseButtonRelease, label, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(doubleClicked, panel.GetLinkObject("B", "C"));
    panel.DelActiveLink();
    EXPECT_EQ(panel.u32GetLinkCount(), 0u);
}

TEST(TDrawPanel, HeldIconAtTheRightEdgeScrollsTheViewAlong) {
    Panel panel;
    panel.CreateIcon("A", "", 0, 260, 150);
    panel.send(QEvent::MouseMove, {260, 150}, Qt::NoButton, Qt::NoButton);
    panel.send(QEvent::MouseButtonPress, {260, 150}, Qt::LeftButton, Qt::LeftButton);
    panel.send(QEvent::MouseMove, {290, 150}, Qt::NoButton, Qt::LeftButton);
    ASSERT_EQ(panel.pos("A").x(), 290);

    panel.vAutoScroll();
    panel.vAutoScroll();
    EXPECT_EQ(panel.ScrollOffset().x(), 20);
    EXPECT_EQ(panel.pos("A").x(), 310);
    // The timer keeps stepping while the button is held.
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel.ScrollOffset().x() > 20; }, 2000));
    panel.send(QEvent::MouseButtonRelease, {290, 150}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(panel.GetShiftStateOnParentPlane() & ssLeft, 0);
}

TEST(TDrawPanel, SavedDataRoundTripsAndBadEntriesAreDropped) {
    Panel saved;
    saved.vSetColor_Link(clBtnFace);
    saved.vSetLabelFontSize(12);
    saved.vSetBackPlaneWidth(900);
    saved.CreateIcon("A", "first", 2, 100, 120);
    saved.CreateIcon("B", "second", 3, 300, 320);
    saved.CreateLink("A", "B", "ab");
    saved.ChangeLinkColor("A", "B", 0, 0, 255);
    TXMLNode root;
    saved.GetSaveData(&root);
    EXPECT_EQ(root.GetAttributeValue("LINK_COLOR", ""), std::to_string(static_cast<int32_t>(0xFF00000F)));

    Panel loaded;
    loaded.SetSaveData(&root);
    EXPECT_EQ(loaded.Color_Link(), clBtnFace);
    EXPECT_EQ(loaded.LabelFontSize(), 12);
    ASSERT_EQ(loaded.u32GetIconCount(), 2u);
    EXPECT_EQ(loaded.GetIconObject("B")->Label, "second");
    EXPECT_EQ(loaded.GetIconObject("B")->ImageIndex, 3);
    EXPECT_EQ(loaded.pos("B"), QPoint(300, 320));
    TDPLinkObject* link = loaded.GetLinkObject("A", "B");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->Label, "ab");
    EXPECT_EQ(link->Color, clBlue);
    EXPECT_EQ(link->pTargetPos, &loaded.GetIconObject("B")->Pos);

    // A link to an icon that is not there is dropped.
    TXMLNode orphaned;
    TXMLNode* orphan = orphaned.AddNode("LINK_LIST")->AddNode("LINK_ITEM");
    orphan->AddAttribute("SOURCE_ICON_NAME", "A");
    orphan->AddAttribute("TARGET_ICON_NAME", "nowhere");
    Panel other;
    other.CreateIcon("A", "", 0, 50, 50);
    other.CreateIcon("B", "", 0, 150, 50);
    other.SetSaveData(&orphaned);
    EXPECT_EQ(other.u32GetLinkCount(), 0u);
}

// Fixing icon positions holds them inside the back plane as drawn, also when
// the loaded settings name a wider one.
TEST(TDrawPanel, FixedIconPositionsStayInsideTheDrawnBackPlane) {
    TXMLNode saved;
    saved.AddAttribute("BACKPLANE_WIDTH", "3000");
    saved.AddAttribute("AUTO_FIX_ICON_POS", "1");
    TXMLNode* icon = saved.AddNode("ICON_LIST")->AddNode("ICON_ITEM");
    icon->AddAttribute("ICON_NAME", "far");
    icon->AddAttribute("ICON_XPOS", "2500");
    icon->AddAttribute("ICON_YPOS", "5");
    Panel panel;
    std::vector<QPoint> fixed;
    panel.FixedIconPosition = [&](TDPIconObject* moved) { fixed.push_back(moved->Pos); };
    panel.SetSaveData(&saved);
    EXPECT_EQ(panel.GetBackPlaneWidth(), 2000);
    EXPECT_EQ(fixed, std::vector<QPoint>{QPoint(2000 - R, R)});
}

// A saved value that is no number reaches the caller. The panel's keys are read
// in their saved order, so those before it are applied; the icons and links
// before it are loaded (the links pointing at their icons), the one holding it
// is not.
TEST(TDrawPanel, ASavedValueThatIsNoNumberReachesTheCaller) {
    TXMLNode damaged;
    damaged.AddAttribute("LINK_COLOR", "255");
    damaged.AddAttribute("ARROW_SIZE", "big");
    damaged.AddAttribute("FREE_LINE_WIDTH", "5");
    Panel panel;
    EXPECT_THROW(panel.SetSaveData(&damaged), std::invalid_argument);
    EXPECT_EQ(panel.Color_Link(), clRed);
    EXPECT_EQ(panel.LineWidth_FreeLine(), 1) << "read after the value that is no number";

    for (const std::string key : {"ICON_INDEX", "ICON_XPOS", "ICON_YPOS", "LINK_COLOR"}) {
        TXMLNode saved;
        TXMLNode* icons = saved.AddNode("ICON_LIST");
        for (const char* name : {"A", "B"})
            icons->AddNode("ICON_ITEM")->AddAttribute("ICON_NAME", name);
        TXMLNode* links = saved.AddNode("LINK_LIST");
        TXMLNode* link = links->AddNode("LINK_ITEM");
        link->AddAttribute("SOURCE_ICON_NAME", "A");
        link->AddAttribute("TARGET_ICON_NAME", "B");
        const bool inIcon = key.rfind("ICON", 0) == 0;
        (inIcon ? icons : links)->AddNode(inIcon ? "ICON_ITEM" : "LINK_ITEM")->AddAttribute(key, "12px");
        Panel loaded;
        EXPECT_THROW(loaded.SetSaveData(&saved), std::invalid_argument) << key;
        EXPECT_EQ(loaded.u32GetIconCount(), 2u) << key;
        ASSERT_EQ(loaded.u32GetLinkCount(), inIcon ? 0u : 1u) << key;
        if (!inIcon) {
            EXPECT_EQ(loaded.GetLinkObject("A", "B")->pSourcePos, &loaded.GetIconObject("A")->Pos);
        }
    }
}

} // namespace
