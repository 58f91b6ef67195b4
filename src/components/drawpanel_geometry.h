#pragma once
// The geometry of the draw panel's graph, in back-plane pixels. Angles stay in
// radians throughout; every result is truncated toward zero, as the panel has
// always placed its arrows and labels (saved drawings and tests rely on the
// exact pixels).

#include <QPoint>

// A rectangle by its four edges, as the label hit tests use it.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TRect&) const = default;
};

// True when the point lies strictly inside (a point on an edge is outside).
bool bPointInRect(const TRect& rect, int x, int y);

// The point at distance r from p1 on the line toward p2.
QPoint CountRPos(QPoint p1, QPoint p2, int r);

struct TArrowPoints {
    QPoint Tip, Wing1, Wing2;
};
// The head of an arrow from source to target: its tip lies on the target's
// circle of radius r, its wings arrowSize pixels back toward the source.
TArrowPoints CountArrowPoints(QPoint target, QPoint source, int r, int arrowSize);

// The radius that keeps icons apart from edges and places link ends and labels:
// the half-diagonal of the icon picture, rounded up, plus the label font size
// and the highlight's distance and width.
int MaxRadius(int pictureWidth, int pictureHeight, int labelFontSize, int hiliteDistance, int hiliteWidth);
