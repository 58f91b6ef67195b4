#pragma once
// The printout of a network design on one landscape page: a framed area holding
// every figure shown in the view as the picture of its kind, its name beside the
// picture, the links between the figures, and the project title at the top. The
// drawing is enlarged by a print scale that makes it fill the page.

#include <QFont>
#include <QPixmap>
#include <QSize>
#include <string>

class NetworkDesign;
class QPainter;
class QPrinter;
class TKuvio;

struct GraphPrintOptions {
    // The drawing's zoom in per cent: the printout is always of the unzoomed design.
    float zoom = 100.0f;
    bool mobileView = false;
    std::string projectName;
    // The designer's font; the printout sets its sizes.
    QFont font;
};

// The print scale that fits a drawing of the given extent (right and bottom of its
// names, in unzoomed pixels) on a page; never above 3.5.
double GraphPrintScale(QSize page, QSize extent);

// The name of the picture that prints the figure at the print scale: its kind
// ("MODEEMI", "MASTER", "MOBILE", "MULTI"), "E" for NMS support, and the digit of
// the scale's picture set (none, 1 to 4).
std::string GraphBitmapName(const TKuvio& figure, bool mobileView, double scale);
// The picture of one of those names, drawn at the size of its set; a null picture
// for an unknown name.
QPixmap GraphBitmap(const std::string& name);

// The point size of the figure names, whose height must stay within 19 pixels per
// unit of scale.
int GraphLabelPointSize(QFont font, const QPainter& painter, double scale);
// The largest point size (24, 22, ... but never below 4) at which the title fits
// the width.
int GraphTitlePointSize(QFont font, const QPainter& painter, const std::string& title, int width);

// Paints the page of the printout on a painter that covers the page.
void PaintGraphPage(QPainter& painter, QSize page, const NetworkDesign& design,
                    const GraphPrintOptions& options);

// Prints the design on the printer, landscape, as one document titled with the
// project name; false when the printer cannot start a document.
bool PrintNetworkGraph(QPrinter& printer, const NetworkDesign& design, const GraphPrintOptions& options);
