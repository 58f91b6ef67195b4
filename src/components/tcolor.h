#pragma once
// Colours of the component package as the forms store them: 0x00BBGGRR for a
// plain colour, and 0xFF0000nn for system colour number nn, which the control's
// palette answers at drawing time.

#include <QColor>
#include <QPalette>

#include <cstdint>

using TColor = int32_t;

constexpr TColor RgbColor(uint8_t red, uint8_t green, uint8_t blue) {
    return red | green << 8 | blue << 16;
}

constexpr TColor clBlack = 0x000000;
constexpr TColor clGreen = 0x008000;
constexpr TColor clGray = 0x808080;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clWindow = static_cast<TColor>(0xFF000005);
constexpr TColor clWindowText = static_cast<TColor>(0xFF000008);
constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000F);

// The colour to draw with; a system colour comes from the palette's matching role.
QColor ToQColor(TColor color, const QPalette& palette);
