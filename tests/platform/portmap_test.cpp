#include "platform/portmap.h"
#include "platform/program_files.h"
#include "platform/tregistry.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// Runs the program from a temporary folder whose "ports" folder holds links to
// plain files standing in for devices.
class PortMapTest : public testing::Test {
protected:
    void SetUp() override {
        SetProgramPathForTests(folder.file("quovix"));
        fs::create_directory(folder.path() / "ports");
    }
    void TearDown() override { SetProgramPathForTests(""); }

    std::string MakeDevice(const std::string& name) {
        const std::string path = folder.file(name);
        std::ofstream(path).put('\n');
        return fs::canonical(path).string();
    }
    void Link(const std::string& linkName, const std::string& target) {
        fs::create_symlink(target, folder.path() / "ports" / linkName);
    }
    bool Present(int number) {
        const auto numbers = PresentPortNumbers();
        return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
    }

    TempFolder folder;
};

} // namespace

TEST(PortMap, ComPortNamesInEitherSpellingAndCase) {
    EXPECT_EQ(ComPortNumber("COM3"), 3);
    EXPECT_EQ(ComPortNumber("\\\\.\\COM10"), 10);
    EXPECT_EQ(ComPortNumber("com7"), 7);
    EXPECT_EQ(ComPortNumber("COM0"), 0);
    EXPECT_EQ(ComPortNumber("COM"), 0);
    EXPECT_EQ(ComPortNumber("COM1x"), 0);
    EXPECT_EQ(ComPortNumber("LPT1"), 0);
}

TEST(PortMap, UnlinkedDevicesTakeTheLowestFreeNumbersInOrder) {
    PortNumbering numbering;
    const auto ports =
        AssignPortNumbers({{1, "/dev/ttyUSB1"}, {3, "/dev/pts/4"}}, {2},
                          {"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0"}, numbering);
    const std::map<int, std::string> expected{
        {1, "/dev/ttyUSB1"}, {3, "/dev/pts/4"}, {4, "/dev/ttyS0"}, {5, "/dev/ttyUSB0"}, {6, "/dev/ttyACM0"}};
    EXPECT_EQ(ports, expected);
}

TEST_F(PortMapTest, LinksInThePortsFolderNameTheDevices) {
    const std::string device = MakeDevice("device-a");
    Link("com12", device);
    Link("com13", folder.file("missing"));
    Link("COMX", device);
    EXPECT_EQ(PortsFolder(), (folder.path() / "ports").string());
    EXPECT_EQ(PortDevicePath(12), device);
    EXPECT_TRUE(Present(12));
    EXPECT_FALSE(Present(13)) << "a link to nothing is no port";
}

// Devices come and go and links are removed and made while the program runs: a
// number keeps naming the device it first named, and a number that was linked
// names only what its link names.
TEST_F(PortMapTest, ANumberNeverMovesToAnotherDevice) {
    const std::string a = MakeDevice("a"), b = MakeDevice("b"), c = MakeDevice("c");
    Link("com1", MakeDevice("modem"));
    SetSerialDevicesForTests({a, b});
    ASSERT_EQ(PortDevicePath(2), a);
    ASSERT_EQ(PortDevicePath(3), b);

    fs::remove(folder.path() / "ports" / "com1");
    fs::remove(b);
    SetSerialDevicesForTests({a});
    EXPECT_EQ(PortDevicePath(1), "") << "a removed link falls back to no other device";
    EXPECT_EQ(PortDevicePath(2), a);
    EXPECT_EQ(PortDevicePath(3), b) << "a device that went keeps its number";
    EXPECT_FALSE(Present(1) || Present(3));

    MakeDevice("b");
    SetSerialDevicesForTests({c, a, b});
    EXPECT_EQ(PortDevicePath(3), b);
    EXPECT_EQ(PortDevicePath(4), c) << "a new device takes a number never given before";
    const std::string back = MakeDevice("modem-back");
    Link("com1", back);
    EXPECT_EQ(PortDevicePath(1), back);
    SetSerialDevicesForTests({});
}

TEST_F(PortMapTest, RelativeLinksAreReadFromThePortsFolder) {
    const std::string device = MakeDevice("device-b");
    Link("com20", "../device-b");
    EXPECT_EQ(PortDevicePath(20), device);
}

TEST_F(PortMapTest, SerialCommKeyListsThePresentPortsReadOnly) {
    Link("com21", MakeDevice("device-c"));
    TRegistry registry;
    registry.RootKey = HKEY_LOCAL_MACHINE;
    ASSERT_TRUE(registry.OpenKeyReadOnly("HARDWARE\\DEVICEMAP\\SERIALCOMM"));
    std::vector<std::string> ports;
    for (const std::string& name : registry.GetValueNames()) {
        EXPECT_EQ(name.rfind("\\Device\\Serial", 0), 0u) << name;
        ports.push_back(registry.ReadString(name));
    }
    EXPECT_NE(std::find(ports.begin(), ports.end(), "COM21"), ports.end());

    ASSERT_TRUE(registry.OpenKey("hardware\\devicemap\\serialcomm", true));
    registry.WriteString("\\Device\\Serial99", "COM99");
    EXPECT_FALSE(registry.ValueExists("\\Device\\Serial99"));
    EXPECT_FALSE(fs::exists(folder.file("registry.ini")));
}

TEST_F(PortMapTest, OtherKeysLiveInTheProgramsRegistryFile) {
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKeyReadOnly("Software\\Quovix"));
    ASSERT_TRUE(registry.OpenKey("Software\\Quovix", true));
    registry.WriteString("Path", "C:\\x");
    registry.CloseKey();
    EXPECT_TRUE(fs::exists(folder.file("registry.ini")));

    TRegistry reader;
    ASSERT_TRUE(reader.OpenKeyReadOnly("software\\quovix\\"));
    EXPECT_EQ(reader.ReadString("path"), "C:\\x");
    EXPECT_EQ(reader.GetValueNames(), std::vector<std::string>{"Path"});
    reader.RootKey = HKEY_LOCAL_MACHINE;
    EXPECT_FALSE(reader.OpenKeyReadOnly("Software\\Quovix")) << "each root key has its own keys";
}
