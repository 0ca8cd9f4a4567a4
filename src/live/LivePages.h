#pragma once
#include "live/LiveState.h"

#include <string>

namespace vk {

// The live pages, German and phone-first. They carry no inline script or style (the server
// forbids both): the look is /live.css, the behaviour /live.js, both ours.
std::string StartPageHtml(const LiveState& state, const std::string& stateMessage);
// The protocol as the grid holds it; `klass` non-empty shows only that class.
std::string ProtocolPageHtml(const LiveState& state, const std::string& klass);
// One run's timeslip; empty when the log has no such run.
std::string RunPageHtml(const LiveState& state, int64_t runNumber);
// A driver's runs; empty when neither the log nor the protocol knows the start number.
std::string DriverPageHtml(const LiveState& state, const std::string& startNumber);
std::string NotFoundHtml();

extern const char* const kLiveCss;
extern const char* const kLiveJs;

} // namespace vk
