#pragma once
// The network model of one designer window: its figures in list order, the master
// and the active figure, the project properties and the state flags that the file
// commands and the route code read.

#include "designer/project_properties.h"
#include "designer/tkuvio.h"

#include <memory>
#include <string>
#include <vector>

class ModemTypeVersionReader;

// What kind of modem a modem-type menu item creates (the item's tag).
enum class NewModemKind { Normal = 0, Mobile = 1, Multiport = 2 };

class NetworkDesign {
public:
    explicit NetworkDesign(bool singleModem) : singleModem_(singleModem) {}

    bool SingleModem() const { return singleModem_; }

    const std::vector<std::unique_ptr<TKuvio>>& Figures() const { return figures_; }
    TKuvio& Append(std::unique_ptr<TKuvio> figure);
    // Destroys every figure; the master, active and context figures become none.
    void DeleteAllFigures();
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
    float zoom = 100.0f;
    ProjectProperties properties;
    std::string lastModemTypeItem;

private:
    bool singleModem_;
    std::vector<std::unique_ptr<TKuvio>> figures_;
};
