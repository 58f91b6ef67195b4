// Rendering of the draw panel: everything is drawn into the back plane, then the
// part in view is copied to the screen.
#include "components/tdrawpanel.h"

#include "components/gdi_rect.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

namespace {
constexpr int DefaultIconSize = 20;
constexpr TColor DefaultIconColor = clRed;
constexpr int DefaultIconPenWidth = 2;
// Room between a link's label and its highlight frame, besides the distance.
constexpr int LinkFrameMargin = 2;

// A coordinate kept R inside an extent: first off the near edge, then off the far one.
int keptInside(int value, int r, int extent) {
    if (value < r)
        value = r;
    if (value > extent - r)
        value = extent - r;
    return value;
}

} // namespace

QFont TDrawPanel::labelFont() const {
    QFont f = font();
    f.setPointSize(labelFontSize_);
    f.setBold(true);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

QSize TDrawPanel::labelSize(const std::string& text) const {
    const QFontMetrics metrics(labelFont());
    return {metrics.horizontalAdvance(QString::fromStdString(text)), metrics.height()};
}

TRect TDrawPanel::linkLabelRect(const TDPLinkObject& link) const {
    const QSize size = labelSize(link.Label);
    return link.GetLabelRect(size.height(), size.width());
}

int TDrawPanel::GetMaxRadius() const {
    return MaxRadius(iconPicture_.width(), iconPicture_.height(), labelFontSize_, hiLiteDistance_,
                     hiLiteWidth_);
}

void TDrawPanel::vDefaultIconPicture() {
    iconPicture_ = QImage(DefaultIconSize, DefaultIconSize, QImage::Format_RGB32);
    iconPicture_.fill(qcolor(colorBackground_));
    QPainter painter(&iconPicture_);
    painter.setBrush(qcolor(DefaultIconColor));
    painter.setPen(QPen(qcolor(colorBorder_), DefaultIconPenWidth));
    painter.drawEllipse(GdiOutline(0, 0, DefaultIconSize, DefaultIconSize));
}

void TDrawPanel::loadIconPicture(int imageIndex) {
    iconPicture_.fill(qcolor(colorBackground_));
    // A missing image leaves the cleared picture.
    if (IconImageList && imageIndex >= 0 && static_cast<size_t>(imageIndex) < IconImageList->size())
        iconPicture_ = (*IconImageList)[imageIndex].convertToFormat(QImage::Format_RGB32);
}

namespace {
void textOut(QPainter& painter, QPoint topLeft, const std::string& text, const QColor& color,
             const QColor* background) {
    const QString qtext = QString::fromStdString(text);
    const QFontMetrics metrics(painter.font());
    if (background)
        painter.fillRect(QRect(topLeft, QSize(metrics.horizontalAdvance(qtext), metrics.height())),
                         *background);
    painter.setPen(color);
    painter.drawText(topLeft + QPoint(0, metrics.ascent()), qtext);
}
} // namespace

void TDrawPanel::vClearBackPlane() {
    QPainter painter(&backPlane_);
    // Only the part in view is cleared: the rest keeps its last drawing until it
    // is scrolled into view.
    painter.fillRect(QRect(ScrollOffset(), size()), qcolor(colorBackground_));
    if (UseBackgroundImage && !backgroundImage_.isNull())
        painter.drawImage(0, 0, backgroundImage_);
}

void TDrawPanel::vDraw() {
    vClearBackPlane();
    QPainter painter(&backPlane_);
    if (u32GetIconCount() > 0) {
        const int r = GetMaxRadius();
        painter.setFont(labelFont());
        painter.setBrush(Qt::NoBrush);
        drawPath(painter, r);
        for (uint32_t i = 0; i < u32GetLinkCount(); ++i)
            drawLink(painter, *GetLinkObjectByIndex(i), r);
        if (bFreeLineMode && iconActive_) {
            painter.setPen(QPen(qcolor(colorLink_), freeLineWidth_));
            for (const std::string& name : activeIcons_)
                if (const TDPIconObject* icon = icons_.GetIconObject(name))
                    painter.drawLine(icon->Pos, mouseOnBackPlane_);
        }
        for (uint32_t i = 0; i < u32GetIconCount(); ++i)
            drawIcon(painter, *GetIconObjectByIndex(i), icons_.KeyAt(i), r);
    }
    drawAutoScrollArea(painter);
}

void TDrawPanel::drawPath(QPainter& painter, int r) {
    if (!showPath_)
        return;
    const bool valid =
        pathList_.size() >= 2 && std::all_of(pathList_.begin(), pathList_.end(),
                                             [this](const auto& n) { return icons_.IconExists(n); });
    if (!valid) {
        showPath_ = false;
        pathList_.clear();
        return;
    }
    painter.setPen(QPen(qcolor(colorPath_), pathWidth_));
    for (size_t i = 1; i < pathList_.size(); ++i) {
        const QPoint previous = icons_.GetIconObject(pathList_[i - 1])->Pos;
        const QPoint current = icons_.GetIconObject(pathList_[i])->Pos;
        painter.drawLine(CountRPos(current, previous, r), CountRPos(previous, current, r));
    }
}

void TDrawPanel::drawLink(QPainter& painter, const TDPLinkObject& link, int r) {
    const TDPIconObject* source = icons_.GetIconObject(link.SourceIconName);
    const TDPIconObject* target = icons_.GetIconObject(link.TargetIconName);
    if (!source || !target)
        return;
    painter.setPen(QPen(qcolor(link.Color), linkWidth_));
    const TArrowPoints arrow = CountArrowPoints(target->Pos, source->Pos, r, arrowSize_);
    painter.drawLine(arrow.Tip, arrow.Wing1);
    painter.drawLine(arrow.Tip, arrow.Wing2);
    painter.drawLine(CountRPos(source->Pos, target->Pos, r), CountRPos(target->Pos, source->Pos, r));

    const TRect label = linkLabelRect(link);
    if (linkActive_ && activeLink_.SourceIconName == link.SourceIconName &&
        activeLink_.TargetIconName == link.TargetIconName) {
        const int d = LinkFrameMargin + hiLiteDistance_;
        painter.setPen(QPen(qcolor(colorHiLite_), hiLiteWidth_));
        painter.setBrush(qcolor(colorBackground_));
        painter.drawRect(GdiOutline(label.Left - d, label.Top - d, label.Right + d, label.Bottom + d));
        painter.setBrush(Qt::NoBrush);
    }
    const QColor background = qcolor(colorLinkLabelBg_);
    textOut(painter, {label.Left, label.Top}, link.Label, qcolor(colorIconLabel_), &background);
}

void TDrawPanel::drawIcon(QPainter& painter, TDPIconObject& icon, const std::string& key, int r) {
    if (AutoFixIconPosition) {
        // Held inside the back plane as drawn, whatever size loaded settings name.
        const QPoint fixed(keptInside(icon.Pos.x(), r, backPlane_.width()),
                           keptInside(icon.Pos.y(), r, backPlane_.height()));
        if (fixed != icon.Pos) {
            icon.Pos = fixed;
            if (FixedIconPosition)
                FixedIconPosition(&icon);
        }
    }
    if (IconImageList)
        loadIconPicture(icon.ImageIndex);
    else
        vDefaultIconPicture();
    const int w = iconPicture_.width(), h = iconPicture_.height();
    const int x = icon.Pos.x(), y = icon.Pos.y();

    if (bIsSelected(key)) {
        const int d = hiLiteDistance_;
        painter.setPen(QPen(qcolor(colorHiLite_), hiLiteWidth_));
        painter.drawRect(GdiOutline(x - w / 2 - d, y - h / 2 - d, x + w / 2 + d + 1, y + h / 2 + d + 1));
    }
    if (!icon.Label.empty()) {
        const QSize size = labelSize(icon.Label);
        const QColor background = qcolor(colorIconLabelBg_);
        textOut(painter, icon.GetLabelPos(size.height(), size.width(), r), icon.Label,
                qcolor(colorIconLabel_), iconLabelBgTransparent_ ? nullptr : &background);
    }
    painter.drawImage(x - w / 2, y - h / 2, iconPicture_);
    if (groupSelect_) {
        painter.setPen(QPen(qcolor(colorMultiSelect_), multiSelectWidth_, Qt::DotLine));
        const QRect box = QRect(groupSelectStart_, groupSelectEnd_).normalized();
        painter.drawRect(GdiOutline(box.left(), box.top(), box.right(), box.bottom()));
    }
}

void TDrawPanel::drawAutoScrollArea(QPainter& painter) {
    if (!showAutoScrollArea_)
        return;
    const int a = autoScrollWidth_;
    painter.setPen(QPen(qcolor(colorMultiSelect_), multiSelectWidth_, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(GdiOutline(a, a, width() - a, height() - a));
}

void TDrawPanel::syncAutoScroll() {
    if (u32GetIconCount() > 0 && !autoScrollTimer_.isActive())
        autoScrollTimer_.start();
    else if (u32GetIconCount() == 0 && autoScrollTimer_.isActive())
        autoScrollTimer_.stop();
}

void TDrawPanel::placeScrollBars() {
    // Ranges change without a repaint of their own: this pass draws anyway.
    const QSignalBlocker blockHorz(horzScrollBar_), blockVert(vertScrollBar_);
    const int barHeight = horzScrollBar_->sizeHint().height();
    const int barWidth = vertScrollBar_->sizeHint().width();
    horzScrollBar_->setMaximum(std::max(backPlane_.width() - width(), 1));
    horzScrollBar_->setGeometry(0, height() - barHeight, width() - barWidth, barHeight);
    horzScrollBar_->setPageStep(width());
    horzScrollBar_->setVisible(virtualBackPlane_);
    vertScrollBar_->setMaximum(std::max(backPlane_.height() - height(), 1));
    vertScrollBar_->setGeometry(width() - barWidth, 0, barWidth, height());
    vertScrollBar_->setPageStep(height());
    vertScrollBar_->setVisible(virtualBackPlane_);
}

void TDrawPanel::Paint() {
    syncAutoScroll();
    placeScrollBars();
    vDraw();
    update();
}

void TDrawPanel::paintEvent(QPaintEvent*) {
    QPainter(this).drawImage(QPoint(0, 0), backPlane_, QRect(ScrollOffset(), size()));
}

void TDrawPanel::vScrollBarOnChange() {
    Paint();
}

void TDrawPanel::resizeEvent(QResizeEvent*) {
    const int minimum = (GetMaxRadius() + autoScrollWidth_) * 2;
    QSize wanted(std::max(width(), minimum), std::max(height(), minimum));
    if (virtualBackPlane_) {
        wanted = wanted.boundedTo(backPlane_.size());
    } else {
        vSetBackPlaneWidth(width());
        vSetBackPlaneHeight(height());
    }
    if (wanted != size()) {
        resize(wanted);
        return;
    }
    Paint();
}
