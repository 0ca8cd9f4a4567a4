#pragma once
#include "serial/PortProbe.h"

#include <string>
#include <vector>

namespace vk {

class TComPort;

// Where the system tells about its devices and processes. Everything here is read without
// opening a device and without root; tests point the roots at fake trees.
struct SystemRoots {
    std::string sys = "/sys";
    std::string serialById = "/dev/serial/by-id";
    std::string proc = "/proc";
    std::string ClassTty() const { return sys + "/class/tty"; }
};

// What sysfs tells about the device behind a tty node.
struct AdapterInfo {
    std::string node;            // "ttyUSB0"
    bool present = false;        // the kernel lists the node
    std::string byId;            // the /dev/serial/by-id name that points at the node
    std::string vendor, product; // USB ids ("0403", "6001"); empty for a port without USB
    std::string serial;          // the USB serial number; empty when the adapter has none
    std::string name;            // the adapter's own name ("FT232R USB UART")

    bool Usb() const { return !vendor.empty(); }
    // A name that stays with the adapter when its node changes: the by-id name when the
    // adapter has a serial number (the name also tells the ports of a multi-port adapter
    // apart), else vendor, product and serial ("usb:1a86:7523:"). Adapters without a serial
    // number share one identity; udev's by-id link then points at whichever came last.
    std::string Identity() const;
};

AdapterInfo DescribeAdapter(const std::string& devicePath, const SystemRoots& roots);

// Where the adapter with `identity` is now: the stored `port` when its node is that adapter
// or when several are (identical adapters without serial numbers), else the one port that
// is. When none is: `port` while its node is absent, 0 when another device holds it.
int LocateAdapter(const std::string& identity, int port, const ComPortMap& map,
                  const SystemRoots& roots);

// Makes a port that lost its device look for the adapter with `identity` under every name
// of its map, not only under the name it had (TComPort::FindDevice).
void FollowAdapter(TComPort& port, const std::string& identity, const SystemRoots& roots);

// A present port of the map with what sysfs tells about it, for the settings dialog's list.
struct PortListing {
    int number = 0;
    std::string path;
    std::string adapter; // the adapter's name; empty for a port without USB
};
std::vector<PortListing> ListPorts(uint32_t presentPorts, const ComPortMap& map,
                                   const SystemRoots& roots);

// Whether a process whose command name is `comm` runs (/proc/<pid>/comm).
bool ServiceRunning(const std::string& comm, const SystemRoots& roots);

// A CH340/CH341 adapter is plugged in but has no tty: brltty, which takes these ids for a
// braille display, claimed it.
bool BrlttyTookAdapter(const SystemRoots& roots);

// The operator's text for an open of `path` that failed with `error`, naming the trap the
// system puts there (the group, brltty, ModemManager, another program); empty when nothing
// beyond the system's text can be said. `user` is the login name.
std::string OpenTrapText(int error, const std::string& path, const SystemRoots& roots,
                         const std::string& user);
// The same for a device that went away while open.
std::string LossTrapText(const std::string& path, const SystemRoots& roots);

std::string AccessDeniedText(const std::string& path, const std::string& user);
std::string BrlttyText(const std::string& path);
std::string ModemManagerText(const std::string& path);

// The login name of this process's user.
std::string LoginName();

} // namespace vk
