#include "race/SerialBinding.h"

namespace vk {

void BindRaceToPort(RaceControl& rc, TComPort& port) {
    port.OnCTS = [&rc](TComPort*) { rc.ComPortStart(); };
    port.OnDSR = port.OnRLSD = [&rc](TComPort*) { rc.ComPortStop(); };
    port.OnOpen = [&rc](TComPort*) { rc.ComPortOpen(); };
    port.OnClose = [&rc](TComPort*) { rc.ComPortClose(); };
    rc.modemStatus = [&port] { return port.ModemStatus(); };
    rc.eventStamp = [&port] { return port.EventTick(); };
}

void WatchLines(LineWatch& watch, RaceControl& rc, TComPort& port,
                std::function<void(uint32_t)> changed) {
    auto tell = [changed](uint32_t bouncing) {
        if (changed)
            changed(bouncing);
    };
    auto line = [&watch, tell](TNotifyEvent inner) {
        return [&watch, tell, inner](TComPort* p) {
            // Several handlers run for one record; only the first sees a change.
            const uint32_t over = watch.Change(p->EventTick().value_or(0), p->ModemStatus());
            if (inner)
                inner(p);
            tell(over);
        };
    };
    port.OnCTS = line(port.OnCTS);
    port.OnDSR = line(port.OnDSR);
    port.OnRLSD = line(port.OnRLSD);
    auto reset = [&watch, tell](TNotifyEvent inner) {
        return [&watch, tell, inner](TComPort* p) {
            watch.Reset(p->ModemStatus());
            if (inner)
                inner(p);
            tell(0);
        };
    };
    port.OnOpen = reset(port.OnOpen);
    port.OnClose = reset(port.OnClose);
    auto raceChanged = std::move(rc.onChanged);
    rc.onChanged = [&watch, &rc, raceChanged, tell] {
        watch.SetArmed(rc.armed(kLockStart));
        if (raceChanged)
            raceChanged();
        tell(0);
    };
}

} // namespace vk
