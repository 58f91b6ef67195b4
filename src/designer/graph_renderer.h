#pragma once
// Painting of a network design on any painter (the designer's drawing, a printer):
// the figures shown in the view with their pictures, name and info labels and
// route lists, the links between them as curves with an arrowhead at the child and
// a tail mark at the parent, the active figure's frame and the rubber band of a
// link being drawn. Also tells which figure, and which part of it, is at a point.

#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <optional>

class NetworkDesign;
class QPainter;
class QFont;
class TKuvio;

enum class LinkStyle { Solid, Dotted };

// The points of one link from a parent down to a child.
struct RouteLineGeometry {
    QPoint start, control1, control2, end;
    QPolygon arrowhead;
    QPolygon tail;
};

// The link's points: anchored on the side of the figures that face each other,
// every point multiplied by the scale (truncated); above scale 1.0 (printing) the
// print offset is added to each y.
RouteLineGeometry RouteLine(const TKuvio& parent, const TKuvio& child, double scale, int printOffset = 0);
void DrawRouteLine(QPainter& painter, const TKuvio& parent, const TKuvio& child, double scale,
                   LinkStyle style, int printOffset = 0);

// Whether a figure is drawn in the view: mobile modems only in the mobile view.
bool FigureShown(const TKuvio& figure, bool mobileView);

struct GraphPaintOptions {
    bool mobileView = false;
    // The line from the figure a link is being drawn from to the pointer.
    std::optional<QPoint> rubberBandEnd;
    // The part of the drawing to paint: figures and links wholly outside it are
    // left out. The whole drawing when none.
    std::optional<QRect> area;
};

// Paints the whole graph at the drawing's own scale.
void PaintGraph(QPainter& painter, const NetworkDesign& design, const GraphPaintOptions& options);

enum class FigurePart { Picture, Label };
struct FigureHit {
    TKuvio* figure = nullptr;
    FigurePart part = FigurePart::Picture;
};
// The figure shown at the point, the one drawn last first.
FigureHit FigureAt(const NetworkDesign& design, QPoint point, bool mobileView);

// The font of a figure's labels.
QFont FigureLabelFont(const TKuvio& figure);
