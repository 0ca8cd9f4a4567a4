#pragma once
#include "race/RaceControl.h"
#include "serial/Comms.h"

namespace vk {

// The serial port drives the race control: CTS is the light tree's start contact, DSR and
// DCD are the lane barriers. The handlers read the word of the record being dispatched and
// stamp with its tick. Both must outlive the binding.
void BindRaceToPort(RaceControl& rc, TComPort& port);

} // namespace vk
