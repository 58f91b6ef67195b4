#include "designer/route_generation.h"

#include "base/text_lines.h"
#include "designer/network_design.h"
#include "platform/ascii.h"
#include "platform/message_box.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <unordered_set>
#include <vector>

namespace {

constexpr const char* kRepeaterRoute = "toistin";
constexpr const char* kMasterMark = "tyhja";
constexpr const char* kUnsetMark = "xxxxx";
constexpr const char* kNoAddressAt = "@@";

// A terminal address as the address check reads it: "0x" and the text as it
// stands must make a 64-bit hexadecimal number.
bool IsHexAddress(const std::string& text) {
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 16);
    return !text.empty() && error == std::errc() && stop == end;
}

// The addresses of a figure: every entry of a multiport modem's list, else its
// one terminal address.
std::vector<std::string> AddressesOf(const TKuvio& figure) {
    if (!figure.Multiport())
        return {figure.GetTerminalAddress()};
    std::vector<std::string> addresses;
    for (int i = 0; figure.GetTerminalAddressAt(i) != kNoAddressAt; ++i)
        addresses.push_back(figure.GetTerminalAddressAt(i));
    return addresses;
}

std::string FirstAddressOf(const TKuvio& figure) {
    return figure.Multiport() ? figure.GetTerminalAddressAt(0) : figure.GetTerminalAddress();
}

// The link a source route goes up by: a mobile modem's mobile parent (the dotted
// link, the only one it can get), any other modem's parent.
const TKuvio* SourceRouteParent(const TKuvio& figure) {
    return figure.Mobile() ? figure.mobileParent : figure.parent;
}

bool HasTerminalAddress(const TKuvio& figure) {
    return !figure.NoTerminalAddress();
}

// An address of a route line: a hexadecimal text whose value is positive as a signed
// 32-bit integer. None for 0, for 80000000 to FFFFFFFF (negative there) and for a
// text that is no hexadecimal number or does not fit 32 bits.
std::optional<unsigned> RouteAddress(const std::string& text) {
    const auto value = ParseHexAddress(text);
    return value && *value > 0 && *value <= static_cast<unsigned>(std::numeric_limits<int32_t>::max())
               ? value
               : std::nullopt;
}

} // namespace

std::vector<std::string> SourceRouteLines(const std::vector<TKuvio*>& figures, const TKuvio* master,
                                          bool mobileRoutes) {
    std::vector<std::string> lines;
    for (const TKuvio* figure : figures) {
        if (figure == master || (figure->Mobile() && !mobileRoutes))
            continue;
        const std::string& text = figure->RouteText();
        if (text == kMasterMark || text == kRepeaterRoute)
            continue;
        for (const std::string& line : SplitLines(text))
            if (!Trimmed(line).empty())
                lines.push_back(line);
    }
    return lines;
}

RouteGenerator::RouteGenerator(NetworkDesign& design, std::function<void()> redraw)
    : design_(design), redraw_(std::move(redraw)) {}

void RouteGenerator::Problem(TKuvio& figure, const std::string& text) {
    design_.active = &figure;
    design_.routeProblem = true;
    if (redraw_)
        redraw_();
    ShowMessage(text);
}

bool RouteGenerator::NoMaster() {
    if (design_.master)
        return false;
    design_.routeProblem = true;
    ShowMessage("Error: Network must have a master modem");
    return true;
}

bool RouteGenerator::Generate() {
    if (ValidateAddresses())
        return false;
    if (design_.properties.IsVirtualRouting())
        BuildRouteTables();
    else
        GenerateRoutes();
    design_.routesGenerated = true;
    return !design_.routeProblem;
}

bool RouteGenerator::ValidateAddresses() {
    // Addresses in lower case, as they are compared without regard to it.
    std::unordered_set<std::string> seen;
    design_.routeProblem = false;
    for (const auto& figure : design_.Figures()) {
        if (!HasTerminalAddress(*figure))
            continue;
        for (const std::string& address : AddressesOf(*figure)) {
            if (!IsHexAddress(address)) {
                Problem(*figure, "Invalid hex address found. Modem set as active modem");
                return true;
            }
            if (!seen.insert(LowerText(address)).second) {
                Problem(*figure, "Duplicate address found and set as active modem");
                return true;
            }
        }
    }
    return false;
}

void RouteGenerator::GenerateRoutes() {
    if (!design_.routesDirty)
        return;
    if (NoMaster())
        return;
    design_.routeProblem = false;
    design_.master->CloseSourceRouteWindow();
    for (const auto& figure : design_.Figures()) {
        figure->ClearRouteText();
        if (figure.get() != design_.master && !SourceRouteParent(*figure)) {
            design_.active = figure.get();
            design_.routeProblem = true;
        }
    }
    if (design_.routeProblem) {
        if (redraw_)
            redraw_();
        ShowMessage("One moden does not have route to it!!!");
        return;
    }
    for (const auto& figure : design_.Figures())
        if (!SourceRouteOf(*figure))
            return;
    design_.routesDirty = false;
}

bool RouteGenerator::SourceRouteText(const TKuvio& figure, std::string& text) const {
    text = figure.GetModemAddress();
    if (&figure == design_.master)
        return true;
    size_t steps = 0;
    for (const TKuvio* up = SourceRouteParent(figure); up && up != design_.master;
         up = SourceRouteParent(*up)) {
        if (++steps > design_.Figures().size())
            return false;
        text = up->GetModemAddress() + text;
    }
    return true;
}

bool RouteGenerator::SourceRouteOf(TKuvio& figure) {
    if (!HasTerminalAddress(figure)) {
        figure.AddRouteText(kRepeaterRoute);
        return true;
    }
    const std::string address = FirstAddressOf(figure);
    if (address.empty() || address == kNoAddressAt) {
        Problem(figure, "No defined address in modem shown as active modem");
        return false;
    }
    std::string text;
    if (!SourceRouteText(figure, text)) {
        Problem(figure, "One moden does not have route to it!!!");
        return false;
    }
    if (&figure == design_.master) {
        figure.AddRouteText(kMasterMark + text);
    } else if (figure.Multiport()) {
        figure.AddRouteText(text);
        figure.RouteTextFromAddresses();
    } else {
        figure.AddRouteText(address + " " + text);
    }
    const std::string& route = figure.RouteText();
    if (route.find(kMasterMark) == std::string::npos && route.find(kUnsetMark) == std::string::npos &&
        route != kRepeaterRoute) {
        for (const std::string& line : SplitLines(route))
            design_.master->AddSourceRoute(line);
    }
    return true;
}

void RouteGenerator::BuildRouteTables() {
    if (!design_.routesDirty)
        return;
    if (NoMaster())
        return;
    design_.routeProblem = false;
    for (const auto& figure : design_.Figures()) {
        figure->TakeRouteSnapshot();
        figure->ClearRouteText();
    }
    int current = 1;
    int previous = 1;
    const auto& figures = design_.Figures();
    for (size_t i = 0; i < figures.size(); ++i) {
        TKuvio& figure = *figures[i];
        if (&figure == design_.master || (i == 0 && figure.Mobile()))
            continue;
        if (!figure.parent && !figure.mobileParent)
            continue;
        if (!AddMasterLinesTo(figure, previous) || !VirtualRoutesOf(figure, current, previous))
            break;
    }
    // Tables that a problem left empty or half built differ too, and are marked.
    if (design_.routesGenerated)
        HighlightChangedTables();
    if (!design_.routeProblem)
        design_.routesDirty = false;
}

// The figure's table gets the way back to the master: the master's address and
// the counter of the figure's own link.
bool RouteGenerator::AddMasterLinesTo(TKuvio& figure, int previous) {
    TKuvio& master = *design_.master;
    if (!HasTerminalAddress(master))
        return true;
    if (!master.Multiport() && !HasTerminalAddress(figure))
        return true;
    const std::vector<std::string> addresses = AddressesOf(master);
    if (addresses.empty() || (!master.Multiport() && addresses.front().empty())) {
        Problem(master.Multiport() ? figure : master, "Invalid address in modem shown as active modem");
        return false;
    }
    for (const std::string& address : addresses) {
        const auto value = RouteAddress(address);
        if (!value) {
            Problem(master.Multiport() ? figure : master, "Invalid address in modem shown as active modem");
            return false;
        }
        figure.AddVirtualRoute(*value, static_cast<uint32_t>(previous));
    }
    return true;
}

// Numbers the links on the way from the figure up to the master: each repeater
// on the way maps its outgoing link to its incoming one, and the master maps the
// figure's addresses to the link it reaches them by.
bool RouteGenerator::VirtualRoutesOf(TKuvio& figure, int& current, int& previous) {
    size_t steps = 0;
    for (TKuvio* up = figure.parent; up; up = up->parent) {
        if (++steps > design_.Figures().size()) {
            Problem(figure, "One moden does not have route to it!!!");
            return false;
        }
        ++current;
        if (up != design_.master) {
            up->AddVirtualRouteShort(static_cast<uint32_t>(current), static_cast<uint32_t>(previous));
            previous = current;
            continue;
        }
        if (HasTerminalAddress(figure)) {
            for (const std::string& address : AddressesOf(figure)) {
                const auto value = RouteAddress(address);
                if (!value) {
                    Problem(figure, "Invalid address in modem shown as active modem");
                    return false;
                }
                up->AddVirtualRoute(*value, static_cast<uint32_t>(previous));
            }
        }
        break;
    }
    previous = current;
    figure.AddRouteText(figure.GetTerminalAddress() + " ");
    return true;
}

void RouteGenerator::HighlightChangedTables() {
    bool marked = false;
    for (const auto& figure : design_.Figures()) {
        if (figure->RoutesChanged() && !figure->NameHighlight()) {
            figure->SetNameHighlight(true);
            marked = true;
        }
    }
    if (marked && redraw_)
        redraw_();
}

void RouteGenerator::ShowRoute() {
    TKuvio* figure = design_.context;
    if (!figure)
        return;
    if (Generate()) {
        if (design_.properties.IsVirtualRouting()) {
            figure->ToggleVirtualRouteWindow();
        } else if (figure == design_.master) {
            figure->ToggleSourceRouteWindow();
        } else if (figure->RouteText() == kRepeaterRoute || !HasTerminalAddress(*figure)) {
            ShowMessage("Repeater.\r\nNo route");
        } else {
            ShowMessage("Route\r\n" + SourceRouteDisplayText(figure->RouteText()));
        }
    }
    design_.context = nullptr;
}
