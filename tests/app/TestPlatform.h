#pragma once
#include "app/FMain.h"
#include "app/Program.h"
#include "config/MemorySettingsStore.h"
#include "protocol/ScriptedFileChooser.h"
#include "serial/FakeComDevice.h"
#include "support/FakeSystem.h"
#include "support/ManualClock.h"
#include "support/RecordingShell.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
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
    // Empty sysfs, by-id and /proc: no adapter, no service, whatever runs on this machine.
    FakeSystem system;

    TFormMain::Options options(const std::string& executablePath) {
        TFormMain::Options o;
        o.executablePath = executablePath;
        o.dialogs = &dialogs;
        o.fileChooser = &chooser;
        o.comDriver = &driver;
        o.shell = &shell;
        o.settingsStore = &store;
        o.probePorts = [](const ComPortMap&) { return 0u; };
        o.systemRoots = system.roots;
        // A live server switched on by the settings never leaves the machine in a test.
        o.liveAddress = QStringLiteral("127.0.0.1");
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

    // A new test case: no scripted answers, file choices, shell requests or settings left.
    void reset() {
        dialogs = {};
        chooser = {};
        shell = {};
        store = {};
    }
};

// One program per test case, in a folder of its own, so backups and settings never leak
// between cases. The program goes before the folder and the platform it was given.
struct ProgramFixture {
    TestPlatform platform;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Program> program;
    ScriptedDialogs& dialogs = platform.dialogs;
    ScriptedFileChooser& chooser = platform.chooser;
    RecordingShell& shell = platform.shell;
    FakeComDriver& driver = platform.driver;

    std::string exe() const { return dir->filePath(QStringLiteral("Velkoran")).toStdString(); }
    TFormMain& start() {
        program = platform.start(exe());
        return program->main();
    }
    // For init(); false when there is no folder to run in.
    bool newCase() {
        program.reset();
        dir = std::make_unique<QTemporaryDir>();
        platform.reset();
        return dir->isValid();
    }
    // For cleanup().
    void endCase() {
        program.reset();
        dir.reset();
    }
};

} // namespace vk::test
