#include "app/Program.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vk::Program program({});
    program.main().show();
    return app.exec();
}
