#include "designer/held_figure.h"

#include "designer/network_design.h"

HeldFigure::HeldFigure(std::function<void()> onLost) : onLost_(std::move(onLost)) {}

HeldFigure::HeldFigure(NetworkDesign& design, TKuvio* figure) {
    Hold(&design, figure);
}

HeldFigure::~HeldFigure() {
    Release();
}

void HeldFigure::Hold(NetworkDesign* design, TKuvio* figure) {
    if (design_)
        design_->StopListening(this);
    figure_ = figure;
    design_ = figure ? design : nullptr;
    if (design_)
        design_->ListenForRemovals(this, [this](const TKuvio* removed) { Removed(removed); });
}

// None removed means every figure.
void HeldFigure::Removed(const TKuvio* figure) {
    if (figure && figure != figure_)
        return;
    Release();
    if (onLost_)
        onLost_();
}
