#pragma once

namespace vk {

class TFormMain;
class TFormMonitor2;

// Wires the audience window to the main window: the lane frames' digits and start numbers,
// the screen setting, and the main window's "on" switch, which follows the window.
void BindAudience(TFormMain& main, TFormMonitor2& monitor);

} // namespace vk
