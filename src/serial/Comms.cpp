#include "serial/Comms.h"

#include "serial/LinuxComDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <pthread.h>
#include <system_error>

namespace vk {

uint32_t EventMaskOf(TEvents events) {
    static constexpr uint32_t bits[] = {EV_RXCHAR, EV_TXEMPTY, EV_RXFLAG, EV_RING, EV_BREAK,
                                        EV_CTS,    EV_DSR,     EV_ERR,    EV_RLSD};
    uint32_t mask = 0;
    for (int e = evRxChar; e <= evRLSD; ++e)
        if (events.Contains(static_cast<TEvent>(e)))
            mask |= bits[e];
    return mask;
}

int32_t BaudRateValue(TBaudRate rate, int32_t user) {
    static constexpr int32_t rates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                        19200, 38400, 56000, 57600, 115200, 128000, 256000};
    if (rate < brUser)
        return rates[rate];
    return user;
}

EComHandle OpenFailure(int error) {
    return EComHandle("Unable to open com port: " + SystemErrorText(error), error);
}

std::string SystemErrorText(int error) {
    char buf[256];
    // The GNU variant returns the text, which may or may not live in buf.
    const char* text = strerror_r(error, buf, sizeof buf);
    if (!text || !*text)
        return std::to_string(error);
    return text;
}

// ---------------------------------------------------------------------------------------------

TComThread::TComThread(TComPort* port, ComDevice& device, HandOverQueue& queue, uint32_t mask,
                       uint64_t generation)
    : ComPort(port), device_(device), queue_(queue), mask_(mask), generation_(generation) {}

TComThread::~TComThread() {
    Stop();
    if (!thread_.joinable())
        return;
    // Hand-overs requested before the stop are still delivered; the repeated stop request
    // catches a thread that was just entering a blocking wait when the first one came.
    queue_.ServeUntil([this] { return finished_.load(); }, [this] { device_.RequestStop(); });
    thread_.join();
    // What the thread handed over as it ended.
    queue_.Drain();
}

void TComThread::Start() {
    thread_ = std::thread([this] { Execute(); });
}

void TComThread::Stop() {
    stop_.store(true);
    device_.RequestStop();
    queue_.Poke();
}

void TComThread::Execute() {
    pthread_setname_np(pthread_self(), "vk-serial");
    TComPort* port = ComPort;
    const uint64_t generation = generation_;
    auto lost = [&] { queue_.Post(port, [port, generation] { port->DeviceLost(generation); }); };
    int failures = 0;
    for (;;) {
        LineRecord record;
        const WaitResult r = device_.WaitEvent(mask_, record);
        if (r == WaitResult::Stop)
            break;
        if (r == WaitResult::Lost) {
            lost();
            break;
        }
        if (r == WaitResult::Event) {
            failures = 0;
            EventMask.store(record.events);
            auto dispatch = [port, record] { port->DispatchEvent(record); };
            if (queue_.Pending() < kMaxQueued)
                queue_.Post(port, std::move(dispatch));
            else
                queue_.Call(port, std::move(dispatch), [this] { return stop_.load(); });
            continue;
        }
        // A device that fails every wait must not cost the processor: wait longer each time.
        ++failures;
        const int ms = std::min(MaxBackoffMs, 1 << std::min(failures - 1, 10));
        const WaitResult idle = device_.Idle(ms);
        if (idle == WaitResult::Stop)
            break;
        if (idle == WaitResult::Lost) {
            lost();
            break;
        }
    }
    device_.Purge();
    finished_.store(true);
    queue_.Poke();
}

// ---------------------------------------------------------------------------------------------

TComPort::TComPort(ComDriver* driver, TimerFactory* timers)
    : driver_(driver ? driver : &LinuxComDriver::Default()), timers_(timers),
      queue_(std::make_shared<HandOverQueue>()) {}

TComPort::~TComPort() {
    StopWatch();
    Close();
}

void TComPort::SetDataBits(uint8_t value) {
    if (value == dataBits_)
        return;
    dataBits_ = std::clamp<uint8_t>(value, 5, 8);
}

std::string TComPort::ResolvedPath() const {
    if (!DevicePath.empty())
        return DevicePath;
    const ComPortEntry* e = PortMap.Find(Port);
    return e ? e->path : std::string();
}

std::string TComPort::PortName() const {
    if (!DevicePath.empty())
        return DevicePath;
    return "COM" + std::to_string(Port);
}

void TComPort::Open() {
    // A handler that reopens while this component is closing would pull the device out
    // from under the thread that is still ending.
    if (closing_)
        return;
    StopWatch();
    Close();
    OpenDevice(ResolvedPath());
}

void TComPort::OpenDevice(const std::string& path) {
    if (path.empty())
        throw OpenFailure(ENOENT);
    device_ = driver_->Open(path, SettingsOf(*this));
    openPath_ = path;
    ++generation_;
    thread_ =
        std::make_unique<TComThread>(this, *device_, *queue_, EventMaskOf(Events), generation_);
    try {
        thread_->Start();
    } catch (const std::system_error& e) {
        thread_.reset();
        device_.reset();
        throw EComState("Unable to set com state: " + SystemErrorText(e.code().value()));
    }
    connected_ = true;
    if (timers_ && !OnRxChar && !device_->DiscardsInput()) {
        if (!purgeTimer_) {
            purgeTimer_ = timers_->createTimer();
            purgeTimer_->onTimer = [this] {
                if (connected_ && device_)
                    device_->Purge();
            };
        }
        purgeTimer_->setInterval(PurgeIntervalMs);
        purgeTimer_->setEnabled(true);
    }
    if (OnOpen)
        OnOpen(this);
}

void TComPort::Close() {
    StopWatch();
    if (!connected_ || closing_)
        return;
    CloseDevice();
    if (OnClose)
        OnClose(this);
}

void TComPort::CloseDevice() {
    if (purgeTimer_)
        purgeTimer_->setEnabled(false);
    closing_ = true;
    thread_.reset();
    queue_->Cancel(this);
    device_.reset();
    connected_ = false;
    closing_ = false;
    ++generation_;
}

uint32_t TComPort::ModemStatus() {
    if (dispatching_)
        return dispatching_->status;
    uint32_t status = 0;
    if (!connected_ || !device_ || !device_->ModemStatus(status))
        return 0;
    return status;
}

uint32_t TComPort::InputCount() {
    uint32_t count = 0;
    if (!connected_ || !device_ || !device_->InputCount(count))
        return 0;
    return count;
}

std::optional<int64_t> TComPort::EventTick() const {
    if (dispatching_)
        return dispatching_->tick;
    return std::nullopt;
}

void TComPort::DispatchEvent(const LineRecord& record) {
    struct Restore {
        const LineRecord*& current;
        const LineRecord* outer;
        ~Restore() { current = outer; }
    } restore{dispatching_, dispatching_};
    dispatching_ = &record;
    DispatchEvents(record.events);
}

void TComPort::DispatchEvents(uint32_t m) {
    if ((m & EV_RXCHAR) && OnRxChar)
        OnRxChar(this, InputCount());
    if ((m & EV_TXEMPTY) && OnTxEmpty)
        OnTxEmpty(this);
    if ((m & EV_BREAK) && OnBreak)
        OnBreak(this);
    if ((m & EV_RING) && OnRing)
        OnRing(this);
    if ((m & EV_CTS) && OnCTS)
        OnCTS(this);
    if ((m & EV_DSR) && OnDSR)
        OnDSR(this);
    if ((m & EV_RXFLAG) && OnRxFlag)
        OnRxFlag(this);
    if ((m & EV_RLSD) && OnRLSD)
        OnRLSD(this);
    if ((m & EV_ERR) && OnError)
        OnError(this);
}

void TComPort::DeviceLost(uint64_t generation) {
    if (!connected_ || closing_ || generation != generation_)
        return;
    const std::string path = openPath_;
    CloseDevice();
    if (OnClose)
        OnClose(this);
    if (OnDeviceLost)
        OnDeviceLost(this);
    if (!timers_)
        return;
    if (!watchTimer_) {
        watchTimer_ = timers_->createTimer();
        watchTimer_->onTimer = [this] { WatchTick(); };
    }
    watchPath_ = path;
    watchTimer_->setInterval(WatchIntervalMs);
    watchTimer_->setEnabled(true);
}

void TComPort::WatchTick() {
    if (connected_) {
        StopWatch();
        return;
    }
    // An adapter can come back under another node name; the finder knows where it is now.
    const std::string path = FindDevice && DevicePath.empty() ? FindDevice() : watchPath_;
    if (path.empty())
        return; // the adapter is nowhere yet
    try {
        OpenDevice(path);
    } catch (const std::exception&) {
        return; // not back yet, or held by someone else: try again on the next tick
    }
    StopWatch();
    if (path != watchPath_) {
        const std::string before = watchPath_;
        for (int n = 1; n <= ComPortMap::Count; ++n)
            if (const ComPortEntry* e = PortMap.Find(n); e && e->path == path)
                Port = static_cast<uint8_t>(n);
        if (OnDeviceMoved)
            OnDeviceMoved(this, before);
        return;
    }
    if (OnDeviceBack)
        OnDeviceBack(this);
}

void TComPort::StopWatch() {
    if (watchTimer_)
        watchTimer_->setEnabled(false);
}

ComSettings SettingsOf(const TComPort& port) {
    ComSettings s;
    s.baudRate = BaudRateValue(port.BaudRate, port.BaudRateUser);
    s.dataBits = port.DataBits();
    s.parity = port.Parity;
    s.stopBits = port.StopBits;
    s.flowControl = port.FlowControl;
    s.enableDtr = port.EnableDTR;
    s.ctsOutFlow = port.FlowControl == fcRtsCts;
    s.rtsHandshake = port.FlowControl == fcRtsCts;
    s.xonXoff = port.FlowControl == fcXonXoff;
    s.xonLimit = static_cast<uint16_t>(port.WriteBufSize / 4);
    s.xoffLimit = 1;
    s.eventMask = EventMaskOf(port.Events);
    s.readBufSize = port.ReadBufSize;
    s.writeBufSize = port.WriteBufSize;
    s.discardInput = !port.OnRxChar;
    return s;
}

void SetMainWindowValues(TComPort& port) {
    port.BaudRate = br9600;
    port.BaudRateUser = 28800;
    port.Port = 0;
    port.Parity = prNone;
    port.StopBits = sbOneStopBit;
    port.FlowControl = fcRtsCts;
    port.SetDataBits(5);
    port.Events = {evCTS, evDSR, evRLSD};
    port.EnableDTR = true;
    port.WriteBufSize = 64;
    port.ReadBufSize = 64;
}

std::string DeviceLostText(const TComPort& port) {
    return "Schnittstelle " + port.PortName() + " getrennt";
}

std::string DeviceBackText(const TComPort& port) {
    return "Schnittstelle " + port.PortName() + " wieder verbunden";
}

std::string AdapterFoundText(const TComPort& port, const std::string& before) {
    return "Adapter unter neuem Namen gefunden: " + port.PortName() + " (" + port.ResolvedPath() +
           ", zuletzt " + before + ")";
}

std::string DeviceMovedText(const TComPort& port, const std::string& before) {
    return "Adapter wieder verbunden, jetzt als " + port.PortName() + " (" + port.ResolvedPath() +
           ", vorher " + before + ")";
}

} // namespace vk
