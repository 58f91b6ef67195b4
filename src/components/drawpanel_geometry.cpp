#include "components/drawpanel_geometry.h"

#include <cmath>
#include <cstdlib>

namespace {
// The wing offsets and the vertical wing angle are radians, not degrees: 35.0
// turns each wing about 25 degrees off the line back to the source, and
// sin(55.0) is nearly -1. Converting them to degrees turns the heads around.
constexpr double WingOffset = 35.0;
constexpr double VerticalWingAngle = 55.0;
constexpr int VerticalWingSpread = 9;

int toInt(double value) {
    return static_cast<int>(value);
}
} // namespace

bool bPointInRect(const TRect& rect, int x, int y) {
    return rect.Left < x && x < rect.Right && rect.Top < y && y < rect.Bottom;
}

QPoint CountRPos(QPoint p1, QPoint p2, int r) {
    const double dx = std::abs(p1.x() - p2.x());
    const double dy = std::abs(p1.y() - p2.y());
    if (dx == 0)
        return {p1.x(), p1.y() > p2.y() ? p1.y() - r : p1.y() + r};
    const double a = std::atan(dy / dx);
    const double x = p1.x() > p2.x() ? p1.x() - r * std::cos(a) : p1.x() + r * std::cos(a);
    const double y = p1.y() > p2.y() ? p1.y() - r * std::sin(a) : p1.y() + r * std::sin(a);
    return {toInt(x), toInt(y)};
}

TArrowPoints CountArrowPoints(QPoint target, QPoint source, int r, int arrowSize) {
    const double dx = std::abs(target.x() - source.x());
    const double dy = std::abs(target.y() - source.y());
    const double s = arrowSize;
    TArrowPoints arrow;
    // The tip is truncated first; the wings start from the truncated tip.
    arrow.Tip = CountRPos(target, source, r);
    const int tipX = arrow.Tip.x(), tipY = arrow.Tip.y();
    if (dx == 0) {
        const double back = s * std::sin(VerticalWingAngle);
        const int wingY = toInt(target.y() > source.y() ? tipY + back : tipY - back);
        arrow.Wing1 = {target.x() + VerticalWingSpread, wingY};
        arrow.Wing2 = {target.x() - VerticalWingSpread, wingY};
        return arrow;
    }
    const double a = std::atan(dy / dx);
    const int sign = target.x() > source.x() ? 1 : -1;
    const int signY = target.y() > source.y() ? 1 : -1;
    arrow.Wing1 = {toInt(tipX + sign * s * std::cos(a + WingOffset)),
                   toInt(tipY + signY * s * std::sin(a + WingOffset))};
    arrow.Wing2 = {toInt(tipX + sign * s * std::cos(a - WingOffset)),
                   toInt(tipY + signY * s * std::sin(a - WingOffset))};
    return arrow;
}

int MaxRadius(int pictureWidth, int pictureHeight, int labelFontSize, int hiliteDistance, int hiliteWidth) {
    const double halfW = pictureWidth / 2;
    const double halfH = pictureHeight / 2;
    return toInt(std::ceil(std::sqrt(halfW * halfW + halfH * halfH))) + labelFontSize + hiliteDistance +
           hiliteWidth;
}
