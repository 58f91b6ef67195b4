#include "designer/designer_canvas.h"

#include "designer/figure_pictures.h"
#include "designer/network_design.h"
#include "platform/latin1.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int kLabelHeight = 16;
constexpr int kFrameGap = 2;

QFont LabelFont() {
    return QFont("Courier New", 10);
}

QRect PictureRect(const TKuvio& figure) {
    return QRect(figure.Left(), figure.PictureTop(), TKuvio::kPictureWidth, TKuvio::kPictureHeight);
}

QRect NameRect(const TKuvio& figure) {
    const QFontMetrics metrics(LabelFont());
    return QRect(figure.Left(), figure.Top(), metrics.horizontalAdvance(fromLatin1(figure.GetModemName())),
                 kLabelHeight);
}

void PaintLines(QPainter& painter, const QPoint& at, const std::vector<std::string>& lines) {
    const QFontMetrics metrics(painter.font());
    int width = 0;
    for (const std::string& line : lines)
        width = std::max(width, metrics.horizontalAdvance(fromLatin1(line)));
    const QRect box(at, QSize(width + 6, static_cast<int>(lines.size()) * metrics.height() + 4));
    painter.fillRect(box, Qt::white);
    painter.drawRect(box);
    int y = at.y() + 2 + metrics.ascent();
    for (const std::string& line : lines) {
        painter.drawText(at.x() + 3, y, fromLatin1(line));
        y += metrics.height();
    }
}

} // namespace

DesignerCanvas::DesignerCanvas(const NetworkDesign& design, QWidget* parent)
    : QWidget(parent), design_(design) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

TKuvio* DesignerCanvas::FigureAt(const QPoint& point) const {
    const auto& figures = design_.Figures();
    for (auto it = figures.rbegin(); it != figures.rend(); ++it) {
        TKuvio& figure = **it;
        if (figure.Visible() && (PictureRect(figure).contains(point) || NameRect(figure).contains(point)))
            return &figure;
    }
    return nullptr;
}

void DesignerCanvas::Refresh() {
    QSize needed(0, 0);
    for (const auto& figure : design_.Figures())
        needed = needed.expandedTo(QSize(figure->Left() + 200, figure->InfoTop() + 100));
    setMinimumSize(needed);
    update();
}

void DesignerCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(LabelFont());
    for (const auto& figure : design_.Figures())
        if (figure->Visible())
            PaintFigure(painter, *figure);
    if (design_.active && design_.active->Visible()) {
        painter.setPen(QPen(Qt::blue, 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(PictureRect(*design_.active).adjusted(-kFrameGap, -kFrameGap, kFrameGap, kFrameGap));
    }
}

void DesignerCanvas::PaintFigure(QPainter& painter, const TKuvio& figure) const {
    painter.drawPixmap(figure.Left(), figure.PictureTop(), FigurePicture(figure.PictureName()));
    const QRect name = NameRect(figure);
    if (figure.NameHighlight())
        painter.fillRect(name, Qt::red);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(name, Qt::AlignLeft | Qt::AlignVCenter, fromLatin1(figure.GetModemName()));
    if (figure.InfoShown())
        painter.drawText(QPoint(figure.Left(), figure.InfoTop() + painter.fontMetrics().ascent()),
                         fromLatin1(figure.InfoText()));
    const QPoint below(figure.Left(), figure.PictureTop() + 56);
    if (figure.VirtualRouteWindowShown())
        PaintLines(painter, below, figure.VirtualRoutes()->lines);
    if (figure.SourceRouteWindowShown())
        PaintLines(painter, below, figure.SourceRoutes()->lines);
}

void DesignerCanvas::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (TKuvio* figure = FigureAt(point))
        emit figurePressed(figure, event->button(), point);
    else
        emit areaPressed(event->button(), point);
}
