#include "config/MemorySettingsStore.h"

namespace vk {

namespace {

class MemoryKey final : public SettingsKey {
public:
    MemoryKey(MemorySettingsStore& store, std::string program)
        : store_(store), program_(std::move(program)) {
        if (const auto it = store.keys.find(program_); it != store.keys.end())
            values_ = it->second;
    }

    Read ReadInteger(const std::string& name, int32_t& value) override {
        const auto it = values_.find(name);
        if (it == values_.end())
            return Read::Missing;
        if (!std::holds_alternative<int32_t>(it->second))
            return Read::WrongType;
        value = std::get<int32_t>(it->second);
        return Read::Ok;
    }
    Read ReadString(const std::string& name, std::string& value) override {
        const auto it = values_.find(name);
        if (it == values_.end())
            return Read::Missing;
        if (!std::holds_alternative<std::string>(it->second))
            return Read::WrongType;
        value = std::get<std::string>(it->second);
        return Read::Ok;
    }
    void WriteInteger(const std::string& name, int32_t value) override {
        values_[name] = value;
        written_ = true;
    }
    void WriteString(const std::string& name, const std::string& value) override {
        values_[name] = value;
        written_ = true;
    }
    std::string Close() override {
        if (!written_)
            return {};
        written_ = false;
        if (!store_.failWrites.empty())
            return store_.failWrites;
        store_.keys[program_] = values_;
        ++store_.writeCount;
        return {};
    }

private:
    MemorySettingsStore& store_;
    std::string program_;
    MemorySettingsStore::Values values_; // a working copy: a failed write keeps nothing
    bool written_ = false;
};

} // namespace

std::unique_ptr<SettingsKey> MemorySettingsStore::OpenKey(const std::string& program, bool create) {
    if (!create && !keys.contains(program))
        return nullptr;
    return std::make_unique<MemoryKey>(*this, program);
}

} // namespace vk
