#include "designer/designer_canvas.h"
#include "designer/graph_editing.h"
#include "designer/graph_renderer.h"
#include "designer/network_design.h"

#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {

// Links in every direction, long names, an info line and both kinds of shown route
// lists, at a zoom that is not 100 per cent.
void BuildDrawing(NetworkDesign& design) {
    const QPoint places[] = {{300, 300}, {40, 320}, {620, 280}, {300, 40}, {320, 620}, {900, 900}, {700, 40}};
    for (const QPoint& place : places) {
        TKuvio& figure = design.Append(std::make_unique<TKuvio>(place.x(), place.y()));
        figure.SetModemName("modem with a long name " + std::to_string(design.Figures().size()));
    }
    const auto& figures = design.Figures();
    design.MakeMaster(*figures[0]);
    for (size_t i = 1; i < 5; ++i)
        figures[i]->parent = figures[0].get();
    figures[5]->parent = figures[4].get();
    figures[6]->parent = figures[3].get();
    figures[2]->AddInfoLine("Ping 12 ms, signal -87 dBm");
    for (int line = 0; line < 30; ++line)
        figures[0]->AddSourceRoute(std::to_string(line * 7) + " 2 3");
    figures[0]->ToggleSourceRouteWindow();
    figures[3]->AddVirtualRouteShort(0x12, 0x34);
    figures[3]->ToggleVirtualRouteWindow();
    figures[5]->SetNameHighlight(true);
    design.active = figures[4].get();
    design.ZoomIn();
    design.ZoomIn();
}

class GraphRendererTest : public testing::Test {
protected:
    void SetUp() override {
        BuildDrawing(design);
        canvas.Refresh();
        canvas.resize(canvas.minimumSize());
    }

    NetworkDesign design{false};
    GraphEditor editor{design};
    DesignerCanvas canvas{editor};
};

TEST_F(GraphRendererTest, PaintingAPartShowsWhatTheWholeDrawingShowsThere) {
    const QImage whole = canvas.grab().toImage();
    const QRect parts[] = {{0, 0, 200, 150},
                           {250, 250, 120, 90},
                           {330, 420, 300, 500},
                           {600, 300, 400, 40},
                           {700, 700, 300, 300},
                           {100, 600, 90, 60},
                           {0, 0, whole.width(), whole.height()}};
    for (const QRect& part : parts) {
        QImage painted(part.size(), whole.format());
        painted.fill(Qt::magenta);
        canvas.render(&painted, QPoint(), QRegion(part));
        EXPECT_EQ(painted, whole.copy(part))
            << part.x() << "," << part.y() << " " << part.width() << "x" << part.height();
    }
}

TEST_F(GraphRendererTest, HitTestFindsPictureAndWholeLabelOnlyWhereTheyAre) {
    const TKuvio& figure = *design.Figures()[1];
    const int labelWidth = QFontMetrics(FigureLabelFont(figure))
                               .horizontalAdvance(QString::fromStdString(figure.GetModemName()));
    const struct {
        QPoint point;
        const TKuvio* figure;
        FigurePart part;
    } cases[] = {
        {{figure.Left(), figure.PictureTop()}, &figure, FigurePart::Picture},
        {{figure.Left() + figure.PictureWidth() - 1, figure.PictureTop() + figure.PictureHeight() - 1},
         &figure,
         FigurePart::Picture},
        {{figure.Left(), figure.Top()}, &figure, FigurePart::Label},
        {{figure.Left() + labelWidth - 1, figure.Top() + figure.Scaled(16) - 1}, &figure, FigurePart::Label},
        {{figure.Left() + labelWidth, figure.Top()}, nullptr, FigurePart::Picture},
        {{figure.Left() + labelWidth - 1, figure.Top() - 1}, nullptr, FigurePart::Picture},
        {{figure.Left() - 1, figure.PictureTop()}, nullptr, FigurePart::Picture},
        {{figure.Left() + figure.PictureWidth(), figure.PictureTop() + 5}, nullptr, FigurePart::Picture},
    };
    for (const auto& expected : cases) {
        const FigureHit hit = FigureAt(design, expected.point, false);
        EXPECT_EQ(hit.figure, expected.figure) << expected.point.x() << "," << expected.point.y();
        if (expected.figure) {
            EXPECT_EQ(hit.part, expected.part) << expected.point.x() << "," << expected.point.y();
        }
    }
}

} // namespace
