// Editing the draw panel with the mouse: selecting, toggling, group selection,
// dragging, free lines, activation events, popup menus, and the auto-scroll step
// that the timer runs while the left button is held.
#include "components/tdrawpanel.h"

#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace {
// A dragged icon pushes the view along when the mouse is this close to an edge.
constexpr int IconScrollBorder = 50;

TShiftState shiftState(const QMouseEvent* event) {
    TShiftState shift = 0;
    const Qt::KeyboardModifiers keys = event->modifiers();
    const Qt::MouseButtons buttons = event->buttons();
    shift |= keys & Qt::ShiftModifier ? ssShift : 0;
    shift |= keys & Qt::AltModifier ? ssAlt : 0;
    shift |= keys & Qt::ControlModifier ? ssCtrl : 0;
    shift |= buttons & Qt::LeftButton ? ssLeft : 0;
    shift |= buttons & Qt::RightButton ? ssRight : 0;
    shift |= buttons & Qt::MiddleButton ? ssMiddle : 0;
    return shift;
}

TMouseButton mouseButton(const QMouseEvent* event) {
    switch (event->button()) {
    case Qt::RightButton:
        return mbRight;
    case Qt::MiddleButton:
        return mbMiddle;
    default:
        return mbLeft;
    }
}

// One coordinate of an icon in a group drag by delta, kept R inside the back
// plane; the far edge holds only while the mouse is past it too.
int dragged(int value, int delta, int mouse, int r, int extent) {
    if (value - delta < r)
        return r;
    if (value - delta > extent - r && mouse > extent - r)
        return extent - r;
    return value - delta;
}

// One coordinate of a single dragged icon: it follows the mouse but stays R inside.
int followed(int mouse, int scroll, int r, int extent) {
    if (scroll == 0 && mouse < r)
        return r;
    if (mouse > extent - r)
        return extent - r;
    return mouse;
}
} // namespace

QPoint TDrawPanel::backPlanePoint(int x, int y) const {
    return QPoint(x, y) + ScrollOffset();
}

void TDrawPanel::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    MouseDown(mouseButton(event), shiftState(event), pos.x(), pos.y());
}

void TDrawPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    DblClick();
    const QPoint pos = event->position().toPoint();
    MouseDown(mouseButton(event), shiftState(event) | ssDouble, pos.x(), pos.y());
}

void TDrawPanel::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    MouseMove(shiftState(event), pos.x(), pos.y());
}

void TDrawPanel::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    MouseUp(mouseButton(event), shiftState(event), pos.x(), pos.y());
}

void TDrawPanel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    lastShiftState_ = shift;
    const QPoint p = backPlanePoint(x, y);
    const bool ctrl = shift & ssCtrl;
    if ((ctrl || (shift & ssRight)) && bFreeLineMode)
        bFreeLineMode = false;

    const bool clickSelects =
        !bFreeLineMode && !ctrl && (button == mbLeft || (button == mbRight && activeIcons_.size() < 2));
    if (clickSelects) {
        // A press on a member of a selected group keeps the group, so it can be dragged.
        const bool onGroup = activeIcons_.size() >= 2 &&
                             bCheckIconPos(mouseOnBackPlane_.x(), mouseOnBackPlane_.y()) &&
                             bIsSelected(strGetIconName(p.x(), p.y()));
        if (!onGroup) {
            vSetActiveIcon(mouseOnBackPlane_.x(), mouseOnBackPlane_.y());
            if (!iconActive_)
                vSetActiveLink(mouseOnBackPlane_.x(), mouseOnBackPlane_.y());
            Paint();
        }
    } else if (ctrl && bCheckIconPos(p.x(), p.y())) {
        const std::string name = strGetIconName(mouseOnBackPlane_.x(), mouseOnBackPlane_.y());
        std::vector<std::string> selection = activeIcons_;
        if (const auto at = std::find(selection.begin(), selection.end(), name); at != selection.end())
            selection.erase(at);
        else
            selection.push_back(name);
        setActiveIcons(std::move(selection));
    }
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TDrawPanel::MouseMove(TShiftState shift, int x, int y) {
    lastShiftState_ = shift;
    const QPoint p = backPlanePoint(x, y);
    mouseOnBackPlane_ = p;
    mouseOnParentPlane_ = QPoint(x, y);
    if (groupSelect_) {
        groupSelectEnd_ = p;
        Paint();
    }
    if ((shift & ssLeft) && iconActive_ && !bFreeLineMode && !(shift & ssCtrl)) {
        dragSelection(p);
    } else if (bFreeLineMode) {
        Paint();
    } else if ((shift & ssLeft) && !groupSelect_) {
        groupSelectStart_ = groupSelectEnd_ = p;
        groupSelect_ = true;
        Paint();
    }
}

void TDrawPanel::dragSelection(QPoint p) {
    const int r = GetMaxRadius();
    const int bpW = backPlane_.width(), bpH = backPlane_.height();
    if (activeIcons_.size() >= 2) {
        if (!groupDrag_) {
            lastDragPos_ = p;
            groupDrag_ = true;
            return;
        }
        const QPoint delta = lastDragPos_ - p;
        for (const std::string& name : activeIcons_)
            if (TDPIconObject* icon = icons_.GetIconObject(name))
                icon->Pos = {dragged(icon->Pos.x(), delta.x(), p.x(), r, bpW),
                             dragged(icon->Pos.y(), delta.y(), p.y(), r, bpH)};
        lastDragPos_ = p;
    } else if (activeIcon_.pIcon) {
        const QPoint offset = ScrollOffset();
        activeIcon_.pIcon->Pos = {followed(p.x(), offset.x(), r, bpW), followed(p.y(), offset.y(), r, bpH)};
        activeIcon_.Pos = activeIcon_.pIcon->Pos;
    }
    Paint();
}

void TDrawPanel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    lastShiftState_ = shift;
    const QPoint p = backPlanePoint(x, y);
    if (groupSelect_ && button == mbLeft) {
        groupSelect_ = false;
        vGroupSelectIcons(groupSelectStart_, groupSelectEnd_);
        Paint();
    }
    groupDrag_ = false;
    if (bFreeLineMode && button == mbLeft && !activeIcons_.empty())
        createFreeLineLinks(p);
    if ((button == mbLeft || button == mbRight) && !(shift & ssCtrl))
        reportActivation(button, p);
    if (iconActive_)
        keepActiveIconInView();
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TDrawPanel::createFreeLineLinks(QPoint p) {
    const std::string target = strGetIconName(p.x(), p.y());
    const std::vector<std::string> sources = activeIcons_;
    for (const std::string& source : sources)
        if (!target.empty() && target != source)
            CreateLink(source, target, "");
    bFreeLineMode = false;
    vSetActiveIcon(p.x(), p.y());
    Paint();
}

void TDrawPanel::reportActivation(TMouseButton button, QPoint p) {
    if (iconActive_) {
        if (doubleClicked_) {
            doubleClicked_ = false;
            if (TDPIconObject* icon = pGetIconObject(p.x(), p.y()); icon && OnIconDoubleClicked)
                OnIconDoubleClicked(icon);
        } else if (OnIconActive) {
            OnIconActive(this);
        }
    }
    if (linkActive_) {
        if (doubleClicked_) {
            doubleClicked_ = false;
            if (TDPLinkObject* link = pGetLinkObject(p.x(), p.y()); link && OnLinkDoubleClicked)
                OnLinkDoubleClicked(link);
        } else if (OnLinkActive) {
            OnLinkActive(this);
        }
    }
    Paint();
    if (!activeIcons_.empty() && button == mbRight && IconPopupMenu)
        IconPopupMenu->popup(QCursor::pos());
    if (linkActive_ && button == mbRight && LinkPopupMenu)
        LinkPopupMenu->popup(QCursor::pos());
}

void TDrawPanel::keepActiveIconInView() {
    TDPIconObject* icon = activeIcon_.pIcon;
    if (!icon)
        return;
    const int r = GetMaxRadius();
    const QPoint offset = ScrollOffset();
    QPoint& pos = icon->Pos;
    // The right and bottom edges let the centre go R past them before pulling it
    // back R inside; the left and top edges pull back any centre closer than R.
    if (pos.x() - offset.x() > width() + r)
        pos.setX(width() - r + offset.x());
    if (pos.x() - offset.x() < r)
        pos.setX(r + offset.x());
    if (pos.y() - offset.y() > height() + r)
        pos.setY(height() - r + offset.y());
    if (pos.y() - offset.y() < r)
        pos.setY(r + offset.y());
    activeIcon_.Pos = pos;
    Paint();
}

void TDrawPanel::vAutoScroll() {
    const int s = scrollSpeed_, a = autoScrollWidth_;
    const int bpW = backPlane_.width(), bpH = backPlane_.height();
    const int mx = mouseOnParentPlane_.x(), my = mouseOnParentPlane_.y();
    int hPos = horzScrollBar_->value(), vPos = vertScrollBar_->value();
    if (bFreeLineMode || groupDrag_) {
        const int hPage = horzScrollBar_->pageStep(), vPage = vertScrollBar_->pageStep();
        if (mx > width() - a)
            hPos = hPos < bpW - hPage ? hPos + s : bpW - hPage;
        else if (mx < a)
            hPos -= s;
        if (my > height() - a)
            vPos = vPos < bpH - vPage ? vPos + s : bpH - vPage;
        else if (my < a)
            vPos -= s;
    } else if (iconActive_ && (lastShiftState_ & ssLeft) && activeIcon_.pIcon) {
        const int r = GetMaxRadius();
        QPoint& pos = activeIcon_.pIcon->Pos;
        if (pos.x() - hPos > width() - r && mx > width() - IconScrollBorder) {
            pos.setX(pos.x() + s < bpW - r ? pos.x() + s : bpW - r);
            hPos = hPos + s < bpW ? hPos + s : bpW;
        } else if (pos.x() - hPos < r && mx < IconScrollBorder) {
            pos.setX(pos.x() - s > r ? pos.x() - s : r);
            hPos = hPos - s > 0 ? hPos - s : 0;
        }
        if (pos.y() - vPos < r) {
            pos.setY(pos.y() - s > r ? pos.y() - s : r);
            vPos = vPos - s > 0 ? vPos - s : 0;
        } else if (pos.y() - vPos > height() - r && my > height() - IconScrollBorder) {
            pos.setY(pos.y() + s < bpH - r ? pos.y() + s : bpH - r);
            vPos = vPos + s < bpH ? vPos + s : bpH;
        }
        activeIcon_.Pos = pos;
    }
    // Each bar keeps the position inside its range; a change repaints.
    horzScrollBar_->setValue(hPos);
    vertScrollBar_->setValue(vPos);
}
