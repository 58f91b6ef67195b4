#include "kelvotools_plugin.h"

#include "components/tblockmodelview.h"
#include "components/tdrawpanel.h"
#include "components/tled.h"

namespace {
const char Group[] = "KelvoTools";

template <typename T> KelvoToolsWidget::Factory factory() {
    return [](QWidget* parent) -> QWidget* { return new T(parent); };
}
} // namespace

KelvoToolsWidget::KelvoToolsWidget(QString className, QString toolTip, Factory create, QObject* parent)
    : QObject(parent), className_(std::move(className)), toolTip_(std::move(toolTip)),
      create_(std::move(create)) {}

QString KelvoToolsWidget::group() const {
    return Group;
}

QString KelvoToolsWidget::includeFile() const {
    return "components/" + className_.toLower() + ".h";
}

QString KelvoToolsWidget::domXml() const {
    return QString("<ui language=\"c++\"><widget class=\"%1\" name=\"%2\"/></ui>")
        .arg(className_, className_.mid(1));
}

KelvoToolsPlugin::KelvoToolsPlugin(QObject* parent) : QObject(parent) {
    widgets_ = {
        new KelvoToolsWidget("TLed", "Two-state lamp with an optional text", factory<TLed>(), this),
        new KelvoToolsWidget("TDrawPanel", "Graph of icons and links on a scrolling back plane",
                             factory<TDrawPanel>(), this),
        new KelvoToolsWidget("TBlockModelView", "Models as rows of blocks", factory<TBlockModelView>(), this),
    };
}
