#pragma once
#include "live/LiveHttp.h"
#include "live/LiveState.h"

namespace vk {

// The answer to a routed request (not the WebSocket upgrade, which the server takes over).
// `stateJson` is StateJson(state), made once per event; `nowTick` the server's tick now.
HttpResponse Respond(const Route& route, const LiveState& state, const std::string& stateJson,
                     int64_t nowTick);

} // namespace vk
