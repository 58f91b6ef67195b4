#include "designer/graph_renderer.h"

#include "designer/figure_pictures.h"
#include "designer/network_design.h"
#include "platform/latin1.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

constexpr int kArrowSize = 6;
constexpr int kFrameGap = 2;
constexpr int kLabelHeight = 16;
// Where a shown route list sits below the picture's top.
constexpr int kRouteListOffset = 56;

enum class Direction { Leftward, Rightward, Upward, Downward };

Direction LinkDirection(QPoint parent, QPoint child) {
    const QPoint d = parent - child;
    if (std::abs(d.x()) > std::abs(d.y()))
        return d.x() > 0 ? Direction::Leftward : Direction::Rightward;
    return d.y() > 0 ? Direction::Upward : Direction::Downward;
}

QPolygon Closed(QPoint from, std::initializer_list<QPoint> steps) {
    QPolygon polygon;
    polygon << from;
    for (const QPoint& step : steps)
        polygon << from + step;
    polygon << from;
    return polygon;
}

QPoint ScaledPoint(QPoint point, double scale, int printOffset) {
    QPoint result(static_cast<int>(point.x() * scale), static_cast<int>(point.y() * scale));
    if (scale > 1.0)
        result.ry() += printOffset;
    return result;
}

QRect PictureRect(const TKuvio& figure) {
    return QRect(figure.Left(), figure.PictureTop(), figure.PictureWidth(), figure.PictureHeight());
}

// The metrics of the figures' label fonts, made once per font size for a paint or
// a hit test: making them is costly, and the figures of a drawing share one size.
class LabelMetrics {
public:
    const QFontMetrics& Of(const TKuvio& figure) {
        if (!metrics_ || size_ != figure.FontSize()) {
            metrics_.emplace(FigureLabelFont(figure));
            size_ = figure.FontSize();
        }
        return *metrics_;
    }

private:
    int size_ = 0;
    std::optional<QFontMetrics> metrics_;
};

QRect NameRect(const TKuvio& figure, const QFontMetrics& metrics) {
    return QRect(figure.Left(), figure.Top(), metrics.horizontalAdvance(fromLatin1(figure.GetModemName())),
                 figure.Scaled(kLabelHeight));
}

QPoint RouteListCorner(const TKuvio& figure) {
    return QPoint(figure.Left(), figure.PictureTop() + figure.Scaled(kRouteListOffset));
}

// A rectangle that holds all that PaintFigure draws, found without measuring the
// texts: each character is taken as wide as the font's widest, and a line of room
// is left around.
QRect PaintedBounds(const TKuvio& figure, const QFontMetrics& metrics) {
    const int line = metrics.height();
    const auto width = [&metrics](size_t characters) {
        return static_cast<int>(characters) * metrics.maxWidth();
    };
    QRect bounds =
        PictureRect(figure) |
        QRect(figure.Left(), figure.Top(), width(figure.GetModemName().size()), figure.Scaled(kLabelHeight));
    if (figure.InfoShown())
        bounds |= QRect(figure.Left(), figure.InfoTop(), width(figure.InfoText().size()), 2 * line);
    for (const auto* list : {&figure.VirtualRoutes(), &figure.SourceRoutes()}) {
        if (!*list || !(*list)->shown)
            continue;
        size_t longest = 0;
        for (const std::string& text : (*list)->Lines())
            longest = std::max(longest, text.size());
        const int count = static_cast<int>((*list)->Lines().size());
        bounds |= QRect(RouteListCorner(figure), QSize(width(longest) + 6, count * line + 4));
    }
    return bounds.adjusted(-line, -line, line, line);
}

// Where the links of a figure start and end: RouteLine's points on its picture
// and name label, from its left and top to its farthest right and lowest ones.
QRect LinkAnchors(const TKuvio& figure) {
    return QRect(QPoint(figure.Left(), figure.Top()),
                 QPoint(figure.Left() + figure.Scaled(30), figure.PictureTop() + figure.Scaled(54)));
}

// A link's curve stays within the rectangle of its end points, its arrowhead and
// tail mark within an arrow's size of them.
QRect LinkBounds(const TKuvio& parent, const TKuvio& child) {
    const int room = kArrowSize + 1;
    return (LinkAnchors(parent) | LinkAnchors(child)).adjusted(-room, -room, room, room);
}

void PaintLines(QPainter& painter, const QPoint& at, const std::vector<std::string>& lines) {
    const QFontMetrics metrics(painter.font());
    int width = 0;
    for (const std::string& line : lines)
        width = std::max(width, metrics.horizontalAdvance(fromLatin1(line)));
    const QRect box(at, QSize(width + 6, static_cast<int>(lines.size()) * metrics.height() + 4));
    painter.fillRect(box, Qt::white);
    painter.drawRect(box);
    int y = at.y() + 2 + metrics.ascent();
    for (const std::string& line : lines) {
        painter.drawText(at.x() + 3, y, fromLatin1(line));
        y += metrics.height();
    }
}

void PaintFigure(QPainter& painter, const TKuvio& figure, const QFontMetrics& metrics) {
    painter.setFont(FigureLabelFont(figure));
    painter.drawPixmap(PictureRect(figure), FigurePicture(figure.PictureName()));
    const QRect name = NameRect(figure, metrics);
    if (figure.NameHighlight())
        painter.fillRect(name, Qt::red);
    painter.setPen(Qt::black);
    painter.drawText(name, Qt::AlignLeft | Qt::AlignVCenter, fromLatin1(figure.GetModemName()));
    if (figure.InfoShown())
        painter.drawText(QPoint(figure.Left(), figure.InfoTop() + painter.fontMetrics().ascent()),
                         fromLatin1(figure.InfoText()));
}

// The route lists lie over the links, so that no link crosses their text.
void PaintRouteLists(QPainter& painter, const TKuvio& figure) {
    painter.setFont(FigureLabelFont(figure));
    painter.setPen(Qt::black);
    const QPoint below = RouteListCorner(figure);
    if (figure.VirtualRouteWindowShown())
        PaintLines(painter, below, figure.VirtualRoutes()->Lines());
    if (figure.SourceRouteWindowShown())
        PaintLines(painter, below, figure.SourceRoutes()->Lines());
}

} // namespace

QFont FigureLabelFont(const TKuvio& figure) {
    return QFont("Courier New", std::max(1, figure.FontSize()));
}

RouteLineGeometry RouteLine(const TKuvio& parent, const TKuvio& child, double scale, int printOffset) {
    const QPoint p(parent.Left(), parent.Top());
    const QPoint c(child.Left(), child.Top());
    const Direction direction = LinkDirection(p, c);
    QPoint s, e;
    switch (direction) {
    case Direction::Leftward:
        s = QPoint(p.x(), p.y() + parent.Scaled(54));
        e = QPoint(c.x() + child.Scaled(30), c.y() + child.Scaled(54));
        break;
    case Direction::Rightward:
        s = QPoint(p.x() + parent.Scaled(30), p.y() + parent.Scaled(54));
        e = QPoint(c.x(), c.y() + child.Scaled(54));
        break;
    case Direction::Upward:
        s = QPoint(p.x() + parent.Scaled(23), p.y());
        e = QPoint(c.x() + child.Scaled(7), child.PictureTop() + child.Scaled(54));
        break;
    case Direction::Downward:
        s = QPoint(p.x() + parent.Scaled(23), parent.PictureTop() + parent.Scaled(50));
        e = QPoint(c.x() + child.Scaled(7), c.y());
        break;
    }
    const bool horizontal = direction == Direction::Leftward || direction == Direction::Rightward;
    const QPoint mid((s.x() + e.x()) / 2, (s.y() + e.y()) / 2);
    RouteLineGeometry line;
    line.start = s;
    line.end = e;
    line.control1 = horizontal ? QPoint(mid.x(), s.y()) : QPoint(s.x(), mid.y());
    line.control2 = horizontal ? QPoint(mid.x(), e.y()) : QPoint(e.x(), mid.y());
    const int a = kArrowSize;
    switch (direction) {
    case Direction::Leftward:
        line.arrowhead = Closed(e, {{a, -a}, {a, a}});
        line.tail = Closed(s, {{0, a}, {-a, 0}, {0, -a}});
        break;
    case Direction::Rightward:
        line.arrowhead = Closed(e, {{-a, -a}, {-a, a}});
        line.tail = Closed(s, {{0, a}, {a, 0}, {0, -a}});
        break;
    case Direction::Upward:
        line.arrowhead = Closed(e, {{a, a}, {-a, a}});
        line.tail = Closed(s, {{a, 0}, {0, -a}, {-a, 0}});
        break;
    case Direction::Downward:
        line.arrowhead = Closed(e, {{a, -a}, {-a, -a}});
        line.tail = Closed(s, {{a, 0}, {0, a}, {-a, 0}});
        break;
    }
    for (QPoint* point : {&line.start, &line.control1, &line.control2, &line.end})
        *point = ScaledPoint(*point, scale, printOffset);
    for (QPolygon* polygon : {&line.arrowhead, &line.tail})
        for (QPoint& point : *polygon)
            point = ScaledPoint(point, scale, printOffset);
    return line;
}

void DrawRouteLine(QPainter& painter, const TKuvio& parent, const TKuvio& child, double scale,
                   LinkStyle style, int printOffset) {
    const RouteLineGeometry line = RouteLine(parent, child, scale, printOffset);
    QPainterPath curve(line.start);
    curve.cubicTo(line.control1, line.control2, line.end);
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1, style == LinkStyle::Dotted ? Qt::DotLine : Qt::SolidLine));
    painter.drawPath(curve);
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    painter.drawPolyline(line.arrowhead);
    painter.drawPolyline(line.tail);
    painter.restore();
}

bool FigureShown(const TKuvio& figure, bool mobileView) {
    return mobileView || !figure.Mobile();
}

void PaintGraph(QPainter& painter, const NetworkDesign& design, const GraphPaintOptions& options) {
    LabelMetrics metrics;
    const auto inArea = [&options](const QRect& bounds) {
        return !options.area || options.area->intersects(bounds);
    };
    for (const auto& figure : design.Figures())
        if (FigureShown(*figure, options.mobileView) && inArea(PaintedBounds(*figure, metrics.Of(*figure))))
            PaintFigure(painter, *figure, metrics.Of(*figure));
    // The selection frame lies under the links, so that it never hides their tails.
    if (design.active && FigureShown(*design.active, options.mobileView)) {
        painter.setPen(QPen(Qt::blue, 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(PictureRect(*design.active).adjusted(-kFrameGap, -kFrameGap, kFrameGap, kFrameGap));
    }
    for (const auto& figure : design.Figures()) {
        if (!FigureShown(*figure, options.mobileView))
            continue;
        const TKuvio* from = options.mobileView ? figure->mobileParent : figure->parent;
        if (from && FigureShown(*from, options.mobileView) && inArea(LinkBounds(*from, *figure)))
            DrawRouteLine(painter, *from, *figure, 1.0,
                          options.mobileView ? LinkStyle::Dotted : LinkStyle::Solid);
    }
    for (const auto& figure : design.Figures())
        if (FigureShown(*figure, options.mobileView) &&
            (figure->VirtualRouteWindowShown() || figure->SourceRouteWindowShown()) &&
            inArea(PaintedBounds(*figure, metrics.Of(*figure))))
            PaintRouteLists(painter, *figure);
    if (options.rubberBandEnd && design.context) {
        painter.setPen(QPen(Qt::black, 1, options.mobileView ? Qt::DotLine : Qt::SolidLine));
        painter.drawLine(QPoint(design.context->CentreX(), design.context->CentreY()),
                         *options.rubberBandEnd);
    }
}

FigureHit FigureAt(const NetworkDesign& design, QPoint point, bool mobileView) {
    LabelMetrics metrics;
    const auto& figures = design.Figures();
    for (auto it = figures.rbegin(); it != figures.rend(); ++it) {
        TKuvio& figure = **it;
        // The picture and the name label both start at the figure's left and top.
        if (!FigureShown(figure, mobileView) || point.x() < figure.Left() || point.y() < figure.Top())
            continue;
        if (PictureRect(figure).contains(point))
            return {&figure, FigurePart::Picture};
        // Only a point beside the label's line needs the label's width.
        if (point.y() < figure.Top() + figure.Scaled(kLabelHeight) &&
            NameRect(figure, metrics.Of(figure)).contains(point))
            return {&figure, FigurePart::Label};
    }
    return {};
}
