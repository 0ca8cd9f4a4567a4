#pragma once
#include "platform/Timer.h"
#include "serial/ComDevice.h"
#include "serial/HandOver.h"
#include "serial/PortProbe.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

namespace vk {

enum TBaudRate : uint8_t {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000,
    brUser
};

enum TParity : uint8_t { prNone, prOdd, prEven, prMark, prSpace };

enum TStopBits : uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };

enum TFlowControl : uint8_t { fcNone, fcRtsCts, fcXonXoff };

enum TEvent : uint8_t {
    evRxChar,
    evTxEmpty,
    evRxFlag,
    evRing,
    evBreak,
    evCTS,
    evDSR,
    evError,
    evRLSD
};

// A set over TEvent, bit n for the event of ordinal n.
class TEvents {
public:
    constexpr TEvents() = default;
    constexpr TEvents(std::initializer_list<TEvent> events) {
        for (TEvent e : events)
            bits_ = static_cast<uint16_t>(bits_ | (1u << e));
    }
    static constexpr TEvents All() { return FromBits(0x01FF); }
    static constexpr TEvents FromBits(uint16_t bits) {
        TEvents s;
        s.bits_ = bits & 0x01FF;
        return s;
    }
    constexpr bool Contains(TEvent e) const { return (bits_ >> e) & 1u; }
    constexpr uint16_t Bits() const { return bits_; }
    constexpr bool operator==(const TEvents&) const = default;

private:
    uint16_t bits_ = 0;
};

// The system's event bits of a completed wait.
constexpr uint32_t EV_RXCHAR = 0x0001;
constexpr uint32_t EV_RXFLAG = 0x0002;
constexpr uint32_t EV_TXEMPTY = 0x0004;
constexpr uint32_t EV_CTS = 0x0008;
constexpr uint32_t EV_DSR = 0x0010;
constexpr uint32_t EV_RLSD = 0x0020;
constexpr uint32_t EV_BREAK = 0x0040;
constexpr uint32_t EV_ERR = 0x0080;
constexpr uint32_t EV_RING = 0x0100;

// Bits of the modem-status word.
constexpr uint32_t MS_CTS_ON = 0x10;
constexpr uint32_t MS_DSR_ON = 0x20;
constexpr uint32_t MS_RING_ON = 0x40;
constexpr uint32_t MS_RLSD_ON = 0x80;

uint32_t EventMaskOf(TEvents events);
int32_t BaudRateValue(TBaudRate rate, int32_t user);

class EComHandle : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    EComHandle(const std::string& message, int error)
        : std::runtime_error(message), error_(error) {}
    // The errno of the failed open; 0 when not known.
    int Error() const { return error_; }

private:
    int error_ = 0;
};

// "Unable to open com port: " and the system's text, keeping the errno for the operator's hint.
EComHandle OpenFailure(int error);

class EComState : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The system's text for an error number (strerror).
std::string SystemErrorText(int error);

class TComPort;
using TNotifyEvent = std::function<void(TComPort* Sender)>;
using TRxCharEvent = std::function<void(TComPort* Sender, uint32_t InQue)>;

// The event thread of one open port: waits for line changes and hands each, as a record of the
// moment it woke, to the ui thread. It does not wait for the ui to run it, so a busy ui never
// delays the next stamp; only a ui that has fallen kMaxQueued records behind holds it up.
class TComThread {
public:
    TComThread(TComPort* port, ComDevice& device, HandOverQueue& queue, uint32_t mask,
               uint64_t generation);
    // Stops and waits for the end, serving hand-overs meanwhile (ui thread).
    ~TComThread();
    TComThread(const TComThread&) = delete;
    TComThread& operator=(const TComThread&) = delete;

    void Start();
    void Stop();
    bool Finished() const { return finished_.load(); }

    TComPort* const ComPort;
    // Event bits of the last completed wait.
    std::atomic<uint32_t> EventMask{0};

    // Longest pause between two failed waits.
    static constexpr int MaxBackoffMs = 1000;
    static constexpr size_t kMaxQueued = 1024;

private:
    void Execute();

    ComDevice& device_;
    HandOverQueue& queue_;
    const uint32_t mask_;
    const uint64_t generation_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

// The serial line monitor component.
class TComPort {
public:
    // `driver` opens the devices (the Linux back-end when null); `timers` runs the watch for a
    // device that went away (no watch when null).
    explicit TComPort(ComDriver* driver = nullptr, TimerFactory* timers = nullptr);
    ~TComPort();
    TComPort(const TComPort&) = delete;
    TComPort& operator=(const TComPort&) = delete;

    // Published properties.
    TBaudRate BaudRate = br9600;
    int32_t BaudRateUser = 9600;
    uint8_t Port = 1;
    TParity Parity = prNone;
    TStopBits StopBits = sbOneStopBit;
    TFlowControl FlowControl = fcNone;
    uint8_t DataBits() const { return dataBits_; }
    void SetDataBits(uint8_t value);
    TEvents Events = TEvents::All();
    bool EnableDTR = true;
    int32_t WriteBufSize = 2048;
    int32_t ReadBufSize = 2048;
    TRxCharEvent OnRxChar;
    TNotifyEvent OnTxEmpty, OnBreak, OnRing;
    TNotifyEvent OnCTS;
    TNotifyEvent OnDSR;
    TNotifyEvent OnRLSD;
    TNotifyEvent OnRxFlag, OnError;
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;

    // Raised after the component closed itself because its device went away (after OnClose),
    // and after it reopened the same device by itself (after OnOpen).
    TNotifyEvent OnDeviceLost;
    TNotifyEvent OnDeviceBack;
    // Raised instead of OnDeviceBack when the device came back under another node name, which
    // FindDevice told; Port is then the number of that name. `before` is the old node.
    std::function<void(TComPort* Sender, const std::string& before)> OnDeviceMoved;
    // Where the lost device is now (its node may have another name); empty while it is
    // nowhere. Without it the watch waits for the old name.
    std::function<std::string()> FindDevice;

    // Where COMn lives; a non-empty DevicePath is opened instead of the mapped name.
    ComPortMap PortMap = DefaultComPortMap();
    std::string DevicePath;

    void Open();
    void Close();
    // While a record is dispatched: that record's word. Otherwise the device's word now.
    uint32_t ModemStatus();
    // The tick of the record being dispatched; none outside a dispatch.
    std::optional<int64_t> EventTick() const;
    uint32_t InputCount();
    bool Connected() const { return connected_; }
    // True while the component waits for its lost device to come back.
    bool WatchingForDevice() const { return watchTimer_ && watchTimer_->enabled(); }

    // Runs the handlers for the event bits of one wait, in the fixed order (ui thread).
    void DispatchEvents(uint32_t eventMask);
    // The same for a record of the event thread; its handlers read the record's word.
    void DispatchEvent(const LineRecord& record);

    // The queue through which the event thread reaches the ui thread.
    HandOverQueue& HandOver() { return *queue_; }
    std::shared_ptr<HandOverQueue> SharedHandOver() { return queue_; }

    // The device path that Open uses now.
    std::string ResolvedPath() const;
    // "COMn", or the device path when one is set.
    std::string PortName() const;

    static constexpr int WatchIntervalMs = 1000;
    // Bytes nobody reads are thrown away this often when the device cannot do it by itself:
    // under the RTS handshake a full receive queue would lower RTS, and RTS feeds the light
    // tree's start contact.
    static constexpr int PurgeIntervalMs = 500;

private:
    friend class TComThread;
    void OpenDevice(const std::string& path);
    void CloseDevice();
    void DeviceLost(uint64_t generation);
    void WatchTick();
    void StopWatch();

    ComDriver* driver_;
    TimerFactory* timers_;
    std::shared_ptr<HandOverQueue> queue_;
    uint8_t dataBits_ = 8;
    std::unique_ptr<ComDevice> device_;
    std::unique_ptr<TComThread> thread_;
    bool connected_ = false;
    bool closing_ = false;
    const LineRecord* dispatching_ = nullptr;
    uint64_t generation_ = 0;
    std::unique_ptr<Timer> watchTimer_;
    std::unique_ptr<Timer> purgeTimer_;
    std::string openPath_;
    std::string watchPath_;
};

// The settings a back-end applies for the component's current properties.
ComSettings SettingsOf(const TComPort& port);

// The values the main window's layout gives its port component (Port stays as it is).
void SetMainWindowValues(TComPort& port);

// Status-bar texts for a port that went away and came back.
std::string DeviceLostText(const TComPort& port);
std::string DeviceBackText(const TComPort& port);
std::string DeviceMovedText(const TComPort& port, const std::string& before);
// At the start: the stored adapter was found under another node name and opened there.
std::string AdapterFoundText(const TComPort& port, const std::string& before);

} // namespace vk
