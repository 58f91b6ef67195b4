#pragma once
// Route generation: turns the drawn network into routes before a routing project
// is programmed. Every terminal address is checked first; then either each modem
// gets one source-route line, which the master's source-route list collects
// (source routing), or every link of every path to the master is numbered into
// the modems' virtual route tables (virtual routing).
//
// A problem makes the offending figure the active one, redraws the graph, shows
// one box and leaves the design's route problem set, so programming does not
// start. Walks up the route tree are bounded by the number of figures: a ring
// in a design is a route problem, never a hang.

#include <functional>
#include <string>
#include <vector>

class NetworkDesign;
class TKuvio;

// The source-route lines that programming sends to the master: every modem's
// route lines except the master's own and the repeaters', in figure order; a
// mobile modem's only while the mobile routes are shown.
std::vector<std::string> SourceRouteLines(const std::vector<TKuvio*>& figures, const TKuvio* master,
                                          bool mobileRoutes);

class RouteGenerator {
public:
    RouteGenerator(NetworkDesign& design, std::function<void()> redraw);

    // Checks the addresses and, when they are sound, generates the routes of the
    // project's routing type. False when a problem was found.
    bool Generate();
    // Every terminal address must be hexadecimal and unique (compared without
    // regard to letter case). Sets and returns the route problem.
    bool ValidateAddresses();
    // Source routing; runs only while the routes are out of date.
    void GenerateRoutes();
    // Virtual routing; runs only while the routes are out of date.
    void BuildRouteTables();
    // Shows the context figure's route, or shows or hides its route list, after
    // generating the routes; the context figure is cleared afterwards.
    void ShowRoute();

private:
    void Problem(TKuvio& figure, const std::string& text);
    bool NoMaster();
    // The modem numbers on the way from the figure up to the master, the figure's
    // own last, each followed by a blank; none when the way ends in a ring.
    bool SourceRouteText(const TKuvio& figure, std::string& text) const;
    bool SourceRouteOf(TKuvio& figure);
    bool AddMasterLinesTo(TKuvio& figure, int previous);
    bool VirtualRoutesOf(TKuvio& figure, int& current, int& previous);
    void HighlightChangedTables();

    NetworkDesign& design_;
    std::function<void()> redraw_;
};
