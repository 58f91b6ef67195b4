#include "components/component_registry.h"

#include "components/tblockmodelview.h"
#include "components/tcommport.h"
#include "components/tcommportsetupdialog.h"
#include "components/tcrc16ccitt.h"
#include "components/tdrawpanel.h"
#include "components/tgenericprotocol.h"
#include "components/tled.h"
#include "components/torbelprotocol.h"
#include "components/tregedit.h"
#include "components/tselectdirdialog.h"

#include <QWidget>

#include <algorithm>
#include <mutex>

namespace {

const char kKelvoToolsPage[] = "KelvoTools";

struct ComponentClass {
    std::string page;
    std::string className;
    ComponentFactory create;
};

std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<ComponentClass>& Registry() {
    static std::vector<ComponentClass> classes;
    return classes;
}

} // namespace

void RegisterComponent(const std::string& page, const std::string& className, ComponentFactory create) {
    std::lock_guard lock(RegistryMutex());
    auto& classes = Registry();
    auto found = std::find_if(classes.begin(), classes.end(),
                              [&](const ComponentClass& entry) { return entry.className == className; });
    if (found != classes.end())
        *found = {page, className, std::move(create)};
    else
        classes.push_back({page, className, std::move(create)});
}

void registerKelvoTools() {
    RegisterComponent(kKelvoToolsPage, "TCommPort", ComponentFactoryOf<TCommPort>());
    RegisterComponent(kKelvoToolsPage, "TCommPortSetupDialog", ComponentFactoryOf<TCommPortSetupDialog>());
    RegisterComponent(kKelvoToolsPage, "TCRC16CCITT", ComponentFactoryOf<TCRC16CCITT>());
    RegisterComponent(kKelvoToolsPage, "TRegEdit", ComponentFactoryOf<TRegEdit>());
    RegisterComponent(kKelvoToolsPage, "TSelectDirDialog", ComponentFactoryOf<TSelectDirDialog>());
    RegisterComponent(kKelvoToolsPage, "TLed", WidgetFactoryOf<TLed>());
    RegisterComponent(kKelvoToolsPage, "TGenericProtocol", ComponentFactoryOf<TGenericProtocol>());
    RegisterComponent(kKelvoToolsPage, "TOrbelProtocol", ComponentFactoryOf<TOrbelProtocol>());
    RegisterComponent(kKelvoToolsPage, "TDrawPanel", WidgetFactoryOf<TDrawPanel>());
    RegisterComponent(kKelvoToolsPage, "TBlockModelView", WidgetFactoryOf<TBlockModelView>());
}

std::vector<std::string> ComponentClassNames(const std::string& page) {
    std::lock_guard lock(RegistryMutex());
    std::vector<std::string> names;
    for (const ComponentClass& entry : Registry())
        if (entry.page == page)
            names.push_back(entry.className);
    return names;
}

QObject* CreateComponent(const std::string& className, QObject* owner) {
    ComponentFactory create;
    {
        std::lock_guard lock(RegistryMutex());
        for (const ComponentClass& entry : Registry())
            if (entry.className == className)
                create = entry.create;
    }
    return create ? create(owner) : nullptr;
}
