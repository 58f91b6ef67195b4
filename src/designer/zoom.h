#pragma once
// Zoom of the designer's drawing: steps of five per cent of the factor between
// fixed limits. The factor grows by five per cent of itself at a step in and shrinks
// by five per cent of itself at a step out, so in and out do not return to the same
// factor; the figures scale by 105/100 and 100/105, so they do return to their
// places.

#include <string>

// The zoom factor in per cent after one step in or out.
float ZoomedIn(float zoom);
float ZoomedOut(float zoom);
// The scale in per cent at which the figures stand after a number of steps from
// 100 per cent (negative steps zoom out).
float DrawingScaleForSteps(int steps);
// A position on the drawing after one step in (times 105/100) or out (times
// 100/105), rounded to the nearest pixel, halves away from zero.
int ZoomedPosition(int position, bool in);
// Zooming in is allowed below 200 per cent, zooming out above 40 per cent.
bool CanZoomIn(float zoom);
bool CanZoomOut(float zoom);
// The zoom as the main window's tool bar shows it: rounded to an integer.
std::string ZoomText(float zoom);
// The point size of the figure labels at a zoom (10 points at 100 per cent).
int FigureFontSize(float zoom);

// A scroll bar as the scroll steps see it.
struct ScrollBarState {
    bool visible = false;
    int position = 0;
    int range = 0;
};
// The position after a step forward (right, down) or back (left, up): only on a
// visible bar, never below 0 and never beyond the range minus the step.
int ScrolledForward(const ScrollBarState& bar, int step);
int ScrolledBack(const ScrollBarState& bar, int step);
