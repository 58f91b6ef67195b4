#pragma once
// The network model of one designer window: its figures in list order, the master
// and the active figure, the project properties and the state flags that the file
// commands and the route code read.

#include "designer/project_properties.h"
#include "designer/tkuvio.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class ModemTypeVersionReader;

// What kind of modem a modem-type menu item creates (the item's tag).
enum class NewModemKind { Normal = 0, Mobile = 1, Multiport = 2 };

class NetworkDesign {
public:
    explicit NetworkDesign(bool singleModem) : singleModem_(singleModem) {}

    bool SingleModem() const { return singleModem_; }

    const std::vector<std::unique_ptr<TKuvio>>& Figures() const { return figures_; }
    // A single-modem design holds one figure.
    bool TakesAnotherFigure() const { return !singleModem_ || figures_.empty(); }
    // Appends a figure; it takes the drawing's scale and label font size.
    TKuvio& Append(std::unique_ptr<TKuvio> figure);
    // Told before figures are destroyed: of one figure, or of every figure (none
    // given), so that what holds a figure lets it go first. The owner of a listener
    // stops listening before it goes, as the design may outlive it.
    using RemovalListener = std::function<void(const TKuvio* figure)>;
    void ListenForRemovals(const void* owner, RemovalListener listener);
    void StopListening(const void* owner);
    // Destroys every figure; the master, active and context figures become none.
    void DeleteAllFigures();
    // Destroys one figure: every other figure loses its links to it, and the master,
    // active and context figures become none when they were it.
    void DeleteFigure(TKuvio* figure);
    // A new figure centred at (x, y) that takes the source's type, version values,
    // kind, NMS support and property values: no addresses, no links, never the
    // master, and the next identifier.
    TKuvio& CopyFigure(const TKuvio& source, int x, int y);
    // Makes the figure the master: the old master gets the normal look, the new one
    // loses its incoming route and its no-terminal-address flag.
    void MakeMaster(TKuvio& figure);
    // True when a link from `from` down to `to` would close a ring: `to` is `from`
    // itself or lies above it on its parent or mobile-parent links.
    bool WouldCloseRing(const TKuvio& from, const TKuvio& to) const;

    // After a change of the routing type: hides the route lists of the routing not
    // in force (the master's source routes, or every figure's virtual routes, whose
    // text is kept for the next comparison).
    void CloseOtherRoutingLists();

    // The zoom factor in per cent, which the tool bar shows and the label fonts
    // follow, and the scale in per cent at which the figures' sizes stand. A step
    // moves every figure on the screen and sets its scale and font size; the reset
    // returns to 100 per cent and shows every figure at its place at 100 per cent.
    float zoom = 100.0f;
    float drawingScale = 100.0f;
    void ZoomIn();
    void ZoomOut();
    void ResetZoom();
    // The number of a figure in the list, from 1; 0 when it is not in the list.
    uint32_t NumberOf(const TKuvio* figure) const;

    // Adds a modem of the given type centred at (x, y), reads its modem-type version
    // section and, when the item differs from the one used for the previous new
    // modem, the type's default values from "<type>.ssf" beside the executable.
    // itemKey tells the menu items apart. The figure becomes context and active.
    TKuvio& NewModemFigure(const std::string& typeName, NewModemKind kind, int x, int y,
                           const std::string& itemKey, ModemTypeVersionReader& typeReader);

    TKuvio* master = nullptr;
    TKuvio* active = nullptr;
    TKuvio* context = nullptr;
    int figureCounter = 0;
    bool modified = false;
    bool routesDirty = false;
    bool routesGenerated = false;
    // The last address check or route generation found a modem without a usable
    // route; programming does not start while it is set.
    bool routeProblem = false;
    ProjectProperties properties;
    std::string lastModemTypeItem;

private:
    void TakeDrawingScale(TKuvio& figure) const;
    void ZoomFigures(bool in);
    void TellRemoval(const TKuvio* figure) const;
    bool Listens(const void* owner) const;

    bool singleModem_;
    int zoomSteps_ = 0;
    std::vector<std::unique_ptr<TKuvio>> figures_;
    std::vector<std::pair<const void*, RemovalListener>> removalListeners_;
};
