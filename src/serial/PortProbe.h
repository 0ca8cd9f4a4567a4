#pragma once
#include "serial/ComDevice.h"

#include <array>
#include <cstdint>
#include <string>

namespace vk {

// Where the ports COM1..COM16 live on this system. Entry n-1 belongs to COMn; an empty path
// means the name has no device.
struct ComPortMap {
    static constexpr int Count = 16;
    std::array<ComPortEntry, Count> entries;

    // The entry of COMn, null for n outside 1..16 or without a path.
    const ComPortEntry* Find(int n) const;
};

// COM1-4: /dev/ttyS0-3 (only with a UART behind them), COM5-12: /dev/ttyUSB0-7,
// COM13-16: /dev/ttyACM0-3.
ComPortMap DefaultComPortMap();

// The ports found by the last ProbeComPorts: bit n-1 for a present COMn, bits 16..23 the
// highest present number.
inline uint32_t PresentPorts = 0;

// Where the kernel lists its terminal devices.
constexpr const char* kSysClassTty = "/sys/class/tty";

// Finds the present ports COM1..COM16 without opening any: a port is present when the
// kernel lists its device under `sysfsRoot` (the device's file name), and for an entry that
// needs a UART, when the kernel knows the UART's type. Opening a port would raise DTR and
// RTS, which resets many attached devices, and would miss a port another program holds.
// Stores the result in PresentPorts and returns it.
uint32_t ProbeComPorts(const ComPortMap& map = DefaultComPortMap(),
                       const std::string& sysfsRoot = kSysClassTty);

} // namespace vk
