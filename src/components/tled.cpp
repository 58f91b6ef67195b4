#include "components/tled.h"

#include "components/gdi_rect.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int DefaultSize = 50;
// Room left beside the text when the LED widens itself to fit it.
constexpr int AutoSizeMargin = 6;
constexpr int MinBorderSize = 1;
constexpr int MaxBorderSize = 5;
} // namespace

TLed::TLed(QWidget* owner) : QWidget(owner) {
    setDefaults();
}

TLed::TLed(QWidget* owner, const QString& caption, _LedShape shape) : QWidget(owner) {
    setDefaults();
    text_ = caption;
    shape_ = shape;
    // This constructor leaves the border width unset: a zero-width pen draws a
    // one-pixel outline.
    borderSize_ = 0;
    textEnabled_ = true;
}

void TLed::setDefaults() {
    textSize_ = font().pointSize() > 0 ? font().pointSize() : textSize_;
    resize(DefaultSize, DefaultSize);
}

QFont TLed::TextFont() const {
    QFont f = font();
    f.setPointSize(textSize_);
    f.setBold(textStyle_ & fsBold);
    f.setItalic(textStyle_ & fsItalic);
    f.setUnderline(textStyle_ & fsUnderline);
    f.setStrikeOut(textStyle_ & fsStrikeOut);
    // Plain pixels in the text colour, as the forms' canvas wrote them.
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

void TLed::vDraw() {
    const QFontMetrics metrics(TextFont());
    if (textEnabled_)
        widenToText(metrics.horizontalAdvance(text_));

    if (bitmap_.size() != size())
        bitmap_ = QImage(size(), QImage::Format_RGB32);
    QPainter painter(&bitmap_);
    painter.fillRect(bitmap_.rect(), qcolor(bgColor_));

    const TColor body = !enabled_ ? disabledColor_ : state_ ? onColor_ : offColor_;
    painter.setBrush(qcolor(body));
    painter.setPen(QPen(qcolor(borderColor_), borderSize_));
    const QRect box = GdiOutline(0, 0, width(), height());
    if (shape_ == lsCircle)
        painter.drawEllipse(box);
    else
        painter.drawRect(box);

    if (!textEnabled_)
        return;
    const QRect textRect(
        QPoint(width() / 2 - metrics.horizontalAdvance(text_) / 2, height() / 2 - metrics.height() / 2),
        QSize(metrics.horizontalAdvance(text_), metrics.height()));
    // The text is written on the body colour, as an opaque text cell.
    painter.fillRect(textRect, qcolor(body));
    painter.setFont(TextFont());
    painter.setPen(qcolor(state_ ? textOnColor_ : textOffColor_));
    painter.drawText(textRect.topLeft() + QPoint(0, metrics.ascent()), text_);
}

void TLed::widenToText(int textWidth) {
    // The LED only ever grows.
    if (align_ != alClient && autoSize_ && width() - AutoSizeMargin < textWidth)
        resize(textWidth + AutoSizeMargin, height());
}

void TLed::Paint() {
    vDraw();
    update();
}

void TLed::paintEvent(QPaintEvent*) {
    vDraw();
    QPainter(this).drawImage(0, 0, bitmap_);
}

void TLed::resizeEvent(QResizeEvent*) {
    update();
}

void TLed::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    QWidget::mousePressEvent(event);
}

void TLed::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    QWidget::mouseReleaseEvent(event);
    if (click)
        Click();
}

void TLed::Click() {
    if (!enabled_)
        return;
    if (ChangeStateOnClick)
        vSetLedState(!bGetLedState());
    if (OnLedClick)
        OnLedClick(this);
}

void TLed::vSetLedState(bool b_led_state) {
    previousState_ = state_;
    state_ = b_led_state;
    update();
    if (previousState_ != state_ && OnStateChange)
        OnStateChange(this, state_);
}

void TLed::vSetBorderSize(int size) {
    size = std::clamp(size, MinBorderSize, MaxBorderSize);
    if (size == borderSize_)
        return;
    borderSize_ = size;
    update();
}

void TLed::vSetEnabled(bool on) {
    enabled_ = on;
    update();
}

void TLed::vSetONColor(int color) {
    onColor_ = color;
    Paint();
}

void TLed::vSetOFFColor(int color) {
    offColor_ = color;
    Paint();
}

void TLed::vSetColorDisabled(int color) {
    disabledColor_ = color;
    Paint();
}

void TLed::vSetBGColor(int color) {
    bgColor_ = color;
    Paint();
}

void TLed::vSetBorderColor(int color) {
    borderColor_ = color;
    Paint();
}

void TLed::vSetLedTextFontColor(int color) {
    textColor_ = textOnColor_ = textOffColor_ = color;
    Paint();
}

void TLed::vSetLedTextFontOnColor(int color) {
    textOnColor_ = color;
    Paint();
}

void TLed::vSetLedTextFontOffColor(int color) {
    textOffColor_ = color;
    Paint();
}

void TLed::vSetLedTextFontStyle(int styles) {
    textStyle_ = static_cast<TFontStyles>(styles);
    Paint();
}

void TLed::vSetLedTextFontSize(int points) {
    textSize_ = points;
    Paint();
}

void TLed::vSetLedShape(_LedShape shape) {
    shape_ = shape;
    Paint();
}

void TLed::vSetLedText(const QString& text) {
    text_ = text;
    Paint();
}

void TLed::vSetAutoSize(bool on) {
    autoSize_ = on;
    Paint();
}

void TLed::vSetLedTextEnabled(bool on) {
    textEnabled_ = on;
    Paint();
}
