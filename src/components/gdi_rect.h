#pragma once
// Rectangles as the forms' canvas drew them: a box given by its edges covers
// the pixels from left to right - 1 and top to bottom - 1.

#include <QRect>

// The rectangle whose one-pixel outline runs on the box's first and last pixels.
inline QRect GdiOutline(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left - 1, bottom - top - 1);
}
