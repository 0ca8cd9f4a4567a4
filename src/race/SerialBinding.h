#pragma once
#include "race/LineWatch.h"
#include "race/RaceControl.h"
#include "serial/Comms.h"

namespace vk {

// The serial port drives the race control: CTS is the light tree's start contact, DSR and
// DCD are the lane barriers. The handlers read the word of the record being dispatched and
// stamp with its tick. Both must outlive the binding.
void BindRaceToPort(RaceControl& rc, TComPort& port);

// Shows `watch` every record of the port before the handlers bound so far run, the port's
// opening and closing, and the start's arming after every race operation. `changed` hears
// after each of them, with the lines that just went over the bounce limit. Bind it after
// BindRaceToPort and after the race's onChanged is set; all three must outlive the binding.
void WatchLines(LineWatch& watch, RaceControl& rc, TComPort& port,
                std::function<void(uint32_t bouncing)> changed);

} // namespace vk
