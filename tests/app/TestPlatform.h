#pragma once
#include "app/FMain.h"
#include "protocol/ScriptedFileChooser.h"
#include "serial/FakeComDevice.h"
#include "support/ManualClock.h"

namespace vk::test {

// What a test or a benchmark puts in place of the platform when it starts the program:
// scripted answers and file choices, the fake serial driver (never a real port), and a
// shell that opens nothing.
struct TestPlatform {
    struct NoShell final : Shell {
        void open(const std::string&) override {}
    };
    ScriptedDialogs dialogs;
    ScriptedFileChooser chooser;
    FakeComDriver driver;
    NoShell shell;

    TFormMain::Options options(const std::string& executablePath) {
        TFormMain::Options o;
        o.executablePath = executablePath;
        o.dialogs = &dialogs;
        o.fileChooser = &chooser;
        o.comDriver = &driver;
        o.shell = &shell;
        return o;
    }
};

} // namespace vk::test
