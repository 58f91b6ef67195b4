#include "components/component_registry.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <set>

namespace {

// Every class of the package is listed on its page and is created by name, with
// the owner as its parent, as an object of the class the name says.
TEST(ComponentRegistryTest, EveryPackageClassIsCreatedByItsName) {
    registerKelvoTools();
    registerKelvoTools();
    const std::vector<std::string> names = ComponentClassNames("KelvoTools");
    ASSERT_FALSE(names.empty());
    const std::set<std::string> unique(names.begin(), names.end());
    EXPECT_EQ(unique.size(), names.size()) << "registering again adds no second entry";
    for (const char* name : {"TCommPort", "TCommPortSetupDialog", "TCRC16CCITT", "TLed"})
        EXPECT_TRUE(unique.contains(name)) << name;

    QWidget owner;
    for (const std::string& name : names) {
        QObject* component = CreateComponent(name, &owner);
        ASSERT_NE(component, nullptr) << name;
        EXPECT_EQ(component->metaObject()->className(), name);
        EXPECT_EQ(component->parent(), &owner) << name;
    }
    EXPECT_EQ(CreateComponent("TNoSuchComponent", &owner), nullptr);
}

} // namespace
