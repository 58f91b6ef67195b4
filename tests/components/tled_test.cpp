#include "components/tled.h"
#include "pixels.h"

#include <QFontMetrics>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(TLed, BodyColourFollowsStateAndEnabledFlagInsideTheBox) {
    TLed led;
    led.vDraw();
    const QImage& off = led.Bitmap();
    ASSERT_EQ(off.size(), QSize(50, 50));
    EXPECT_EQ(PixelAt(off, 25, 25), clGreen);
    EXPECT_EQ(PixelAt(off, 0, 0),
              RgbColor(led.palette().button().color().red(), led.palette().button().color().green(),
                       led.palette().button().color().blue()));
    // The box is the whole control: the outline runs on its first and last pixel.
    EXPECT_EQ(PixelAt(off, 0, 25), clBlack);
    EXPECT_EQ(PixelAt(off, 49, 25), clBlack);
    EXPECT_EQ(PixelAt(off, 48, 25), clGreen);

    led.vSetLedState(true);
    led.vDraw();
    EXPECT_EQ(PixelAt(led.Bitmap(), 25, 25), clLime);
    led.vSetEnabled(false);
    led.vDraw();
    EXPECT_EQ(PixelAt(led.Bitmap(), 25, 25), clGray);
}

TEST(TLed, RectangleFillsTheBoxAndBorderWidthIsClamped) {
    TLed led;
    led.vSetLedShape(lsRectangle);
    const QImage& image = led.Bitmap();
    EXPECT_EQ(PixelAt(image, 0, 0), clBlack);
    EXPECT_EQ(PixelAt(image, 49, 49), clBlack);
    EXPECT_EQ(PixelAt(image, 2, 25), clGreen);

    led.vSetBorderSize(9);
    EXPECT_EQ(led.BorderSize(), 5);
    led.vDraw();
    EXPECT_EQ(PixelAt(led.Bitmap(), 2, 25), clBlack);
    led.vSetBorderSize(0);
    EXPECT_EQ(led.BorderSize(), 1);
}

TEST(TLed, TextIsCentredOnTheBodyInTheStateColour) {
    TLed led(nullptr, "Hi", lsRectangle);
    led.resize(80, 40);
    led.vSetLedTextFontOnColor(clRed);
    led.vSetLedTextFontOffColor(clBlue);
    led.vSetBGColor(clWhite);

    const QFontMetrics metrics(led.TextFont());
    const int w = metrics.horizontalAdvance("Hi"), h = metrics.height();
    const QRect cell(80 / 2 - w / 2, 40 / 2 - h / 2, w, h);
    const QRect ink = BoxOfColor(led.Bitmap(), clBlue);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(cell.contains(ink)) << "ink outside the text cell";
    EXPECT_TRUE(BoxOfColor(led.Bitmap(), clRed).isEmpty());

    // Disabled: grey body, but the text still follows the state.
    led.vSetEnabled(false);
    led.vSetLedState(true);
    led.vDraw();
    EXPECT_FALSE(BoxOfColor(led.Bitmap(), clRed).isEmpty());
    EXPECT_EQ(PixelAt(led.Bitmap(), 3, 3), clGray);
}

TEST(TLed, TextOffDrawsNoTextAndAutoSizeOnlyWidens) {
    TLed led;
    led.vSetLedText("A rather long lamp caption");
    led.vSetLedTextFontColor(clRed);
    led.vSetAutoSize(true);
    EXPECT_EQ(led.width(), 50); // text not enabled: no widening, no text
    EXPECT_TRUE(BoxOfColor(led.Bitmap(), clRed).isEmpty());
    EXPECT_EQ(led.Caption(), led.LedText());

    led.vSetLedTextEnabled(true);
    const int wide = QFontMetrics(led.TextFont()).horizontalAdvance("A rather long lamp caption") + 6;
    EXPECT_EQ(led.width(), wide);
    EXPECT_EQ(led.Bitmap().width(), wide);
    led.vSetLedText("x");
    EXPECT_EQ(led.width(), wide);

    TLed client;
    client.vSetAlign(alClient);
    client.vSetLedTextEnabled(true);
    client.vSetAutoSize(true);
    client.vSetLedText("A rather long lamp caption");
    EXPECT_EQ(client.width(), 50);
}

TEST(TLed, ClicksToggleAndReportOnlyWhenEnabledAndChanged) {
    TLed led;
    led.ChangeStateOnClick = true;
    int clicks = 0;
    std::vector<bool> changes;
    led.OnLedClick = [&](TLed*) { ++clicks; };
    led.OnStateChange = [&](TLed*, bool state) { changes.push_back(state); };

    QTest::mouseClick(&led, Qt::LeftButton, {}, QPoint(25, 25));
    EXPECT_TRUE(led.bGetLedState());
    EXPECT_EQ(clicks, 1);
    led.vSetLedState(true);
    EXPECT_EQ(changes, std::vector<bool>{true});

    led.vSetEnabled(false);
    QTest::mouseClick(&led, Qt::LeftButton, {}, QPoint(25, 25));
    EXPECT_TRUE(led.bGetLedState());
    EXPECT_EQ(clicks, 1);
}

} // namespace
