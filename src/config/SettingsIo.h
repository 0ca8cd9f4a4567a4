#pragma once
#include "config/Settings.h"
#include "config/SettingsStore.h"

#include <string>

namespace vk {

// Reads the program's stored settings into `s`, in the fixed reading order. A missing or
// wrongly typed value ends the reading there: it and every later value keep what `s` held.
// A missing "Title" reads as empty and the reading goes on. Afterwards a monitor index that
// is negative or not below `screenCount` becomes 0.
void LoadSettings(SettingsStore& store, const std::string& program, Settings& s, int screenCount);

// Writes every setting in the fixed writing order. Empty on success, otherwise the reason
// (nothing is reported here).
std::string SaveSettings(SettingsStore& store, const std::string& program, const Settings& s);

} // namespace vk
