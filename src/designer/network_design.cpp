#include "designer/network_design.h"

#include "designer/modem_data_file.h"
#include "designer/modem_type_files.h"
#include "designer/zoom.h"

#include <algorithm>

TKuvio& NetworkDesign::Append(std::unique_ptr<TKuvio> figure) {
    TakeDrawingScale(*figure);
    figures_.push_back(std::move(figure));
    return *figures_.back();
}

void NetworkDesign::TakeDrawingScale(TKuvio& figure) const {
    figure.SetScale(drawingScale / 100.0f);
    figure.SetFontSize(FigureFontSize(zoom));
}

void NetworkDesign::ListenForRemovals(const void* owner, RemovalListener listener) {
    removalListeners_.emplace_back(owner, std::move(listener));
}

void NetworkDesign::StopListening(const void* owner) {
    std::erase_if(removalListeners_, [owner](const auto& listener) { return listener.first == owner; });
}

// A listener may stop listening while it is told (a holder lets its figure go):
// each is told from a copy of the list, and only while it still listens.
void NetworkDesign::TellRemoval(const TKuvio* figure) const {
    const auto listeners = removalListeners_;
    for (const auto& [owner, listener] : listeners)
        if (Listens(owner))
            listener(figure);
}

bool NetworkDesign::Listens(const void* owner) const {
    return std::any_of(removalListeners_.begin(), removalListeners_.end(),
                       [owner](const auto& listener) { return listener.first == owner; });
}

void NetworkDesign::DeleteAllFigures() {
    TellRemoval(nullptr);
    figures_.clear();
    master = nullptr;
    active = nullptr;
    context = nullptr;
}

void NetworkDesign::DeleteFigure(TKuvio* figure) {
    const auto found = std::find_if(figures_.begin(), figures_.end(),
                                    [figure](const auto& candidate) { return candidate.get() == figure; });
    if (found == figures_.end())
        return;
    TellRemoval(figure);
    for (const auto& other : figures_) {
        if (other->parent == figure)
            other->parent = nullptr;
        if (other->mobileParent == figure)
            other->mobileParent = nullptr;
    }
    for (TKuvio** reference : {&master, &active, &context})
        if (*reference == figure)
            *reference = nullptr;
    figures_.erase(found);
}

TKuvio& NetworkDesign::CopyFigure(const TKuvio& source, int x, int y) {
    TKuvio& copy = Append(std::make_unique<TKuvio>(0, 0));
    copy.MoveTo(x, y);
    copy.SetTypeName(source.TypeName());
    copy.modemNameFromType = source.modemNameFromType;
    copy.settingsFromType = source.settingsFromType;
    copy.versionFromType = source.versionFromType;
    copy.SetNmsSupport(source.NmsSupport());
    for (const PropertyEntry& entry : source.PropertyEntries())
        copy.SetPropertyEntry(entry.tag, entry.second, entry.value, entry.inUse != 0, true, entry.nmsSize,
                              entry.nmsId);
    if (source.Mobile())
        copy.SetMobileLook();
    else if (source.Multiport())
        copy.SetMultiLook();
    else
        copy.SetModemLook();
    ++figureCounter;
    copy.identifier = static_cast<uint16_t>(figureCounter);
    return copy;
}

void NetworkDesign::MakeMaster(TKuvio& figure) {
    if (master)
        master->SetModemLook();
    figure.SetMasterLook();
    figure.SetNoTerminalAddress(false);
    figure.parent = nullptr;
    master = &figure;
}

bool NetworkDesign::WouldCloseRing(const TKuvio& from, const TKuvio& to) const {
    // Walks every figure above `from` once, so that a ring already in the design
    // cannot hold the walk.
    std::vector<const TKuvio*> pending{&from};
    std::vector<const TKuvio*> seen;
    while (!pending.empty()) {
        const TKuvio* step = pending.back();
        pending.pop_back();
        if (step == &to)
            return true;
        if (std::find(seen.begin(), seen.end(), step) != seen.end())
            continue;
        seen.push_back(step);
        for (const TKuvio* above : {step->parent, step->mobileParent})
            if (above)
                pending.push_back(above);
    }
    return false;
}

void NetworkDesign::CloseOtherRoutingLists() {
    if (properties.IsVirtualRouting()) {
        if (master && master->SourceRouteWindowShown()) {
            master->ToggleSourceRouteWindow();
            master->CloseSourceRouteWindow();
        }
        return;
    }
    for (const auto& figure : figures_) {
        if (figure->VirtualRouteWindowShown()) {
            figure->ToggleVirtualRouteWindow();
            figure->TakeRouteSnapshot();
        }
    }
}

void NetworkDesign::ZoomIn() {
    zoom = ZoomedIn(zoom);
    ZoomFigures(true);
}

void NetworkDesign::ZoomOut() {
    zoom = ZoomedOut(zoom);
    ZoomFigures(false);
}

// Each figure moves from where it is shown by one step, as the drawing's controls
// scale; its place at 100 per cent stays.
void NetworkDesign::ZoomFigures(bool in) {
    zoomSteps_ += in ? 1 : -1;
    drawingScale = DrawingScaleForSteps(zoomSteps_);
    for (const auto& figure : figures_) {
        figure->ShowAt(ZoomedPosition(figure->Left(), in), ZoomedPosition(figure->Top(), in));
        TakeDrawingScale(*figure);
    }
}

void NetworkDesign::ResetZoom() {
    zoom = 100.0f;
    zoomSteps_ = 0;
    drawingScale = 100.0f;
    for (const auto& figure : figures_) {
        figure->ShowAt(figure->FullScaleLeft(), figure->FullScaleTop());
        TakeDrawingScale(*figure);
    }
}

uint32_t NetworkDesign::NumberOf(const TKuvio* figure) const {
    for (size_t i = 0; i < figures_.size(); ++i)
        if (figures_[i].get() == figure)
            return static_cast<uint32_t>(i + 1);
    return 0;
}

TKuvio& NetworkDesign::NewModemFigure(const std::string& typeName, NewModemKind kind, int x, int y,
                                      const std::string& itemKey, ModemTypeVersionReader& typeReader) {
    TKuvio& figure = Append(std::make_unique<TKuvio>(0, 0));
    figure.MoveTo(x, y);
    figure.SetTypeName(typeName);
    if (singleModem_)
        figure.SetModemName("");
    modified = true;
    routesDirty = true;
    context = &figure;
    active = &figure;
    figure.newFigure = true;
    typeReader.ReadSmfVersionInfo(figure);
    if (kind == NewModemKind::Mobile)
        figure.SetMobileLook();
    else if (kind == NewModemKind::Multiport)
        figure.SetMultiLook();
    if (itemKey != lastModemTypeItem)
        ReadModemTypeDefaults(figure);
    lastModemTypeItem = itemKey;
    ++figureCounter;
    figure.identifier = static_cast<uint16_t>(figureCounter);
    return figure;
}
