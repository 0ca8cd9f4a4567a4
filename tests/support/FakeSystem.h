#pragma once
#include "serial/Adapter.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <unistd.h>

namespace vk::test {

// A stand-in for /sys, /dev/serial/by-id and /proc, laid out as the kernel and udev lay
// them out for USB serial adapters, serial-core UARTs and running processes.
struct FakeSystem {
    using path = std::filesystem::path;
    path root;
    SystemRoots roots;

    FakeSystem() {
        static std::atomic<int> count{0};
        root = std::filesystem::temp_directory_path() /
               ("velkoran-system-" + std::to_string(getpid()) + "-" + std::to_string(++count));
        roots = {(root / "sys").string(), (root / "by-id").string(), (root / "proc").string()};
        for (const char* d : {"sys/class/tty", "sys/bus/usb/devices", "by-id", "proc"})
            std::filesystem::create_directories(root / d);
    }
    ~FakeSystem() { std::filesystem::remove_all(root); }
    FakeSystem(const FakeSystem&) = delete;
    FakeSystem& operator=(const FakeSystem&) = delete;

    static void write(const path& file, const std::string& text) {
        std::ofstream(file) << text << "\n";
    }

    // A USB adapter on bus port `bus` ("1-2") with its tty `node`; an empty serial leaves
    // the file out, as the kernel does.
    void usb(const std::string& node, const std::string& bus, const std::string& vendor,
             const std::string& product, const std::string& serial, const std::string& name) {
        const path dev = root / "sys/devices/usb1" / bus;
        const path iface = dev / (bus + ":1.0");
        const bool acm = node.rfind("ttyACM", 0) == 0;
        const path port = acm ? iface : iface / node;
        const path tty = port / "tty" / node;
        std::filesystem::create_directories(tty);
        write(dev / "idVendor", vendor);
        write(dev / "idProduct", product);
        if (!serial.empty())
            write(dev / "serial", serial);
        write(dev / "product", name);
        std::filesystem::create_directory_symlink(port, tty / "device");
        relink(root / "sys/class/tty" / node, tty);
        relink(root / "sys/bus/usb/devices" / bus, dev);
    }
    // A serial-core port with a UART of `type` (0: no UART answers).
    void uart(const std::string& node, int type) {
        const path tty = root / "sys/devices/platform/serial8250/tty" / node;
        std::filesystem::create_directories(tty);
        write(tty / "type", std::to_string(type));
        relink(root / "sys/class/tty" / node, tty);
    }
    // The adapter's driver let go of it (unplugged tty, or brltty claimed the interface):
    // the tty goes, the USB device stays.
    void dropTty(const std::string& node, const std::string& bus) {
        std::filesystem::remove(root / "sys/class/tty" / node);
        std::filesystem::remove_all(root / "sys/devices/usb1" / bus / (bus + ":1.0") / node);
    }
    void byId(const std::string& name, const std::string& node) {
        relink(root / "by-id" / name, path("../../" + node));
    }
    void process(int pid, const std::string& comm, std::initializer_list<std::string> files = {}) {
        const path dir = root / "proc" / std::to_string(pid);
        std::filesystem::create_directories(dir / "fd");
        write(dir / "comm", comm);
        int fd = 3;
        for (const std::string& f : files)
            std::filesystem::create_symlink(f, dir / "fd" / std::to_string(fd++));
    }

private:
    static void relink(const path& link, const path& target) {
        std::error_code ec;
        std::filesystem::remove(link, ec);
        std::filesystem::create_directory_symlink(target, link);
    }
};

} // namespace vk::test
