#pragma once
#include "platform/Services.h"

#include <string>
#include <vector>

namespace vk::test {

// Records what the desktop was asked to open and print, and opens nothing; `opens` false
// plays a desktop with no application for it.
struct RecordingShell final : Shell {
    bool open(const std::string& target) override {
        opened.push_back(target);
        return opens;
    }
    void print(const std::string& page) override { printed.push_back(page); }
    std::vector<std::string> opened, printed;
    bool opens = true;
};

} // namespace vk::test
