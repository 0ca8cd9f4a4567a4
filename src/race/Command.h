#pragma once
#include <functional>
#include <string>

namespace vk {

// A hidden menu command. Its enabled flag is the state of the run cycle: every start or stop,
// whatever its source, is a click of the command, and a disabled command does nothing.
class Command {
public:
    Command(std::string caption, int tag = 0) : caption_(std::move(caption)), tag_(tag) {}
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    bool enabled() const { return enabled_; }
    void setEnabled(bool on) { enabled_ = on; }
    void click() {
        if (enabled_ && action)
            action();
    }
    const std::string& caption() const { return caption_; }
    int tag() const { return tag_; }

    std::function<void()> action;

private:
    std::string caption_;
    int tag_;
    bool enabled_ = false;
};

} // namespace vk
