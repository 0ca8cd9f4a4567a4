#include "app/Program.h"
#include "app/SignalShutdown.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vk::SignalShutdown orderlyOnSignal; // SIGTERM, SIGHUP, SIGINT: backup, settings, port
    vk::Program program({});
    program.main().show();
    return app.exec();
}
