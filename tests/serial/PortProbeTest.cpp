#include "serial/PortProbe.h"
#include "serial/Comms.h"

#include "PtyHelpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

using namespace vk;

namespace {

// A map in which no name reaches a real device.
ComPortMap NowhereMap() {
    ComPortMap map;
    for (int i = 0; i < ComPortMap::Count; ++i)
        map.entries[i] = {"/nonexistent/velkoran-probe-" + std::to_string(i + 1), false};
    return map;
}

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

TEST(PortProbe, FirstAndThirdPresent) {
    test::Pty com1, com3;
    char file[] = "/tmp/velkoran-probe-XXXXXX";
    const int fd = mkstemp(file);
    ASSERT_GE(fd, 0);
    ::close(fd);

    ComPortMap map = NowhereMap();
    map.entries[0].path = com1.Slave();
    map.entries[1].path = file; // opens, but is no character device
    map.entries[2].path = com3.Slave();
    map.entries[3] = {}; // a name without a device

    PresentPorts = 0xDEAD;
    const int before = test::OpenDescriptors();
    EXPECT_EQ(ProbeComPorts(map), 0x00030005u);
    EXPECT_EQ(PresentPorts, 0x00030005u);
    EXPECT_EQ(test::OpenDescriptors(), before); // every probed handle was closed
    unlink(file);
}

TEST(PortProbe, NoneGivesZero) {
    PresentPorts = 0xDEAD;
    EXPECT_EQ(ProbeComPorts(NowhereMap()), 0u);
    EXPECT_EQ(PresentPorts, 0u);
}

TEST(PortProbe, HighestNumberAndNodesWithoutUart) {
    test::Pty a, b;
    ComPortMap map = NowhereMap();
    map.entries[1] = {a.Slave(), true}; // like a /dev/ttyS node with no UART behind it
    map.entries[15] = {b.Slave(), false};
    EXPECT_EQ(ProbeComPorts(map), 0x00108000u);
}

TEST(PortProbe, PortHeldByAnotherOpenIsAbsent) {
    test::Pty a;
    ComPortMap map = NowhereMap();
    map.entries[6].path = a.Slave();
    TComPort holder;
    holder.DevicePath = a.Slave();
    holder.Open();
    EXPECT_EQ(ProbeComPorts(map), 0u);
    holder.Close();
    EXPECT_EQ(ProbeComPorts(map), 0x00070040u);
}

} // namespace
