#include "designer/designer_canvas.h"

#include "designer/edit_cursors.h"
#include "designer/graph_editing.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

namespace {

// Room kept right of and below the last figure.
const QSize kMargin(200, 100);

MouseButton ButtonOf(const QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        return MouseButton::Left;
    if (event->button() == Qt::RightButton)
        return MouseButton::Right;
    return MouseButton::Other;
}

} // namespace

DesignerCanvas::DesignerCanvas(GraphEditor& editor, QWidget* parent) : QWidget(parent), editor_(editor) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setMouseTracking(true);
}

void DesignerCanvas::Refresh() {
    QSize needed(0, 0);
    for (const auto& figure : editor_.Design().Figures())
        needed = needed.expandedTo(QSize(figure->Left(), figure->InfoTop()) + kMargin);
    setMinimumSize(needed);
    // A cursor is drawn when the editor changes it, not at every event.
    if (shownCursor_ != editor_.Cursor()) {
        shownCursor_ = editor_.Cursor();
        setCursor(EditModeCursor(*shownCursor_));
    }
    update();
}

TKuvio* DesignerCanvas::PressedFigure() const {
    for (const auto& figure : editor_.Design().Figures())
        if (figure.get() == pressedFigure_)
            return pressedFigure_;
    return nullptr;
}

bool DesignerCanvas::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const FigureHit hit = FigureAt(editor_.Design(), help->pos(), editor_.MobileView());
    if (hit.figure)
        QToolTip::showText(help->globalPos(), QString::fromStdString(hit.figure->GetSmfFileName()), this);
    else
        QToolTip::hideText();
    return true;
}

void DesignerCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    GraphPaintOptions options;
    options.mobileView = editor_.MobileView();
    options.area = event->rect();
    if (editor_.Connecting())
        options.rubberBandEnd = editor_.Pointer();
    PaintGraph(painter, editor_.Design(), options);
}

void DesignerCanvas::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    const FigureHit hit = FigureAt(editor_.Design(), point, editor_.MobileView());
    lastGlobal_ = event->globalPosition().toPoint();
    pressedFigure_ = hit.figure;
    if (hit.figure && hit.part == FigurePart::Picture) {
        pressed_ = Pressed::Picture;
        editor_.FigureMouseDown(*hit.figure, ButtonOf(event), point);
    } else if (hit.figure && event->button() == Qt::LeftButton) {
        pressed_ = Pressed::Label;
    } else {
        pressed_ = Pressed::Area;
        editor_.AreaMouseDown(ButtonOf(event), point);
    }
    emit edited();
}

void DesignerCanvas::mouseMoveEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    const bool held = event->buttons() != Qt::NoButton;
    editor_.MouseMove(event->position().toPoint(),
                      held && pressed_ == Pressed::Picture ? PressedFigure() : nullptr);
    if (held && editor_.Panning())
        emit panned(global - lastGlobal_);
    lastGlobal_ = global;
    emit edited();
}

void DesignerCanvas::mouseReleaseEvent(QMouseEvent* event) {
    const MouseButton button = ButtonOf(event);
    const Pressed pressed = pressed_;
    pressed_ = Pressed::Nothing;
    TKuvio* figure = PressedFigure();
    if (pressed == Pressed::Picture && figure)
        editor_.FigureMouseUp(*figure);
    else if (pressed == Pressed::Label)
        editor_.LabelMouseUp(button);
    else if (pressed == Pressed::Area)
        editor_.AreaMouseUp(button);
    emit edited();
    if (button != MouseButton::Right)
        return;
    if (pressed == Pressed::Picture && figure)
        emit figureMenuRequested(event->globalPosition().toPoint());
    else if (pressed == Pressed::Area)
        emit areaMenuRequested(event->globalPosition().toPoint());
}

void DesignerCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
    const FigureHit hit = FigureAt(editor_.Design(), event->position().toPoint(), editor_.MobileView());
    if (hit.figure && hit.part == FigurePart::Picture && event->button() == Qt::LeftButton) {
        editor_.FigureDoubleClick(*hit.figure);
        emit edited();
        return;
    }
    mousePressEvent(event);
}
