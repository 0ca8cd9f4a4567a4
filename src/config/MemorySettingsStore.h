#pragma once
#include "config/SettingsStore.h"

#include <map>
#include <string>
#include <variant>

namespace vk {

// Settings kept in memory, for tests: every program's key is a map of named values.
class MemorySettingsStore final : public SettingsStore {
public:
    using Value = std::variant<int32_t, std::string>;
    using Values = std::map<std::string, Value>;

    std::unique_ptr<SettingsKey> OpenKey(const std::string& program, bool create) override;
    std::string Location(const std::string& program) const override { return "memory:" + program; }

    std::map<std::string, Values> keys;
    // When set, closing a written key fails with this text and nothing of it is kept.
    std::string failWrites;
    int writeCount = 0; // keys closed after a write
};

} // namespace vk
