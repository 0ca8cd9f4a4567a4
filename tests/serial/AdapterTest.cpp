#include "serial/Adapter.h"
#include "support/FakeSystem.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace vk;
using vk::test::FakeSystem;

namespace {

constexpr const char* kFtdiById = "usb-FTDI_FT232R_USB_UART_A6008isP-if00-port0";

void Ftdi(FakeSystem& sys, const std::string& node, const std::string& bus) {
    sys.usb(node, bus, "0403", "6001", "A6008isP", "FT232R USB UART");
    sys.byId(kFtdiById, node);
}

TEST(Adapter, DescribesUsbAdaptersAndPlainPorts) {
    FakeSystem sys;
    Ftdi(sys, "ttyUSB0", "1-1");
    sys.usb("ttyUSB1", "1-2", "1a86", "7523", "", "USB Serial");
    sys.usb("ttyACM0", "1-3", "2341", "0043", "7593", "Arduino Uno");
    sys.uart("ttyS0", 4);

    const AdapterInfo ftdi = DescribeAdapter("/dev/ttyUSB0", sys.roots);
    EXPECT_TRUE(ftdi.present);
    EXPECT_EQ(ftdi.name, "FT232R USB UART");
    EXPECT_EQ(ftdi.Identity(), std::string("by-id:") + kFtdiById);
    // Without a serial number the by-id link is not the adapter's: it follows the last plug.
    EXPECT_EQ(DescribeAdapter("/dev/ttyUSB1", sys.roots).Identity(), "usb:1a86:7523:");
    // An ACM device is the interface itself; no by-id link here.
    EXPECT_EQ(DescribeAdapter("/dev/ttyACM0", sys.roots).Identity(), "usb:2341:0043:7593");
    const AdapterInfo uart = DescribeAdapter("/dev/ttyS0", sys.roots);
    EXPECT_TRUE(uart.present);
    EXPECT_FALSE(uart.Usb());
    EXPECT_EQ(uart.Identity(), "");
    EXPECT_FALSE(DescribeAdapter("/dev/ttyUSB7", sys.roots).present);
}

TEST(Adapter, FoundAgainUnderAnotherNameUnlessTheNumberDecides) {
    const std::string ch340 = "usb:1a86:7523:";
    const std::string ftdi = std::string("by-id:") + kFtdiById;
    struct Case {
        const char* what;
        bool ftdiOnUsb1; // the FTDI adapter came back as ttyUSB1 (COM6), else ttyUSB0
        int ch340s;      // identical CH340 adapters on ttyUSB2.. (COM7..)
        std::string identity;
        int port;
        int expected;
    } cases[] = {
        {"still where it was", false, 0, ftdi, 5, 5},
        {"moved to another node", true, 0, ftdi, 5, 6},
        {"not plugged, its node empty: the number", false, 0, "usb:dead:beef:1", 8, 8},
        {"not plugged, another adapter on its node", false, 0, "usb:dead:beef:1", 5, 0},
        {"nothing stored", true, 0, "", 5, 5},
        {"one adapter without serial, moved", false, 1, ch340, 9, 7},
        {"two identical: the stored one", false, 2, ch340, 8, 8},
        {"two identical, stored gone: the number", false, 2, ch340, 12, 12},
    };
    for (const Case& c : cases) {
        FakeSystem sys;
        Ftdi(sys, c.ftdiOnUsb1 ? "ttyUSB1" : "ttyUSB0", "1-1");
        for (int i = 0; i < c.ch340s; ++i)
            sys.usb("ttyUSB" + std::to_string(2 + i), "1-" + std::to_string(2 + i), "1a86", "7523",
                    "", "USB Serial");
        EXPECT_EQ(LocateAdapter(c.identity, c.port, DefaultComPortMap(), sys.roots), c.expected)
            << c.what;
    }
}

TEST(Adapter, PortListNamesTheAdapters) {
    FakeSystem sys;
    sys.uart("ttyS0", 4);
    Ftdi(sys, "ttyUSB0", "1-1");
    const auto list = ListPorts(0x00050011, DefaultComPortMap(), sys.roots);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].number, 1);
    EXPECT_EQ(list[0].path, "/dev/ttyS0");
    EXPECT_EQ(list[0].adapter, "");
    EXPECT_EQ(list[1].number, 5);
    EXPECT_EQ(list[1].adapter, "FT232R USB UART");
}

TEST(Adapter, TrapsNamedFromSysfsAndProc) {
    const std::string dev = "/dev/ttyUSB0";
    struct Case {
        const char* what;
        int error;
        bool brltty, ch340WithoutTty, modemManager, heldByMinicom;
        std::string expected;
    } cases[] = {
        {"no rights", EACCES, false, false, false, false, AccessDeniedText(dev, "anna")},
        {"brltty took the CH340", ENOENT, true, true, false, false, BrlttyText(dev)},
        {"absent, brltty runs but took nothing", ENOENT, true, false, false, false, ""},
        {"a CH340 without tty but no brltty", ENOENT, false, true, false, false, ""},
        {"ModemManager", EBUSY, false, false, true, true, ModemManagerText(dev)},
        {"another program of this user", EBUSY, false, false, false, true,
         "/dev/ttyUSB0 ist von minicom (PID 42) belegt."},
        {"held, holder unseen", EBUSY, false, false, false, false, ""},
        {"other errors keep the system's text", EIO, true, true, true, true, ""},
    };
    for (const Case& c : cases) {
        FakeSystem sys;
        sys.process(1, "systemd");
        sys.usb("ttyUSB0", "1-1", "1a86", "7523", "", "USB Serial");
        if (c.ch340WithoutTty)
            sys.dropTty("ttyUSB0", "1-1");
        if (c.brltty)
            sys.process(700, "brltty");
        if (c.modemManager)
            sys.process(800, "ModemManager");
        if (c.heldByMinicom)
            sys.process(42, "minicom", {"/dev/pts/3", dev});
        EXPECT_EQ(OpenTrapText(c.error, dev, sys.roots, "anna"), c.expected) << c.what;
        if (c.error == ENOENT) {
            EXPECT_EQ(LossTrapText(dev, sys.roots), c.expected) << c.what;
        }
    }
    EXPECT_EQ(AccessDeniedText(dev, "anna"),
              "Keine Berechtigung für /dev/ttyUSB0. Benutzer in die Gruppe dialout aufnehmen "
              "(sudo usermod -aG dialout anna) und neu anmelden.");
}

} // namespace
