#include "designer/network_design.h"

#include "designer/modem_data_file.h"
#include "designer/modem_type_files.h"

TKuvio& NetworkDesign::Append(std::unique_ptr<TKuvio> figure) {
    figures_.push_back(std::move(figure));
    return *figures_.back();
}

void NetworkDesign::DeleteAllFigures() {
    figures_.clear();
    master = nullptr;
    active = nullptr;
    context = nullptr;
}

uint32_t NetworkDesign::NumberOf(const TKuvio* figure) const {
    for (size_t i = 0; i < figures_.size(); ++i)
        if (figures_[i].get() == figure)
            return static_cast<uint32_t>(i + 1);
    return 0;
}

TKuvio& NetworkDesign::NewModemFigure(const std::string& typeName, NewModemKind kind, int x, int y,
                                      const std::string& itemKey, ModemTypeVersionReader& typeReader) {
    auto created = std::make_unique<TKuvio>(x - 15, y - 25);
    created->SetTypeName(typeName);
    if (singleModem_)
        created->SetModemName("");
    TKuvio& figure = Append(std::move(created));
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
