#include "serial/PortProbe.h"

#include "serial/LinuxComDevice.h"

namespace vk {

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

uint32_t ProbeComPorts(const ComPortMap& map, ComDriver* driver) {
    ComDriver& d = driver ? *driver : LinuxComDriver::Default();
    uint32_t word = 0;
    for (int n = 1; n <= ComPortMap::Count; ++n) {
        const ComPortEntry* e = map.Find(n);
        if (!e || !d.Probe(*e))
            continue;
        word |= 1u << (n - 1);
        word = (word & 0xFF00FFFFu) | (static_cast<uint32_t>(n) << 16);
    }
    PresentPorts = word;
    return word;
}

} // namespace vk
