#pragma once
#include "app/FMain.h"
#include "app/Program.h"
#include "config/MemorySettingsStore.h"
#include "protocol/ScriptedFileChooser.h"
#include "serial/FakeComDevice.h"
#include "support/ManualClock.h"
#include "support/RecordingShell.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <memory>

namespace vk::test {

// What a test or a benchmark puts in place of the platform when it starts the program:
// scripted answers and file choices, the fake serial driver (never a real port), and a
// shell that opens nothing, settings kept in memory and no port probed.
struct TestPlatform {
    ScriptedDialogs dialogs;
    ScriptedFileChooser chooser;
    FakeComDriver driver;
    RecordingShell shell;
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

    // The program's windows with the main window shown and active.
    std::unique_ptr<Program> start(const std::string& executablePath) {
        auto program = std::make_unique<Program>(options(executablePath));
        program->main().show();
        program->main().activateWindow();
        for (QDeadlineTimer t(5000); !program->main().isActiveWindow() && !t.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return program;
    }
};

} // namespace vk::test
