#pragma once
#include "app/FMain.h"
#include "config/MemorySettingsStore.h"
#include "protocol/ScriptedFileChooser.h"
#include "serial/FakeComDevice.h"
#include "support/ManualClock.h"

namespace vk::test {

// What a test or a benchmark puts in place of the platform when it starts the program:
// scripted answers and file choices, the fake serial driver (never a real port), and a
// shell that opens nothing, settings kept in memory and no port probed.
struct TestPlatform {
    struct NoShell final : Shell {
        void open(const std::string&) override {}
        void print(const std::string&) override {}
    };
    ScriptedDialogs dialogs;
    ScriptedFileChooser chooser;
    FakeComDriver driver;
    NoShell shell;
    MemorySettingsStore store;

    TFormMain::Options options(const std::string& executablePath) {
        TFormMain::Options o;
        o.executablePath = executablePath;
        o.dialogs = &dialogs;
        o.fileChooser = &chooser;
        o.comDriver = &driver;
        o.shell = &shell;
        o.settingsStore = &store;
        o.probePorts = [](const ComPortMap&) { return 0u; };
        return o;
    }
};

} // namespace vk::test
