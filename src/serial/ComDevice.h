#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace vk {

// Line settings handed to a back-end when a port is opened. Built from the component's
// properties by SettingsOf (Comms.h); back-ends map what their system can express.
struct ComSettings {
    int32_t baudRate = 9600;   // the rate in bits per second, already resolved from brUser
    uint8_t dataBits = 8;      // 5..8
    uint8_t parity = 0;        // TParity ordinal
    uint8_t stopBits = 0;      // TStopBits ordinal
    uint8_t flowControl = 0;   // TFlowControl ordinal
    bool enableDtr = true;     // DTR raised while open
    bool rtsHandshake = false; // RTS raised and under the receive handshake
    bool ctsOutFlow = false;   // CTS output flow control
    bool xonXoff = false;      // XON/XOFF for output and input
    uint16_t xonLimit = 0;     // write buffer / 4
    uint16_t xoffLimit = 1;
    char xonChar = 0x11;
    char xoffChar = 0x13;
    uint32_t eventMask = 0; // system event bits (0x0008 CTS, 0x0010 DSR, 0x0020 RLSD, ...)
    int32_t readBufSize = 2048;
    int32_t writeBufSize = 2048;
};

enum class WaitResult {
    Event,  // a selected line changed; the event bits are set
    Stop,   // a stop was requested
    Failed, // this wait failed; the device may work on the next one
    Lost,   // the device is gone (unplugged, hung up)
};

// One open device. WaitEvent and Idle run on the event thread; RequestStop may be called from
// any thread, repeatedly, and makes the current and every later wait return Stop.
// ModemStatus, InputCount run on the ui thread.
class ComDevice {
public:
    virtual ~ComDevice() = default;
    virtual WaitResult WaitEvent(uint32_t eventMask, uint32_t& events) = 0;
    // Waits `ms` milliseconds unless a stop (Stop) or a loss (Lost) ends it first; Event when
    // the time ran out. Used to back off after failed waits.
    virtual WaitResult Idle(int ms) = 0;
    virtual void RequestStop() = 0;
    // The modem-status word (0x10 CTS, 0x20 DSR, 0x40 RI, 0x80 RLSD); false when the query
    // failed.
    virtual bool ModemStatus(uint32_t& status) = 0;
    virtual bool InputCount(uint32_t& count) = 0;
    // Drops what waits in the receive queue.
    virtual void Purge() = 0;
};

// What the probe needs to know about a port name: where its device is and whether the
// kernel must report a real UART behind the node for it to count.
struct ComPortEntry {
    std::string path;
    bool needsUart = false;
};

// Opens devices. Open throws EComHandle or EComState (Comms.h).
class ComDriver {
public:
    virtual ~ComDriver() = default;
    virtual std::unique_ptr<ComDevice> Open(const std::string& path, const ComSettings& s) = 0;
};

} // namespace vk
