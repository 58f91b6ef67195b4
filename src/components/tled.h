#pragma once
// A two-state lamp: a filled circle or rectangle whose colour follows the state,
// with an optional text in the middle. Every frame is drawn into an image of the
// control's size first (Bitmap), then copied to the screen.
//
// Setters of looks redraw at once; setters of state, enabled flag and border
// width only schedule a repaint. Rectangles and ellipses are drawn over the
// control's box without its right and bottom edge, as the forms' canvas did.

#include "components/tcolor.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;

// Where a control sits in its parent; only alClient changes the LED's behaviour
// (a client-aligned LED never widens itself to its text).
enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };

enum _LedShape : uint8_t { lsCircle = 0, lsRectangle = 1 };

class TLed : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int ONColor READ ONColor WRITE vSetONColor)
    Q_PROPERTY(int OFFColor READ OFFColor WRITE vSetOFFColor)
    Q_PROPERTY(int DisabledColor READ DisabledColor WRITE vSetColorDisabled)
    Q_PROPERTY(int BGColor READ BGColor WRITE vSetBGColor)
    Q_PROPERTY(int BorderColor READ BorderColor WRITE vSetBorderColor)
    Q_PROPERTY(int LedTextFontColor READ LedTextFontColor WRITE vSetLedTextFontColor)
    Q_PROPERTY(int LedTextFontOnColor READ LedTextFontOnColor WRITE vSetLedTextFontOnColor)
    Q_PROPERTY(int LedTextFontOffColor READ LedTextFontOffColor WRITE vSetLedTextFontOffColor)
    Q_PROPERTY(int LedShape READ LedShape WRITE vSetLedShapeValue)
    Q_PROPERTY(int LedTextFontStyle READ LedTextFontStyle WRITE vSetLedTextFontStyle)
    Q_PROPERTY(QString Caption READ LedText WRITE vSetLedText)
    Q_PROPERTY(QString LedText READ LedText WRITE vSetLedText)
    Q_PROPERTY(int LedTextFontSize READ LedTextFontSize WRITE vSetLedTextFontSize)
    Q_PROPERTY(int BorderSize READ BorderSize WRITE vSetBorderSize)
    Q_PROPERTY(bool LedState READ bGetLedState WRITE vSetLedState)
    Q_PROPERTY(bool Enabled READ bGetEnabled WRITE vSetEnabled)
    Q_PROPERTY(bool LedTextEnabled READ bGetLedTextEnabled WRITE vSetLedTextEnabled)
    Q_PROPERTY(bool ChangeStateOnClick MEMBER ChangeStateOnClick)
    Q_PROPERTY(bool AutoSize READ bGetAutoSize WRITE vSetAutoSize)

public:
    explicit TLed(QWidget* owner = nullptr);
    TLed(QWidget* owner, const QString& caption, _LedShape shape);

    std::function<void(TLed* sender)> OnLedClick;
    std::function<void(TLed* p_Sender, bool b_led_state)> OnStateChange;
    bool ChangeStateOnClick = false;

    void vSetLedState(bool b_led_state);
    bool bGetLedState() const { return state_; }

    void vSetONColor(int color);
    void vSetOFFColor(int color);
    void vSetColorDisabled(int color);
    void vSetBGColor(int color);
    void vSetBorderColor(int color);
    // Sets the text colour for both states.
    void vSetLedTextFontColor(int color);
    void vSetLedTextFontOnColor(int color);
    void vSetLedTextFontOffColor(int color);
    void vSetLedTextFontStyle(int styles);
    void vSetLedTextFontSize(int points);
    void vSetLedShape(_LedShape shape);
    void vSetLedShapeValue(int shape) { vSetLedShape(static_cast<_LedShape>(shape)); }
    void vSetLedText(const QString& text);
    void vSetAutoSize(bool on);
    void vSetLedTextEnabled(bool on);
    // The LED's own enabled flag; the widget stays enabled for input.
    void vSetEnabled(bool on);
    // Kept within 1..5.
    void vSetBorderSize(int size);
    void vSetAlign(TAlign align) { align_ = align; }

    int ONColor() const { return onColor_; }
    int OFFColor() const { return offColor_; }
    int DisabledColor() const { return disabledColor_; }
    int BGColor() const { return bgColor_; }
    int BorderColor() const { return borderColor_; }
    int LedTextFontColor() const { return textColor_; }
    int LedTextFontOnColor() const { return textOnColor_; }
    int LedTextFontOffColor() const { return textOffColor_; }
    int LedShape() const { return shape_; }
    int LedTextFontStyle() const { return textStyle_; }
    QString LedText() const { return text_; }
    QString Caption() const { return text_; }
    int LedTextFontSize() const { return textSize_; }
    int BorderSize() const { return borderSize_; }
    bool bGetEnabled() const { return enabled_; }
    bool bGetLedTextEnabled() const { return textEnabled_; }
    bool bGetAutoSize() const { return autoSize_; }
    TAlign Align() const { return align_; }

    // Renders one frame into Bitmap().
    void vDraw();
    // Renders and shows the frame at once.
    void Paint();
    const QImage& Bitmap() const { return bitmap_; }
    // The font the text is drawn with.
    QFont TextFont() const;

protected:
    // A click on the LED: toggles the state when asked to and reports it; a
    // disabled LED ignores clicks.
    virtual void Click();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setDefaults();
    void widenToText(int textWidth);
    QColor qcolor(TColor color) const { return ToQColor(color, palette()); }

    QImage bitmap_;
    TColor onColor_ = clLime;
    TColor offColor_ = clGreen;
    TColor disabledColor_ = clGray;
    TColor bgColor_ = clBtnFace;
    TColor textColor_ = clWindowText;
    TColor borderColor_ = clBlack;
    TColor textOnColor_ = clWindowText;
    TColor textOffColor_ = clWindowText;
    _LedShape shape_ = lsCircle;
    TFontStyles textStyle_ = 0;
    QString text_;
    int textSize_ = 8;
    int borderSize_ = 1;
    bool state_ = false;
    bool previousState_ = false;
    bool enabled_ = true;
    bool textEnabled_ = false;
    bool autoSize_ = false;
    bool pressed_ = false;
    TAlign align_ = alNone;
};
