#pragma once
// The eight pictures of the modem figures (30 x 50 pixels): modem, master, mobile
// and multiport, each also in the "E" form of a modem programmed by NMS frames.
// Printing asks for them larger: the scale multiplies the size.

#include <QPixmap>
#include <string>

QPixmap FigurePicture(const std::string& name, double scale = 1.0);
