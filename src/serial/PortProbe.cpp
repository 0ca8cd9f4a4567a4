#include "serial/PortProbe.h"

#include <fstream>
#include <sys/stat.h>

namespace vk {

namespace {

bool Listed(const std::string& root, const ComPortEntry& e) {
    const size_t slash = e.path.find_last_of('/');
    const std::string name = slash == std::string::npos ? e.path : e.path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..")
        return false;
    const std::string dir = root + "/" + name;
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (!e.needsUart)
        return true;
    // The serial core reports the UART type as a number; 0 is "unknown": no UART answers.
    std::ifstream type(dir + "/type");
    int t = 0;
    return static_cast<bool>(type >> t) && t != 0;
}

} // namespace

const ComPortEntry* ComPortMap::Find(int n) const {
    if (n < 1 || n > Count || entries[n - 1].path.empty())
        return nullptr;
    return &entries[n - 1];
}

ComPortMap DefaultComPortMap() {
    ComPortMap map;
    for (int i = 0; i < 4; ++i)
        map.entries[i] = {"/dev/ttyS" + std::to_string(i), true};
    for (int i = 0; i < 8; ++i)
        map.entries[4 + i] = {"/dev/ttyUSB" + std::to_string(i), false};
    for (int i = 0; i < 4; ++i)
        map.entries[12 + i] = {"/dev/ttyACM" + std::to_string(i), false};
    return map;
}

uint32_t ProbeComPorts(const ComPortMap& map, const std::string& sysfsRoot) {
    uint32_t word = 0;
    for (int n = 1; n <= ComPortMap::Count; ++n) {
        const ComPortEntry* e = map.Find(n);
        if (!e || !Listed(sysfsRoot, *e))
            continue;
        word |= 1u << (n - 1);
        word = (word & 0xFF00FFFFu) | (static_cast<uint32_t>(n) << 16);
    }
    PresentPorts = word;
    return word;
}

} // namespace vk
