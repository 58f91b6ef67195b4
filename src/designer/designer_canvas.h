#pragma once
// The drawing of a designer window: paints the design with the graph renderer and
// turns mouse events into calls of the graph editor. A release goes to the figure
// or the area that was pressed, as a held button keeps the mouse there.

#include "designer/graph_editing.h"
#include "designer/graph_renderer.h"

#include <QWidget>
#include <optional>

class TKuvio;

class DesignerCanvas : public QWidget {
    Q_OBJECT
public:
    DesignerCanvas(GraphEditor& editor, QWidget* parent = nullptr);

    // Grows the drawing to hold every figure, takes the editor's cursor and repaints.
    void Refresh();

signals:
    // A right click on a figure's picture (the figure is the context figure) or on
    // the empty area; the point is global.
    void figureMenuRequested(QPoint global);
    void areaMenuRequested(QPoint global);
    // The pointer moved while the empty area is held: the drawing is to scroll.
    void panned(QPoint globalMove);
    // An event changed the design or the editing state.
    void edited();

protected:
    // A figure's hint is its modem-type file.
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The pressed figure, when it still exists (a click in delete mode removes it).
    TKuvio* PressedFigure() const;

    GraphEditor& editor_;
    enum class Pressed { Nothing, Picture, Label, Area };
    Pressed pressed_ = Pressed::Nothing;
    TKuvio* pressedFigure_ = nullptr;
    QPoint lastGlobal_;
    std::optional<EditCursor> shownCursor_;
};
