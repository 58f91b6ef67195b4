#pragma once
// Reading rendered images in the component tests: a pixel as a 0x00BBGGRR colour,
// and the box around every pixel of one colour.

#include "components/tcolor.h"

#include <QImage>
#include <QRect>

inline TColor PixelAt(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return RgbColor(c.red(), c.green(), c.blue());
}

// The smallest rectangle holding every pixel of the colour inside `area`; empty
// when there is none.
inline QRect BoxOfColor(const QImage& image, TColor color, QRect area = {}) {
    if (area.isNull())
        area = image.rect();
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (PixelAt(image, x, y) == color)
                box |= QRect(x, y, 1, 1);
    return box;
}
