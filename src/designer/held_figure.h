#pragma once
// The figure a window or a command was given and works on until it is done. The
// holder lets it go as soon as its design removes it, alone or with every other
// figure (Delete, New, Open, the designer closing), and is told: nothing then
// writes into a figure that is gone, nor into a new one that took its place.

#include <functional>

class NetworkDesign;
class TKuvio;

class HeldFigure {
public:
    explicit HeldFigure(std::function<void()> onLost = {});
    HeldFigure(NetworkDesign& design, TKuvio* figure);
    ~HeldFigure();
    HeldFigure(const HeldFigure&) = delete;
    HeldFigure& operator=(const HeldFigure&) = delete;

    // Holds the figure of the design; none lets the one held go.
    void Hold(NetworkDesign* design, TKuvio* figure);
    void Release() { Hold(nullptr, nullptr); }
    TKuvio* get() const { return figure_; }
    TKuvio* operator->() const { return figure_; }
    TKuvio& operator*() const { return *figure_; }

private:
    void Removed(const TKuvio* figure);

    NetworkDesign* design_ = nullptr;
    TKuvio* figure_ = nullptr;
    std::function<void()> onLost_;
};
