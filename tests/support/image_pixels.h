#pragma once
// Whether a picture (a grabbed window, a drawn page) shows a colour anywhere.

#include <QColor>
#include <QImage>
#include <functional>

inline bool HasPixel(const QImage& image, const std::function<bool(QColor)>& wanted) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (wanted(image.pixelColor(x, y)))
                return true;
    return false;
}
