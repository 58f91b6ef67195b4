#include <QMetaProperty>
#include <QPluginLoader>
#include <QWidget>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <gtest/gtest.h>

#include <map>
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

// Qt Designer offers a control's properties from its meta-object: each
// published property must be there, writable and designable.
TEST(KelvoToolsPlugin, EachControlOffersItsPublishedProperties) {
    const std::map<QString, QStringList> published = {
        {"TLed",
         {"ONColor", "OFFColor", "DisabledColor", "BGColor", "BorderColor", "LedTextFontColor",
          "LedTextFontOnColor", "LedTextFontOffColor", "LedShape", "LedTextFontStyle", "Caption", "LedText",
          "LedTextFontSize", "BorderSize", "LedState", "Enabled", "LedTextEnabled", "ChangeStateOnClick",
          "AutoSize"}},
        {"TDrawPanel",
         {"Color_Background",
          "Color_Border",
          "Color_HiLite",
          "Color_Link",
          "Color_Path",
          "Color_IconLabel",
          "Color_IconLabelBg",
          "Color_LinkLabel",
          "Color_LinkLabelBg",
          "Color_MultiSelect",
          "BackPlane_Width",
          "BackPlane_Height",
          "LineWidth_Link",
          "LineWidth_HiLite",
          "LineWidth_Path",
          "LineWidth_Border",
          "LineWidth_FreeLine",
          "LineWidth_MultiSelect",
          "HiLiteDistance",
          "LabelFontSize",
          "PanelScrollSpeed",
          "ArrowSize",
          "AutoScrollWidth",
          "ShowAutoScrollArea",
          "IconLabelBgTransparent",
          "VirtualBackPlane",
          "AutoFixIconPosition",
          "UseBackgroundImage",
          "IconPopupMenu",
          "LinkPopupMenu"}},
        {"TBlockModelView",
         {"BlockColor", "ActiveBlockColor", "ReferenceBlockColor", "ReferenceLineColor", "ActiveModelColor",
          "ModelSpace", "ModelHeight", "ViewMinWidth", "ViewMinHeight", "AutoSize", "Color"}},
    };
    QPluginLoader loader(KELVOTOOLS_PLUGIN);
    ASSERT_TRUE(loader.load()) << loader.errorString().toStdString();
    auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(loader.instance());
    ASSERT_NE(collection, nullptr);
    QWidget parent;
    for (QDesignerCustomWidgetInterface* widget : collection->customWidgets()) {
        ASSERT_TRUE(published.count(widget->name())) << widget->name().toStdString();
        std::unique_ptr<QWidget> created(widget->createWidget(&parent));
        const QMetaObject* meta = created->metaObject();
        for (const QString& name : published.at(widget->name())) {
            const QMetaProperty property = meta->property(meta->indexOfProperty(name.toLatin1()));
            EXPECT_TRUE(property.isValid() && property.isWritable() && property.isDesignable())
                << widget->name().toStdString() << "::" << name.toStdString();
        }
    }
}

} // namespace
