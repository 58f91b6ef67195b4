#include <QPluginLoader>
#include <QWidget>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <gtest/gtest.h>

#include <memory>

namespace {

// Qt Designer loads the plugin library and lists its controls by group.
TEST(KelvoToolsPlugin, LoadsAndListsTheVisualControlsInTheirGroup) {
    QPluginLoader loader(KELVOTOOLS_PLUGIN);
    ASSERT_TRUE(loader.load()) << loader.errorString().toStdString();
    auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(loader.instance());
    ASSERT_NE(collection, nullptr);

    QStringList names;
    QWidget parent;
    for (QDesignerCustomWidgetInterface* widget : collection->customWidgets()) {
        names << widget->name();
        EXPECT_EQ(widget->group(), "KelvoTools");
        EXPECT_TRUE(widget->domXml().contains(widget->name()));
        std::unique_ptr<QWidget> created(widget->createWidget(&parent));
        ASSERT_NE(created, nullptr);
        EXPECT_EQ(created->metaObject()->className(), widget->name());
    }
    EXPECT_EQ(names, (QStringList{"TLed", "TDrawPanel", "TBlockModelView"}));
}

} // namespace
