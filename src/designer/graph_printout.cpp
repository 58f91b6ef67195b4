#include "designer/graph_printout.h"

#include "designer/figure_pictures.h"
#include "designer/graph_renderer.h"
#include "designer/network_design.h"
#include "designer/shared_printer.h"
#include "platform/latin1.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <array>

namespace {

// The frame and the drawing inside it start this far down the page; the title
// sits just below the frame's top.
constexpr int kDrawingTop = 200;
constexpr int kTitleTop = 205;
constexpr int kMargin = 55;
// Page room that the frame, the title and the names take from the drawing.
constexpr int kSideRoom = 110;
constexpr int kTopRoom = 255;
// Room beyond the right and bottom of the names for the pictures and the links.
constexpr int kExtentRight = 60;
constexpr int kExtentBottom = 99;
constexpr double kLargestScale = 3.5;
constexpr int kExtentPointSize = 14;
// Height of a name in printer pixels per unit of print scale.
constexpr int kLabelHeightPerScale = 19;
constexpr int kSmallestLabelSize = 8;
constexpr int kLargestTitleSize = 24;
// A title that fits at no size is printed at this size, cut at the frame.
constexpr int kSmallestTitleSize = 4;

// The picture sets: the largest print scale each serves, and the scale at which its
// pictures are drawn.
constexpr std::array<double, 5> kSetScales = {1.5, 2.0, 2.5, 3.0, kLargestScale};

size_t PictureSet(double scale) {
    for (size_t set = 0; set + 1 < kSetScales.size(); ++set)
        if (scale <= kSetScales[set])
            return set;
    return kSetScales.size() - 1;
}

int TextHeight(const QFont& font, int pointSize, const QPainter& painter) {
    QFont sized = font;
    sized.setPointSize(pointSize);
    return QFontMetrics(sized, painter.device()).height();
}

// Positions of the drawing are of the unzoomed design.
double Unzoom(const GraphPrintOptions& options) {
    return 100.0 / options.zoom;
}

QSize DrawingExtent(const QPainter& painter, const NetworkDesign& design, const GraphPrintOptions& options) {
    QFont font = options.font;
    font.setPointSize(kExtentPointSize);
    const QFontMetrics metrics(font, painter.device());
    const double f = Unzoom(options);
    int right = 0;
    int bottom = 0;
    for (const auto& figure : design.Figures()) {
        if (!FigureShown(*figure, options.mobileView))
            continue;
        right = std::max(right, metrics.horizontalAdvance(fromLatin1(figure->GetModemName())) +
                                    static_cast<int>(f * figure->Left()));
        bottom = std::max(bottom, static_cast<int>(f * figure->Top()));
    }
    return QSize(right + kExtentRight, bottom + kExtentBottom);
}

void PaintFigures(QPainter& painter, const NetworkDesign& design, const GraphPrintOptions& options,
                  double scale) {
    const double f = Unzoom(options);
    const int pictureWidth = static_cast<int>(TKuvio::kPictureWidth * scale);
    const int pictureHeight = static_cast<int>(TKuvio::kPictureHeight * scale);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const auto& figure : design.Figures()) {
        if (!FigureShown(*figure, options.mobileView))
            continue;
        const int x = static_cast<int>(f * figure->Left() * scale);
        const int y = static_cast<int>(f * figure->PictureTop() * scale) + kDrawingTop;
        painter.drawPixmap(QRect(x, y, pictureWidth, pictureHeight),
                           GraphBitmap(GraphBitmapName(*figure, options.mobileView, scale)));
        const int nameTop = static_cast<int>(f * figure->Top() * scale) + kDrawingTop - 2;
        painter.drawText(x + pictureWidth + 1, nameTop + painter.fontMetrics().ascent(),
                         fromLatin1(figure->GetModemName()));
    }
}

// The links are placed in the drawing's own frame, which starts at the frame's top.
void PaintLinks(QPainter& painter, const NetworkDesign& design, const GraphPrintOptions& options,
                double scale) {
    painter.save();
    painter.translate(0, kDrawingTop);
    const double linkScale = Unzoom(options) * scale;
    for (const auto& figure : design.Figures()) {
        if (!FigureShown(*figure, options.mobileView))
            continue;
        const TKuvio* from = options.mobileView ? figure->mobileParent : figure->parent;
        if (from && FigureShown(*from, options.mobileView))
            DrawRouteLine(painter, *from, *figure, linkScale,
                          options.mobileView ? LinkStyle::Dotted : LinkStyle::Solid);
    }
    painter.restore();
}

void PaintTitle(QPainter& painter, QSize page, const GraphPrintOptions& options) {
    const std::string title = "Project " + options.projectName;
    const int room = page.width() - kSideRoom;
    QFont font = options.font;
    font.setBold(false);
    font.setPointSize(GraphTitlePointSize(options.font, painter, title, room));
    painter.setFont(font);
    const int width = painter.fontMetrics().horizontalAdvance(fromLatin1(title));
    const int x = std::max(0, page.width() / 2 - width / 2);
    painter.save();
    if (width > room)
        painter.setClipRect(QRect(kMargin, kDrawingTop, room, page.height() - kDrawingTop));
    painter.drawText(x, kTitleTop + painter.fontMetrics().ascent(), fromLatin1(title));
    painter.restore();
}

} // namespace

double GraphPrintScale(QSize page, QSize extent) {
    const double ratio = std::min(static_cast<double>(page.width() - kSideRoom) / extent.width(),
                                  static_cast<double>(page.height() - kTopRoom) / extent.height());
    return std::min(ratio, kLargestScale);
}

std::string GraphBitmapName(const TKuvio& figure, bool mobileView, double scale) {
    std::string name = figure.MasterLook()             ? "MASTER"
                       : mobileView && figure.Mobile() ? "MOBILE"
                       : figure.Multiport()            ? "MULTI"
                                                       : "MODEEMI";
    if (figure.NmsSupport())
        name += 'E';
    if (const size_t set = PictureSet(scale); set > 0)
        name += static_cast<char>('0' + set);
    return name;
}

QPixmap GraphBitmap(const std::string& name) {
    std::string kind = name;
    size_t set = 0;
    if (!kind.empty() && kind.back() >= '1' && kind.back() <= '4') {
        set = static_cast<size_t>(kind.back() - '0');
        kind.pop_back();
    }
    static const char* const kKinds[] = {"MODEEMI", "MASTER", "MOBILE", "MULTI"};
    for (const char* known : kKinds) {
        if (kind != known && kind != std::string(known) + 'E')
            continue;
        // The figure's own picture of the master carries a "P" in front.
        const std::string picture = kind.rfind("MASTER", 0) == 0 ? "P" + kind : kind;
        return FigurePicture(picture, kSetScales[set]);
    }
    return QPixmap();
}

int GraphLabelPointSize(QFont font, const QPainter& painter, double scale) {
    for (int size : {14, 12, 10})
        if (TextHeight(font, size, painter) <= kLabelHeightPerScale * scale)
            return size - 2;
    return kSmallestLabelSize;
}

int GraphTitlePointSize(QFont font, const QPainter& painter, const std::string& title, int width) {
    font.setBold(false);
    int size = kLargestTitleSize;
    for (; size > kSmallestTitleSize; size -= 2) {
        font.setPointSize(size);
        if (QFontMetrics(font, painter.device()).horizontalAdvance(fromLatin1(title)) <= width)
            break;
    }
    return size;
}

void PaintGraphPage(QPainter& painter, QSize page, const NetworkDesign& design,
                    const GraphPrintOptions& options) {
    const double scale = GraphPrintScale(page, DrawingExtent(painter, design, options));
    painter.setBrush(Qt::white);
    painter.setPen(QPen(Qt::black, 3));
    painter.drawRect(
        QRect(QPoint(kMargin, kDrawingTop), QPoint(page.width() - kMargin - 1, page.height() - kMargin - 1)));
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    QFont labelFont = options.font;
    labelFont.setPointSize(GraphLabelPointSize(options.font, painter, scale));
    painter.setFont(labelFont);
    PaintFigures(painter, design, options, scale);
    PaintLinks(painter, design, options, scale);
    PaintTitle(painter, page, options);
}

bool PrintNetworkGraph(QPrinter& printer, const NetworkDesign& design, const GraphPrintOptions& options) {
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(fromLatin1(options.projectName));
    QPainter painter;
    if (!BeginPrinting(painter, printer))
        return false;
    PaintGraphPage(painter, QSize(printer.width(), printer.height()), design, options);
    return painter.end();
}
