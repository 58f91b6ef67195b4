#include "platform/program_files.h"
#include "platform/tregistry.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

class RegistryTest : public testing::Test {
protected:
    RegistryTest() { SetProgramPathForTests(folder.file("quovix")); }
    ~RegistryTest() override { SetProgramPathForTests(""); }

    TempFolder folder;
    TRegistry registry;
};

TEST_F(RegistryTest, KeysNestAndADeletedKeyTakesItsSubkeysButNoNeighbour) {
    for (const char* key : {"Software\\Kelvo\\Devices\\A", "Software\\Kelvo\\Devices\\B", "Software\\Kelvo2"})
        ASSERT_TRUE(registry.CreateKey(key));
    EXPECT_FALSE(registry.CreateKey("\\"));
    EXPECT_TRUE(registry.KeyExists("\\software\\KELVO\\")) << "a key that holds only subkeys exists";
    EXPECT_FALSE(registry.KeyExists("Software\\Kelv"));

    ASSERT_TRUE(registry.OpenKeyReadOnly("Software"));
    EXPECT_EQ(registry.GetKeyNames(), (Names{"Kelvo", "Kelvo2"})) << "direct subkeys, each once, as made";
    ASSERT_TRUE(registry.OpenKeyReadOnly("Software\\Kelvo\\Devices"));
    EXPECT_EQ(registry.GetKeyNames(), (Names{"A", "B"}));

    EXPECT_TRUE(registry.DeleteKey("Software\\Kelvo"));
    EXPECT_FALSE(registry.KeyExists("Software\\Kelvo\\Devices\\A"));
    EXPECT_FALSE(registry.KeyExists("Software\\Kelvo"));
    EXPECT_TRUE(registry.KeyExists("Software\\Kelvo2"));
    EXPECT_FALSE(registry.DeleteKey("Software\\Kelvo"));
}

TEST_F(RegistryTest, IntegersAreDecimalTextAndOtherValuesDoNotReadAsIntegers) {
    ASSERT_TRUE(registry.OpenKey("Software\\Quovix", true));
    registry.WriteInteger("Count", -12);
    registry.WriteBool("On", true);
    registry.WriteString("Name", "x");
    registry.WriteString("Tail", "5x");
    EXPECT_EQ(registry.ReadInteger("count"), -12);
    EXPECT_EQ(registry.ReadString("On"), "1");
    for (const char* notInteger : {"Name", "Tail", "Missing"})
        EXPECT_THROW(registry.ReadInteger(notInteger), ERegistryException) << notInteger;

    EXPECT_TRUE(registry.DeleteValue("Count"));
    EXPECT_FALSE(registry.ValueExists("Count"));
    EXPECT_FALSE(registry.DeleteValue("Count"));
    ASSERT_TRUE(registry.OpenKeyReadOnly("Software\\Quovix"));
    EXPECT_FALSE(registry.DeleteValue("On")) << "a key opened for reading keeps its values";
    EXPECT_TRUE(registry.ValueExists("On"));
}

} // namespace
