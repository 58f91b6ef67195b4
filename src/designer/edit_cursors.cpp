#include "designer/edit_cursors.h"

#include <QBitmap>
#include <QPainter>
#include <QPolygon>
#include <functional>

namespace {

constexpr int kCursorSize = 32;
// The arrow's tip; one pixel in, so that its outline stays inside the image.
constexpr QPoint kHotSpot(1, 1);

// Paints one layer of a cursor: the image (black where set) or, with `mask`, where
// the cursor is seen at all. Lines are a pixel wider on each side in the mask, and
// what the mask covers but the image does not shows white, so the cursor reads on
// any background.
using LayerPainter = std::function<void(QPainter& painter, bool mask)>;

QBitmap PaintLayer(const LayerPainter& paint, bool mask) {
    QBitmap layer(kCursorSize, kCursorSize);
    layer.fill(Qt::color0);
    QPainter painter(&layer);
    paint(painter, mask);
    return layer;
}

void SetLine(QPainter& painter, bool mask, int width) {
    painter.setPen(QPen(Qt::color1, mask ? width + 2 : width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
}

// The pointer: white inside a black outline.
void PaintArrow(QPainter& painter, bool mask) {
    const QPolygon arrow({QPoint(0, 0), QPoint(0, 16), QPoint(4, 12), QPoint(7, 19), QPoint(9, 18),
                          QPoint(6, 11), QPoint(11, 11)});
    painter.setPen(QPen(Qt::color1, 1));
    painter.setBrush(mask ? QBrush(Qt::color1) : QBrush(Qt::NoBrush));
    painter.drawPolygon(arrow.translated(kHotSpot));
    painter.setBrush(Qt::NoBrush);
}

// Two links of a chain, rising to the right.
void PaintLink(QPainter& painter, bool mask) {
    SetLine(painter, mask, 2);
    painter.save();
    painter.translate(22, 23);
    painter.rotate(-45);
    painter.drawRoundedRect(QRectF(-11, -3.5, 13, 7), 3.5, 3.5);
    painter.drawRoundedRect(QRectF(-2, -3.5, 13, 7), 3.5, 3.5);
    painter.restore();
}

// A cross: the modem clicked is removed.
void PaintRemoval(QPainter& painter, bool mask) {
    SetLine(painter, mask, 3);
    painter.drawLine(16, 17, 27, 28);
    painter.drawLine(27, 17, 16, 28);
}

// A page with a plus: the modem clicked is copied.
void PaintCopy(QPainter& painter, bool mask) {
    SetLine(painter, mask, 1);
    painter.setBrush(mask ? QBrush(Qt::color1) : QBrush(Qt::NoBrush));
    painter.drawRect(QRect(15, 16, 13, 13));
    painter.setBrush(Qt::NoBrush);
    // The plus lies on the page, which the mask covers whole.
    if (mask)
        return;
    SetLine(painter, false, 2);
    painter.drawLine(21, 19, 21, 25);
    painter.drawLine(18, 22, 24, 22);
}

QCursor DrawnCursor(const LayerPainter& sign) {
    const LayerPainter paint = [&sign](QPainter& painter, bool mask) {
        PaintArrow(painter, mask);
        sign(painter, mask);
    };
    return QCursor(PaintLayer(paint, false), PaintLayer(paint, true), kHotSpot.x(), kHotSpot.y());
}

} // namespace

QCursor EditModeCursor(EditCursor cursor) {
    switch (cursor) {
    case EditCursor::Connect:
        return DrawnCursor(PaintLink);
    case EditCursor::Delete:
        return DrawnCursor(PaintRemoval);
    case EditCursor::Copy:
        return DrawnCursor(PaintCopy);
    case EditCursor::SizeAll:
        return QCursor(Qt::SizeAllCursor);
    case EditCursor::Default:
        break;
    }
    return QCursor(Qt::ArrowCursor);
}
