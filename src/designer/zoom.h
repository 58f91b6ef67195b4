#pragma once
// Zoom of the designer's drawing: steps of five per cent between fixed limits. A
// step out divides by the factor that a step in multiplies with, so that in and out
// return to the same scale.

#include <string>

// The zoom factor in per cent after a number of steps from 100 per cent (negative
// steps zoom out).
float ZoomForSteps(int steps);
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
