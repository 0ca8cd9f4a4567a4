#include "serial/PortProbe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace vk;
namespace fs = std::filesystem;

namespace {

// A stand-in for /sys/class/tty: a folder per device, a "type" file for serial-core UARTs.
struct FakeSysfs {
    fs::path root = fs::temp_directory_path() / ("velkoran-sysfs-" + std::to_string(getpid()));
    FakeSysfs() { fs::create_directories(root); }
    ~FakeSysfs() { fs::remove_all(root); }
    void device(const std::string& name, const char* type = nullptr) {
        fs::create_directories(root / name);
        if (type)
            std::ofstream(root / name / "type") << type << "\n";
    }
};

TEST(PortProbe, DefaultMappingOfTheLinuxDevices) {
    const ComPortMap map = DefaultComPortMap();
    EXPECT_EQ(map.Find(1)->path, "/dev/ttyS0");
    EXPECT_TRUE(map.Find(1)->needsUart);
    EXPECT_EQ(map.Find(4)->path, "/dev/ttyS3");
    EXPECT_EQ(map.Find(5)->path, "/dev/ttyUSB0");
    EXPECT_FALSE(map.Find(5)->needsUart);
    EXPECT_EQ(map.Find(12)->path, "/dev/ttyUSB7");
    EXPECT_EQ(map.Find(13)->path, "/dev/ttyACM0");
    EXPECT_EQ(map.Find(16)->path, "/dev/ttyACM3");
    EXPECT_EQ(map.Find(0), nullptr);
    EXPECT_EQ(map.Find(17), nullptr);
}

// The real device names are probed here: the test guard would abort on any opening.
TEST(PortProbe, ListedDevicesWithoutOpeningThem) {
    FakeSysfs sys;
    sys.device("ttyS0", "4"); // a 16550A
    sys.device("ttyS1", "0"); // a node without a UART behind it
    sys.device("ttyS2");      // no type reported
    sys.device("ttyUSB0");
    std::ofstream(sys.root / "ttyUSB1") << "not a device folder";
    sys.device("ttyACM3");
    PresentPorts = 0xDEAD;
    EXPECT_EQ(ProbeComPorts(DefaultComPortMap(), sys.root.string()), 0x00108011u);
    EXPECT_EQ(PresentPorts, 0x00108011u);
}

TEST(PortProbe, FirstAndThirdOrNone) {
    FakeSysfs sys;
    sys.device("ttyS0", "4");
    sys.device("ttyS2", "1");
    EXPECT_EQ(ProbeComPorts(DefaultComPortMap(), sys.root.string()), 0x00030005u);
    EXPECT_EQ(ProbeComPorts(DefaultComPortMap(), (sys.root / "missing").string()), 0u);
    EXPECT_EQ(PresentPorts, 0u);
}

TEST(PortProbe, MappedNamesAndNamesWithoutDevice) {
    FakeSysfs sys;
    sys.device("ttyXR2");
    ComPortMap map;
    map.entries[6] = {"/somewhere/ttyXR2", false}; // COM7 on another driver's node
    map.entries[7] = {"/somewhere/..", false};
    EXPECT_EQ(ProbeComPorts(map, sys.root.string()), 0x00070040u);
}

} // namespace
