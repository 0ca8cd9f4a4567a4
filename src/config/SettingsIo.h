#pragma once
#include "config/CfgModel.h"
#include "config/Settings.h"
#include "config/SettingsStore.h"

#include <string>
#include <vector>

namespace vk {

// What the stored values are checked against while they are read.
struct SettingsContext {
    // The usable area of every screen; the window must show on one of them.
    std::vector<ScreenRect> screens;
    int portCount = 16; // the highest port number the port map knows
};

// A value that could not be used: it keeps its default.
struct SettingsProblem {
    enum Kind { Missing, WrongType, OutOfRange, NotAFile };
    std::string name;
    Kind kind;
    bool operator==(const SettingsProblem&) const = default;
};

// Reads the program's stored settings into `s`, every value in the fixed reading order. A value
// that is missing, of the wrong type or outside its range keeps what `s` held and is named in
// the result, once. A missing "Title" reads as empty and is no problem; "WaitStart" 0 keeps
// the lock time; a monitor index beyond the screens becomes 0; a window position that leaves
// the window on no screen is dropped (the window system places the window). No key: nothing is
// read and nothing is named.
std::vector<SettingsProblem> LoadSettings(SettingsStore& store, const std::string& program,
                                          Settings& s, const SettingsContext& context);

// The status-bar text naming the values that kept their defaults; empty when there are none.
std::string SettingsProblemsText(const std::vector<SettingsProblem>& problems);

// The values of `s` that are neither their default nor within their range: none after a read.
std::vector<std::string> ValuesOutsideTheirRange(const Settings& s, const SettingsContext& c);

// Writes every setting in the fixed writing order. Empty on success, otherwise the reason
// (nothing is reported here).
std::string SaveSettings(SettingsStore& store, const std::string& program, const Settings& s);

} // namespace vk
