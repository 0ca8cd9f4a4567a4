#include "serial/Adapter.h"

#include "serial/Comms.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <unistd.h>

namespace vk {

namespace fs = std::filesystem;

namespace {

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The first line of a small sysfs or /proc file; empty when it cannot be read.
std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

bool IsCh34x(const std::string& vendor, const std::string& product) {
    return vendor == "1a86" && (product == "7523" || product == "5523" || product == "7522");
}

// Whether a USB device's folder holds a tty of an interface (1-1:1.0/ttyUSB0 or
// 1-1:1.0/tty/ttyACM0).
bool HasTty(const fs::path& usbDevice) {
    std::error_code ec;
    for (const auto& iface : fs::directory_iterator(usbDevice, ec)) {
        std::error_code ec2;
        for (const auto& child : fs::directory_iterator(iface.path(), ec2)) {
            const std::string n = child.path().filename().string();
            if (n.rfind("ttyUSB", 0) == 0 || n == "tty")
                return true;
        }
    }
    return false;
}

// The pids of /proc.
template <class F> void ForEachProcess(const SystemRoots& roots, F f) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(roots.proc, ec)) {
        const std::string pid = e.path().filename().string();
        if (!pid.empty() && pid.find_first_not_of("0123456789") == std::string::npos)
            if (f(e.path(), pid))
                return;
    }
}

// A process of this user that has `path` open, as "minicom (PID 4711)"; processes of
// other users do not show their files without root.
std::string HolderOf(const std::string& path, const SystemRoots& roots) {
    std::string holder;
    ForEachProcess(roots, [&](const fs::path& dir, const std::string& pid) {
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator(dir / "fd", ec)) {
            std::error_code ec2;
            if (fs::read_symlink(fd.path(), ec2).string() == path) {
                holder = FirstLine(dir / "comm") + " (PID " + pid + ")";
                return true;
            }
        }
        return false;
    });
    return holder;
}

} // namespace

std::string AdapterInfo::Identity() const {
    if (!serial.empty() && !byId.empty())
        return "by-id:" + byId;
    if (Usb())
        return "usb:" + vendor + ":" + product + ":" + serial;
    return byId.empty() ? std::string() : "by-id:" + byId;
}

AdapterInfo DescribeAdapter(const std::string& devicePath, const SystemRoots& roots) {
    AdapterInfo a;
    a.node = FileName(devicePath);
    if (a.node.empty() || a.node == "." || a.node == "..")
        return a;
    std::error_code ec;
    const fs::path tty = fs::path(roots.ClassTty()) / a.node;
    a.present = fs::is_directory(tty, ec);
    for (const auto& link : fs::directory_iterator(roots.serialById, ec)) {
        std::error_code ec2;
        if (fs::read_symlink(link.path(), ec2).filename().string() == a.node) {
            a.byId = link.path().filename().string();
            break;
        }
    }
    // The USB device is the first folder above the tty's device that has a vendor id:
    // ttyUSB0's device is the serial port, then the interface, then the device.
    fs::path dir = fs::canonical(tty / "device", ec);
    for (int up = 0; !ec && up < 4 && dir.has_relative_path(); ++up, dir = dir.parent_path()) {
        if (fs::exists(dir / "idVendor", ec)) {
            a.vendor = FirstLine(dir / "idVendor");
            a.product = FirstLine(dir / "idProduct");
            a.serial = FirstLine(dir / "serial");
            a.name = FirstLine(dir / "product");
            if (a.name.empty())
                a.name = "USB " + a.vendor + ":" + a.product;
            break;
        }
    }
    return a;
}

int LocateAdapter(const std::string& identity, int port, const ComPortMap& map,
                  const SystemRoots& roots) {
    if (identity.empty())
        return port;
    std::vector<int> found;
    for (int n = 1; n <= ComPortMap::Count; ++n) {
        const ComPortEntry* e = map.Find(n);
        if (!e)
            continue;
        const AdapterInfo a = DescribeAdapter(e->path, roots);
        if (a.present && a.Identity() == identity) {
            if (n == port)
                return port;
            found.push_back(n);
        }
    }
    if (!found.empty())
        return found.size() == 1 ? found.front() : port;
    // Its node now holds another device, which nobody chose.
    const ComPortEntry* e = map.Find(port);
    return e && DescribeAdapter(e->path, roots).present ? 0 : port;
}

void FollowAdapter(TComPort& port, const std::string& identity, const SystemRoots& roots) {
    if (identity.empty()) {
        port.FindDevice = nullptr;
        return;
    }
    port.FindDevice = [&port, identity, roots] {
        const ComPortEntry* e =
            port.PortMap.Find(LocateAdapter(identity, port.Port, port.PortMap, roots));
        return e ? e->path : std::string();
    };
}

std::vector<PortListing> ListPorts(uint32_t presentPorts, const ComPortMap& map,
                                   const SystemRoots& roots) {
    std::vector<PortListing> list;
    const int highest = static_cast<int>((presentPorts >> 16) & 0xFF);
    for (int n = 1; n <= highest && n <= ComPortMap::Count; ++n) {
        const ComPortEntry* e = map.Find(n);
        if (!(presentPorts & (1u << (n - 1))) || !e)
            continue;
        list.push_back({n, e->path, DescribeAdapter(e->path, roots).name});
    }
    return list;
}

bool ServiceRunning(const std::string& comm, const SystemRoots& roots) {
    bool running = false;
    ForEachProcess(roots, [&](const fs::path& dir, const std::string&) {
        running = FirstLine(dir / "comm") == comm;
        return running;
    });
    return running;
}

bool BrlttyTookAdapter(const SystemRoots& roots) {
    if (!ServiceRunning("brltty", roots))
        return false;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(fs::path(roots.sys) / "bus/usb/devices", ec)) {
        const fs::path dir = e.path();
        if (IsCh34x(FirstLine(dir / "idVendor"), FirstLine(dir / "idProduct")) && !HasTty(dir))
            return true;
    }
    return false;
}

std::string AccessDeniedText(const std::string& path, const std::string& user) {
    return "Keine Berechtigung für " + path +
           ". Benutzer in die Gruppe dialout aufnehmen (sudo usermod -aG dialout " + user +
           ") und neu anmelden.";
}

std::string BrlttyText(const std::string& path) {
    return "Der CH340/CH341-Adapter (" + path +
           ") wurde vom Dienst brltty für eine Braillezeile übernommen. Ohne Braillezeile: "
           "sudo systemctl stop brltty-udev.service brltty.service, dauerhaft: sudo systemctl "
           "mask brltty-udev.service brltty.service; dann den Adapter neu einstecken.";
}

std::string ModemManagerText(const std::string& path) {
    return "Der Dienst ModemManager belegt oder prüft " + path +
           " und schaltet dabei die Leitungen. Beenden: sudo systemctl stop ModemManager, "
           "dauerhaft: sudo systemctl disable ModemManager.";
}

std::string OpenTrapText(int error, const std::string& path, const SystemRoots& roots,
                         const std::string& user) {
    switch (error) {
    case EACCES:
    case EPERM:
        return AccessDeniedText(path, user);
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return BrlttyTookAdapter(roots) ? BrlttyText(path) : std::string();
    case EBUSY:
        if (ServiceRunning("ModemManager", roots))
            return ModemManagerText(path);
        if (const std::string holder = HolderOf(path, roots); !holder.empty())
            return path + " ist von " + holder + " belegt.";
        return {};
    default:
        return {};
    }
}

std::string LossTrapText(const std::string& path, const SystemRoots& roots) {
    return BrlttyTookAdapter(roots) ? BrlttyText(path) : std::string();
}

std::string LoginName() {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name && *pw->pw_name)
        return pw->pw_name;
    return "NAME";
}

} // namespace vk
