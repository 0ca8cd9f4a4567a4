#pragma once
#include "config/SettingsStore.h"

namespace vk {

// The settings of a program in an INI file: organisation "Quorvane", application = the
// program name, values in [General]; on Linux $XDG_CONFIG_HOME (or ~/.config) +
// "/Quorvane/<program>.conf". The folder is looked up at each opening, so a changed
// environment counts. Qt replaces the file at once (a new file renamed over the old one),
// so a write cut short leaves the old file whole.
class QtSettingsStore final : public SettingsStore {
public:
    std::unique_ptr<SettingsKey> OpenKey(const std::string& program, bool create) override;
    std::string Location(const std::string& program) const override;
    bool Unusable(const std::string& program) const override;
};

} // namespace vk
