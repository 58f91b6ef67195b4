#include "designer/zoom.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr double kStepPercent = 5.0;
// A step scales the figures by 105/100.
constexpr long long kStepLarger = 105;
constexpr long long kStepSmaller = 100;
constexpr double kFigureStep = static_cast<double>(kStepLarger) / kStepSmaller;
constexpr float kZoomInLimit = 200.0f;
constexpr float kZoomOutLimit = 40.0f;

} // namespace

// The step is worked out in double precision and only its result is stored as a
// float: worked out in float, some runs of steps end one float step off.
float ZoomedIn(float zoom) {
    return static_cast<float>(zoom + zoom * kStepPercent * 0.01);
}

float ZoomedOut(float zoom) {
    return static_cast<float>(zoom - zoom * kStepPercent * 0.01);
}

float DrawingScaleForSteps(int steps) {
    return static_cast<float>(100.0 * std::pow(kFigureStep, steps));
}

int ZoomedPosition(int position, bool in) {
    const long long numerator = in ? kStepLarger : kStepSmaller;
    const long long denominator = in ? kStepSmaller : kStepLarger;
    const long long twice = 2 * std::llabs(position) * numerator + denominator;
    const auto magnitude = static_cast<int>(twice / (2 * denominator));
    return position < 0 ? -magnitude : magnitude;
}

bool CanZoomIn(float zoom) {
    return zoom < kZoomInLimit;
}

bool CanZoomOut(float zoom) {
    return zoom > kZoomOutLimit;
}

std::string ZoomText(float zoom) {
    return std::to_string(std::lround(zoom));
}

int FigureFontSize(float zoom) {
    return static_cast<int>(std::lround(10.0 * zoom * 0.01));
}

int ScrolledForward(const ScrollBarState& bar, int step) {
    return bar.visible && bar.position < bar.range - step ? bar.position + step : bar.position;
}

int ScrolledBack(const ScrollBarState& bar, int step) {
    return bar.visible && bar.position >= step ? bar.position - step : bar.position;
}
