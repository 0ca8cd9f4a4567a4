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

} // namespace vk
