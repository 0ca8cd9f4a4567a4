#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace vk {

// One open key of the settings store: named 32-bit integers and texts.
class SettingsKey {
public:
    enum class Read { Ok, Missing, WrongType };

    virtual ~SettingsKey() = default;
    // WrongType when the stored value is not a whole number in the 32-bit range.
    virtual Read ReadInteger(const std::string& name, int32_t& value) = 0;
    virtual Read ReadString(const std::string& name, std::string& value) = 0;
    virtual void WriteInteger(const std::string& name, int32_t value) = 0;
    virtual void WriteString(const std::string& name, const std::string& value) = 0;
    // Makes the writes durable; empty when that worked, otherwise why it did not.
    virtual std::string Close() = 0;
};

// The per-user store of the program's settings, one key per program name.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // Null when the key does not exist and `create` is false, or when it cannot be opened.
    virtual std::unique_ptr<SettingsKey> OpenKey(const std::string& program, bool create) = 0;
    // Where the key of a program lives, for messages.
    virtual std::string Location(const std::string& program) const = 0;
    // The key's place holds something that is no key (a pipe, a device, a folder): it is
    // neither read nor written, since opening it could wait for good.
    virtual bool Unusable(const std::string& /*program*/) const { return false; }
};

} // namespace vk
