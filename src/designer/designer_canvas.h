#pragma once
// The drawing of a designer window: paints the figures of the network model (their
// pictures, labels, info texts and shown route lists, the active figure framed in
// blue) and reports presses on figures and on the empty area.

#include <QWidget>

class NetworkDesign;
class TKuvio;

class DesignerCanvas : public QWidget {
    Q_OBJECT
public:
    DesignerCanvas(const NetworkDesign& design, QWidget* parent = nullptr);

    // The figure whose picture or name label is at the point, the last one drawn first.
    TKuvio* FigureAt(const QPoint& point) const;
    // Grows the drawing to hold every figure and repaints.
    void Refresh();

signals:
    void figurePressed(TKuvio* figure, Qt::MouseButton button, QPoint point);
    void areaPressed(Qt::MouseButton button, QPoint point);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void PaintFigure(QPainter& painter, const TKuvio& figure) const;

    const NetworkDesign& design_;
};
