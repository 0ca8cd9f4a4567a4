#include "app/Program.h"
#include "app/ProtocolBinder.h"
#include "app/QtTranslation.h"
#include "app/SignalShutdown.h"
#include "app/SingleInstance.h"
#include "platform/ProgramPaths.h"

#include <QApplication>
#include <QLocale>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vk::LoadQtTranslation(app, QLocale(QLocale::system().uiLanguages().value(0)));

    // A second program on the same backup would overwrite this one's results.
    const vk::ProgramPaths paths(vk::ProgramPaths::RunningExecutable());
    const QString backup = QString::fromStdString(vk::BackupLocationOf(paths).writePath);
    vk::SingleInstance single(backup);
    if (!single.acquire()) {
        std::fprintf(stderr,
                     "%s läuft schon mit der Sicherungsdatei %s; das Fenster wird nach "
                     "vorn geholt.\n",
                     paths.title().c_str(), qPrintable(backup));
        return 0;
    }

    vk::SignalShutdown orderlyOnSignal; // SIGTERM, SIGHUP, SIGINT: backup, settings, port
    vk::Program program({});
    QObject::connect(&single, &vk::SingleInstance::raiseRequested, &program.main(),
                     [&program] { vk::BringToFront(program.main()); });
    program.main().show();
    return app.exec();
}
