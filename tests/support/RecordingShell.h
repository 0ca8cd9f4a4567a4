#pragma once
#include "platform/Services.h"

#include <string>
#include <vector>

namespace vk::test {

// Records what the desktop was asked to open and print, and opens nothing; `opens` false
// plays a desktop that fails to start the application, `noApplicationFor` one that has no
// application for that type.
struct RecordingShell final : Shell {
    bool open(const std::string& target) override {
        opened.push_back(target);
        return opens;
    }
    void print(const std::string& page) override { printed.push_back(page); }
    std::string typeWithoutApplication(const std::string&) override { return noApplicationFor; }
    std::vector<std::string> opened, printed;
    bool opens = true;
    std::string noApplicationFor;
};

} // namespace vk::test
