#include "shell/window_placement.h"

#include <gtest/gtest.h>

TEST(WindowPlacement, SavedPlaceIsCorrectedAgainstTheDesktop) {
    const WindowRect desktop{0, 0, 1920, 1080};
    EXPECT_EQ(ClampToDesktop({5000, 100, 300, 300}, desktop), (WindowRect{10, 100, 300, 300}));
    EXPECT_EQ(ClampToDesktop({100, 100, 1900, 300}, desktop), (WindowRect{100, 100, 200, 300}));
    EXPECT_EQ(ClampToDesktop({100, 1075, 300, 300}, desktop), (WindowRect{100, 10, 300, 300}));
    EXPECT_EQ(ClampToDesktop({100, 100, 300, 1000}, desktop), (WindowRect{100, 100, 300, 200}));
    // Up to 50 pixels may hang off the left edge; the top may not leave the desktop.
    EXPECT_EQ(ClampToDesktop({-50, 0, 300, 300}, desktop), (WindowRect{-50, 0, 300, 300}));
    EXPECT_EQ(ClampToDesktop({-51, -1, 300, 300}, desktop), (WindowRect{10, 10, 300, 300}));
    EXPECT_EQ(ClampToDesktop({1910, 0, 300, 300}, desktop), (WindowRect{1910, 0, 200, 300}));
    EXPECT_EQ(ClampToDesktop({1911, 0, 5, 5}, desktop), (WindowRect{10, 0, 5, 5}));
}

TEST(WindowPlacement, SizeTestUsesDesktopSizeMinusPositionOnAnOffsetDesktop) {
    // A desktop whose left monitor starts at -1280: the room is the width minus the
    // position, not the distance to the right edge.
    const WindowRect desktop{-1280, 0, 3200, 1080};
    EXPECT_EQ(ClampToDesktop({-1300, 0, 3000, 500}, desktop), (WindowRect{-1300, 0, 3000, 500}));
    EXPECT_EQ(ClampToDesktop({1000, 0, 2300, 500}, desktop), (WindowRect{1000, 0, 200, 500}));
}

TEST(WindowPlacement, FirmwareWindowsAreCentredAndStaggered) {
    EXPECT_EQ(CentredFirmwareWindow(1000, 800, 400, 300, 30, 1), (WindowPoint{300, 220}));
    EXPECT_EQ(CentredFirmwareWindow(1000, 800, 400, 300, 30, 3), (WindowPoint{332, 252}));
    // A window that reaches above the tool bar stays where it is.
    EXPECT_EQ(CentredFirmwareWindow(400, 300, 400, 300, 30, 1), (WindowPoint{0, 0}));
}

TEST(WindowPlacement, TilesFillTheAreaWithoutGaps) {
    const auto columns = TileRects(3, 100, 50, TileOrientation::Vertical);
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_EQ(columns[0], (WindowRect{0, 0, 33, 50}));
    EXPECT_EQ(columns[1], (WindowRect{33, 0, 33, 50}));
    EXPECT_EQ(columns[2], (WindowRect{66, 0, 34, 50}));
    const auto rows = TileRects(2, 100, 51, TileOrientation::Horizontal);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], (WindowRect{0, 25, 100, 26}));
    EXPECT_TRUE(TileRects(0, 100, 100, TileOrientation::Vertical).empty());
}

TEST(WindowPlacement, AToolWindowBelowTheScreenMovesUpWhole) {
    const WindowRect desktop{0, 0, 1024, 768};
    EXPECT_EQ(PlaceOnDesktop({100, 600, 400, 300}, desktop), (WindowRect{100, 468, 400, 300}));
    EXPECT_EQ(PlaceOnDesktop({900, -20, 300, 150}, desktop), (WindowRect{724, 0, 300, 150}));
    EXPECT_EQ(PlaceOnDesktop({0, 0, 2000, 900}, desktop), (WindowRect{0, 0, 1024, 768}));
    EXPECT_EQ(PlaceOnDesktop({10, 10, 300, 150}, desktop), (WindowRect{10, 10, 300, 150}));
}

TEST(WindowPlacement, CascadedWindowsKeepTwoThirdsOfTheAreaAndStayInIt) {
    EXPECT_EQ(CascadeRects(3, 800, 600, 30),
              (std::vector<WindowRect>{{0, 0, 740, 540}, {30, 30, 740, 540}, {60, 60, 740, 540}}));
    // Twenty windows: two thirds of the area each, in runs of seven.
    const auto many = CascadeRects(20, 800, 600, 30);
    ASSERT_EQ(many.size(), 20u);
    EXPECT_EQ(many[6], (WindowRect{180, 180, 533, 400}));
    EXPECT_EQ(many[7], (WindowRect{0, 0, 533, 400}));
    EXPECT_TRUE(CascadeRects(0, 800, 600, 30).empty());
}
