#include "components/tregedit.h"

#include "platform/program_files.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

const char kKey[] = "Software\\Kelvo\\Devices";

class TRegEditTest : public ::testing::Test {
protected:
    void SetUp() override { SetProgramPathForTests(folder.file("quovix")); }
    void TearDown() override { SetProgramPathForTests(""); }

    TempFolder folder;
    TRegEdit regedit;
};

TEST_F(TRegEditTest, ValuesAreWrittenIntoExistingKeysAndPersist) {
    EXPECT_FALSE(regedit.KeyExists(kKey, 0));
    EXPECT_EQ(regedit.GetValueInt(kKey, "Count", 0), 0) << "a missing key reads 0";
    regedit.SetValueInt(kKey, "Count", 5, 0);
    EXPECT_FALSE(regedit.KeyExists(kKey, 0)) << "a writer makes no key";

    ASSERT_TRUE(regedit.CreateKey("Software\\Kelvo", "Devices", 0));
    EXPECT_TRUE(regedit.CreateKey("Software\\Kelvo", "Devices", 0)) << "an existing key is fine";
    EXPECT_TRUE(regedit.KeyExists("software\\kelvo", HKEY_CURRENT_USER));
    EXPECT_FALSE(regedit.KeyExists(kKey, HKEY_LOCAL_MACHINE)) << "each root has its own keys";
    regedit.SetValueInt(kKey, "Count", -7, 0);
    regedit.SetValueStr(kKey, "Name", "Modem 1", HKEY_CURRENT_USER);
    regedit.SetValueBool(kKey, "Active", true, 0);

    TRegEdit later; // a new component reads what the file kept
    EXPECT_EQ(later.GetValueInt(kKey, "Count", 0), -7);
    EXPECT_EQ(later.GetValueInt(kKey, "Active", 0), 1);
    EXPECT_TRUE(later.ValueExists(kKey, "Name", 0));
    EXPECT_FALSE(later.ValueExists(kKey, "Other", 0));
    EXPECT_THROW(later.GetValueInt(kKey, "Name", 0), ERegistryException) << "a text is no integer";

    EXPECT_TRUE(later.DeleteValue(kKey, "Name", 0));
    EXPECT_FALSE(later.ValueExists(kKey, "Name", 0));
    EXPECT_TRUE(later.DeleteValue(kKey, "Name", 0)) << "true for an existing key without the value";
    EXPECT_FALSE(later.DeleteValue("Software\\Nothing", "Name", 0));

    EXPECT_TRUE(later.DeleteKey("Software", "Kelvo", 0));
    EXPECT_FALSE(later.KeyExists(kKey, 0)) << "subkeys go with their key";
    EXPECT_FALSE(later.DeleteKey("Software", "Kelvo", 0));
}

TEST_F(TRegEditTest, KeyNameFindsTheFirstSubkeyHoldingTheValue) {
    EXPECT_EQ(regedit.GetKeyName(kKey, "Port", "3", true, 0), "");
    for (const char* device : {"Alpha", "Beta", "Gamma"})
        regedit.CreateKey(kKey, device, 0);
    EXPECT_EQ(regedit.GetKeyName(kKey, "Port", "3", true, 0), "") << "no subkey holds the value";
    regedit.SetValueStr(std::string(kKey) + "\\Beta", "Port", "03", 0);
    regedit.SetValueStr(std::string(kKey) + "\\Gamma", "Port", "3", 0);
    regedit.SetValueStr(std::string(kKey) + "\\Gamma", "Name", "Modem", 0);
    EXPECT_EQ(regedit.GetKeyName(kKey, "Port", "3", true, 0), "Beta") << "03 and 3 are one integer";
    EXPECT_EQ(regedit.GetKeyName(kKey, "Port", "3", false, 0), "Gamma") << "texts compare exactly";
    EXPECT_EQ(regedit.GetKeyName(kKey, "Name", "modem", false, 0), "");
    EXPECT_THROW(regedit.GetKeyName(kKey, "Port", "three", true, 0), std::invalid_argument);
}

} // namespace
