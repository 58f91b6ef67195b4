#include "designer/zoom.h"

#include "designer/graph_renderer.h"
#include "designer/network_design.h"
#include "designer/project_file.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"

#include <QPoint>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

// The factor and the number of steps taken from 100 per cent until the limit stops
// the steps; the test is made before each step.
std::pair<float, int> ZoomUntilStopped(bool in) {
    NetworkDesign design(false);
    int steps = 0;
    for (; in ? CanZoomIn(design.zoom) : CanZoomOut(design.zoom); ++steps)
        in ? design.ZoomIn() : design.ZoomOut();
    return {design.zoom, steps};
}

TEST(Zoom, StepsStopAtTheLimits) {
    const auto [largest, in] = ZoomUntilStopped(true);
    EXPECT_EQ(in, 15);
    EXPECT_NEAR(largest, 207.9, 0.05);
    EXPECT_EQ(ZoomText(largest), "208");
    EXPECT_EQ(ZoomText(ZoomedIn(100.0f)), "105");
    EXPECT_EQ(ZoomText(ZoomedIn(ZoomedIn(100.0f))), "110");
    const auto [smallest, out] = ZoomUntilStopped(false);
    EXPECT_EQ(out, 18);
    EXPECT_NEAR(smallest, 39.7, 0.05);
    EXPECT_EQ(FigureFontSize(100.0f), 10);
    EXPECT_EQ(FigureFontSize(150.0f), 15);
}

// Each step is worked out in double precision and stored as a float: two steps in
// and thirteen out end at the float nearest to that, not one float step off.
TEST(Zoom, StepsAreWorkedOutInDoublePrecision) {
    float zoom = ZoomedIn(ZoomedIn(100.0f));
    for (int i = 0; i < 13; ++i)
        zoom = ZoomedOut(zoom);
    EXPECT_EQ(zoom, 56.5959663f);
}

// In and out leave the factor at 99.75 per cent, and the figures where they were.
TEST(Zoom, InAndOutReturnTheFiguresToTheirPlacesButNotTheFactor) {
    NetworkDesign design(false);
    TKuvio& figure = design.Append(std::make_unique<TKuvio>(0, 0));
    design.ZoomIn();
    design.ZoomOut();
    EXPECT_FLOAT_EQ(design.zoom, 99.75f);
    EXPECT_EQ(design.drawingScale, 100.0f);
    design.ResetZoom();
    for (int x = 0; x < 400; x += 7) {
        figure.SetLeft(x);
        figure.SetTop(x / 2 + 3);
        for (int i = 1; i <= 6; ++i)
            design.ZoomIn();
        EXPECT_EQ(figure.Scale(), design.drawingScale / 100.0f);
        EXPECT_EQ(figure.FontSize(), FigureFontSize(design.zoom));
        for (int i = 1; i <= 6; ++i)
            design.ZoomOut();
        ASSERT_EQ(figure.Left(), x);
        ASSERT_EQ(figure.Top(), x / 2 + 3);
        EXPECT_EQ(design.drawingScale, 100.0f);
        design.ResetZoom();
    }
    EXPECT_EQ(design.zoom, 100.0f);
    EXPECT_EQ(figure.FontSize(), 10);
}

// At every step count a user can reach, modems that are not moved keep their
// places: on the screen each step scales a position by 105/100 (100/105 out)
// rounded to the nearest pixel, and saving and reopening at that zoom, round after
// round, puts every modem back where it was placed.
TEST(Zoom, ModemsNotMovedKeepTheirPlacesAtEveryReachableZoom) {
    TempFolder folder;
    MessageBoxRecorder boxes;
    const std::string path = folder.file("zoomed.spf");
    std::vector<QPoint> placed;
    for (int i = 0; i < 150; ++i)
        placed.emplace_back(13 * i + 1, 7 * i + 3);
    const auto stepped = [](int position, int steps) {
        for (int i = 0; i < std::abs(steps); ++i)
            position = static_cast<int>(std::lround(steps > 0 ? position * 1.05 : position / 1.05));
        return position;
    };
    for (int steps = -ZoomUntilStopped(false).second; steps <= ZoomUntilStopped(true).second; ++steps) {
        auto design = std::make_unique<NetworkDesign>(false);
        for (const QPoint& place : placed)
            design->Append(std::make_unique<TKuvio>(place.x(), place.y()));
        for (int round = 0; round < 3; ++round) {
            for (int i = 0; i < std::abs(steps); ++i)
                steps > 0 ? design->ZoomIn() : design->ZoomOut();
            for (size_t i = 0; i < placed.size(); ++i) {
                const TKuvio& figure = *design->Figures()[i];
                ASSERT_EQ(QPoint(figure.Left(), figure.Top()),
                          QPoint(stepped(placed[i].x(), steps), stepped(placed[i].y(), steps)))
                    << steps << " steps, modem " << i;
            }
            SaveProjectFile(*design, path, "5.2.1", "caption");
            design = std::make_unique<NetworkDesign>(false);
            LoadProjectFile(*design, path, {});
            for (size_t i = 0; i < placed.size(); ++i) {
                const TKuvio& figure = *design->Figures()[i];
                ASSERT_EQ(QPoint(figure.Left(), figure.Top()), placed[i])
                    << steps << " steps, round " << round << ", modem " << i;
            }
        }
    }
}

TEST(Zoom, FigureGeometryFollowsTheScale) {
    NetworkDesign design(false);
    for (int i = 0; i < 8; ++i)
        design.ZoomIn();
    TKuvio& figure = design.Append(std::make_unique<TKuvio>(100, 100));
    const float scale = design.drawingScale / 100.0f;
    EXPECT_EQ(figure.PictureWidth(), std::lround(30 * scale));
    EXPECT_EQ(figure.PictureTop(), 100 + std::lround(19 * scale));
    EXPECT_EQ(figure.FontSize(), FigureFontSize(design.zoom));
    // The links are anchored on the scaled picture.
    TKuvio& child = design.Append(std::make_unique<TKuvio>(400, 110));
    EXPECT_EQ(RouteLine(figure, child, 1.0).start.x(), 100 + std::lround(30 * scale));
}

TEST(Zoom, ScrollStepsStayOnVisibleBarsAndInTheirRange) {
    EXPECT_EQ(ScrolledForward({true, 10, 100}, 8), 18);
    EXPECT_EQ(ScrolledForward({true, 92, 100}, 8), 92);
    EXPECT_EQ(ScrolledForward({false, 10, 100}, 8), 10);
    EXPECT_EQ(ScrolledBack({true, 8, 100}, 8), 0);
    EXPECT_EQ(ScrolledBack({true, 7, 100}, 8), 7);
}

TEST(RouteLine, LinksRunBetweenTheFacingSidesWithArrowAndTail) {
    TKuvio parent(100, 100);
    TKuvio right(300, 120);
    RouteLineGeometry line = RouteLine(parent, right, 1.0);
    EXPECT_EQ(line.start, QPoint(130, 154));
    EXPECT_EQ(line.end, QPoint(300, 174));
    EXPECT_EQ(line.control1, QPoint(215, 154));
    EXPECT_EQ(line.control2, QPoint(215, 174));
    EXPECT_EQ(line.arrowhead, QPolygon({{300, 174}, {294, 168}, {294, 180}, {300, 174}}));

    TKuvio below(110, 300);
    line = RouteLine(parent, below, 1.0);
    EXPECT_EQ(line.start, QPoint(123, 169));
    EXPECT_EQ(line.end, QPoint(117, 300));
    EXPECT_EQ(line.tail, QPolygon({{123, 169}, {129, 169}, {123, 175}, {117, 169}, {123, 169}}));

    // Printing scales every point and moves it down by the print offset.
    line = RouteLine(parent, below, 2.0, 200);
    EXPECT_EQ(line.start, QPoint(246, 538));
}

} // namespace
