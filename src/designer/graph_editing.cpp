#include "designer/graph_editing.h"

#include "platform/message_box.h"

#include <algorithm>
#include <cstdlib>

namespace {

bool Ask(const std::string& question, const std::string& caption) {
    return MessageBox(question, caption, MB_YESNO | MB_ICONWARNING) == IDYES;
}

} // namespace

bool LinkFigures(NetworkDesign& design, TKuvio& from, TKuvio& to, bool mobileView) {
    if (&to == &from)
        return false;
    if (&to == design.master) {
        MessageBox("Route can't direct to master !!", "Warning", MB_OK | MB_ICONWARNING);
        return false;
    }
    if (design.WouldCloseRing(from, to)) {
        MessageBox("Route can't make a loop !!", "Warning", MB_OK | MB_ICONWARNING);
        return false;
    }
    TKuvio*& link = mobileView ? to.mobileParent : to.parent;
    if (link &&
        !Ask(mobileView ? "Replace existing mobile route ??" : "Replace existing route ??", "Question"))
        return false;
    link = &from;
    design.modified = true;
    design.routesDirty = true;
    return true;
}

void GraphEditor::MarkEdited() {
    design_.modified = true;
    design_.routesDirty = true;
}

void GraphEditor::Select(TKuvio* figure) {
    design_.active = figure;
    if (hooks_.activeChanged)
        hooks_.activeChanged();
}

void GraphEditor::StartDrag(TKuvio& figure, QPoint origin) {
    figure.dragging = true;
    dragging_ = true;
    dragOrigin_ = origin;
    cursor_ = EditCursor::SizeAll;
}

// A new or copied figure is held at its picture's centre.
void GraphEditor::GrabAtCentre(TKuvio& figure) {
    StartDrag(figure, QPoint(figure.CentreX() - figure.Left(), figure.Scaled(25)));
}

void GraphEditor::Follow(TKuvio& figure, QPoint point) const {
    figure.SetLeft(std::max(0, point.x() - dragOrigin_.x()));
    figure.SetTop(std::max(0, point.y() - dragOrigin_.y()));
}

// Ends the drag of a figure; a modem just placed then shows its properties.
void GraphEditor::Drop(TKuvio& figure) {
    figure.dragging = false;
    dragging_ = false;
    cursor_ = EditCursor::Default;
    design_.modified = true;
    if (newFigurePending_) {
        newFigurePending_ = false;
        ShowProperties();
    } else {
        design_.context = nullptr;
    }
}

void GraphEditor::EndConnecting() {
    connecting_ = false;
    design_.context = nullptr;
    cursor_ = EditCursor::Default;
}

void GraphEditor::FigureMouseDown(TKuvio& figure, MouseButton button, QPoint point) {
    if (hooks_.figuresLocked && hooks_.figuresLocked())
        return;
    // In delete mode the figure may be gone after its click: nothing is selected.
    const bool deleting = deleteMode_;
    if (button == MouseButton::Right) {
        if (design_.context && design_.context->dragging)
            Drop(*design_.context);
        connecting_ = false;
        design_.context = &figure;
        pointer_ = point;
    } else if (button == MouseButton::Left && deleteMode_) {
        design_.context = &figure;
        DeleteModem();
        cursor_ = EditCursor::Default;
        design_.routesDirty = true;
    } else if (button == MouseButton::Left && copyMode_) {
        design_.context = &figure;
        pointer_ = point;
        CopyModem();
        design_.routesDirty = true;
    } else if (button == MouseButton::Left && connectMode_) {
        design_.context = &figure;
        if (figure.Mobile()) {
            ShowMessage("Mobile modem can't be in middle of route");
            design_.context = nullptr;
            cursor_ = EditCursor::Default;
            connectMode_ = false;
        } else {
            pointer_ = point;
            StartConnecting();
        }
    } else if (button == MouseButton::Left && !connecting_ && !dragging_) {
        dragPending_ = true;
        pressPoint_ = point;
    }
    Select(deleting ? nullptr : &figure);
    deleteMode_ = false;
    copyMode_ = false;
}

void GraphEditor::FigureMouseUp(TKuvio& figure) {
    if (figure.dragging)
        Drop(figure);
    if (connecting_) {
        if (&figure != design_.context && design_.context)
            LinkFigures(design_, *design_.context, figure, mobileView_);
        // A connection begun from the Modem menu goes on to its second click.
        if (!connectMode_)
            EndConnecting();
        connectMode_ = false;
    }
    dragPending_ = false;
}

void GraphEditor::LabelMouseUp(MouseButton button) {
    if (connecting_ && button == MouseButton::Left)
        EndConnecting();
    dragPending_ = false;
}

void GraphEditor::FigureDoubleClick(TKuvio& figure) {
    design_.context = &figure;
    ShowProperties();
}

void GraphEditor::AreaMouseDown(MouseButton button, QPoint point) {
    pointer_ = point;
    if (button == MouseButton::Left)
        panning_ = true;
}

void GraphEditor::AreaMouseUp(MouseButton button) {
    if (button == MouseButton::Left) {
        if (connecting_)
            EndConnecting();
        panning_ = false;
    }
    cursor_ = EditCursor::Default;
    connectMode_ = false;
    deleteMode_ = false;
}

void GraphEditor::MouseMove(QPoint point, TKuvio* pressed) {
    TKuvio* grabbed = design_.context && design_.context->dragging ? design_.context : nullptr;
    if (grabbed) {
        Follow(*grabbed, point);
    } else if (dragPending_ && !connecting_ && pressed && design_.active) {
        const QPoint moved = point - pressPoint_;
        if (std::abs(moved.x()) >= kDragThreshold || std::abs(moved.y()) >= kDragThreshold) {
            TKuvio& figure = *design_.active;
            design_.context = &figure;
            StartDrag(figure, pressPoint_ - QPoint(figure.Left(), figure.Top()));
            dragPending_ = false;
            Follow(figure, point);
        }
    }
    pointer_ = point;
}

void GraphEditor::LeavePlacedFigure() {
    if (design_.context)
        design_.context->dragging = false;
}

TKuvio* GraphEditor::NewModemFigure(const std::string& typeName, NewModemKind kind,
                                    const std::string& itemKey, ModemTypeVersionReader& typeReader) {
    if (!design_.TakesAnotherFigure())
        return nullptr;
    LeavePlacedFigure();
    TKuvio& figure = design_.NewModemFigure(typeName, kind, pointer_.x(), pointer_.y(), itemKey, typeReader);
    newFigurePending_ = true;
    GrabAtCentre(figure);
    StepOffStackedFigures(figure);
    return &figure;
}

// Insert with the mouse still on the modem just placed, or a copy of a modem
// clicked where it is held, would put the new modem exactly over the other,
// hiding it until the mouse moves, and a click there would leave the two stacked.
// The new modem steps down and right until no modem stands in its place; the next
// move brings it under the mouse as usual.
void GraphEditor::StepOffStackedFigures(TKuvio& figure) const {
    const auto stacked = [&] {
        return std::any_of(design_.Figures().begin(), design_.Figures().end(), [&](const auto& other) {
            return other.get() != &figure && other->Left() == figure.Left() && other->Top() == figure.Top();
        });
    };
    while (stacked()) {
        figure.SetLeft(figure.Left() + figure.Scaled(kStackStep.x()));
        figure.SetTop(figure.Top() + figure.Scaled(kStackStep.y()));
    }
}

void GraphEditor::StartConnecting() {
    if (!design_.context)
        return;
    connecting_ = true;
    pointer_ = QPoint(design_.context->CentreX(), design_.context->CentreY());
    cursor_ = EditCursor::Connect;
}

void GraphEditor::DeleteModem() {
    TKuvio* figure = design_.context;
    if (!figure || design_.Figures().empty() || !Ask("Do you want to delete this modem ?", "Warning"))
        return;
    if (hooks_.figureRemoved)
        hooks_.figureRemoved(*figure);
    design_.DeleteFigure(figure);
    MarkEdited();
}

void GraphEditor::FiguresRemoved() {
    dragging_ = false;
    dragPending_ = false;
    newFigurePending_ = false;
    connecting_ = false;
    cursor_ = EditCursor::Default;
}

void GraphEditor::MakeMaster() {
    TKuvio* figure = design_.context;
    if (!figure)
        return;
    if (figure->parent &&
        !Ask("Do you want to make this modem as Master and remove incoming route ?", "Warning"))
        return;
    design_.MakeMaster(*figure);
    MarkEdited();
    design_.context = nullptr;
}

void GraphEditor::CopyModem() {
    if (!design_.context || !design_.TakesAnotherFigure())
        return;
    LeavePlacedFigure();
    TKuvio& copy = design_.CopyFigure(*design_.context, pointer_.x(), pointer_.y());
    MarkEdited();
    design_.context = &copy;
    design_.active = &copy;
    GrabAtCentre(copy);
    StepOffStackedFigures(copy);
}

void GraphEditor::DeleteConnection() {
    if (!design_.context)
        return;
    (mobileView_ ? design_.context->mobileParent : design_.context->parent) = nullptr;
    MarkEdited();
}

void GraphEditor::ShowProperties() {
    if (hooks_.showContextProperties)
        hooks_.showContextProperties();
    design_.context = nullptr;
}

void GraphEditor::EnterConnectMode() {
    connectMode_ = true;
    cursor_ = EditCursor::Connect;
}

void GraphEditor::EnterDeleteMode() {
    deleteMode_ = true;
    cursor_ = EditCursor::Delete;
}

void GraphEditor::EnterCopyMode() {
    copyMode_ = true;
    cursor_ = EditCursor::Copy;
}

void GraphEditor::SetMobileView(bool on) {
    mobileView_ = on;
    if (!on && design_.active && design_.active->Mobile())
        design_.active = nullptr;
    design_.routesDirty = true;
}

void GraphEditor::EnterKey() {
    TKuvio* placed = design_.context && design_.context->dragging ? design_.context : nullptr;
    if (placed) {
        Drop(*placed);
        return;
    }
    if (design_.active) {
        design_.context = design_.active;
        ShowProperties();
    }
}

void GraphEditor::EscapeKey() {
    cursor_ = EditCursor::Default;
    deleteMode_ = false;
    connectMode_ = false;
    copyMode_ = false;
    connecting_ = false;
    if (TKuvio* figure = design_.active) {
        if (figure->VirtualRouteWindowShown())
            figure->ToggleVirtualRouteWindow();
        if (figure->SourceRouteWindowShown())
            figure->ToggleSourceRouteWindow();
    }
}
