// Processor use of a running race with the audience window up on a 3840 x 2160 screen, next
// to the same race without it. Runs offscreen on its own screen layout unless a platform is
// given (QT_QPA_PLATFORM, e.g. under xvfb-run with a 4K screen). Never opens a serial port.
// Usage: audience_bench [seconds per run, default 20]
#include "app/Program.h"
#include "app/TestPlatform.h"
#include "display/FMonitor2.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

using namespace vk;

namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// One race of `seconds`, the audience window shown or not; returns the share of one core.
double Run(Program& program, bool audience, int seconds) {
    TFormMain& w = program.main();
    TFormMonitor2& m = program.monitor();
    if (audience)
        m.show();
    else
        m.hide();
    QApplication::processEvents();
    w.race().mStart.click();
    const double cpu0 = CpuSeconds();
    QTimer::singleShot(seconds * 1000, [] { QCoreApplication::exit(0); });
    QApplication::exec();
    const double used = CpuSeconds() - cpu0;
    w.race().mStop1.click();
    w.race().mStop2.click();
    w.race().mResetClick();
    return used / seconds * 100;
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    QTemporaryDir dir;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        const QString screens = dir.filePath(QStringLiteral("screens.json"));
        FILE* f = std::fopen(screens.toLocal8Bit().constData(), "w");
        if (!f)
            return 1;
        std::fputs(R"({"screens": [{"name": "op", "x": 0, "y": 0, "width": 1024, "height": 768},
            {"name": "uhd", "x": 1024, "y": 0, "width": 3840, "height": 2160}]})",
                   f);
        std::fclose(f);
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.toLocal8Bit());
    }
    QApplication app(argc, argv);

    test::TestPlatform platform;
    Program program(platform.options(dir.filePath(QStringLiteral("AudienceBench")).toStdString()));
    const auto screens = QGuiApplication::screens();
    program.main().settings().MonitorIndex = static_cast<int>(screens.size()) - 1;
    program.main().show();

    const double without = Run(program, false, seconds);
    const double with = Run(program, true, seconds);
    const QSize size = program.monitor().size() * program.monitor().devicePixelRatioF();
    std::printf("platform %s, audience window %dx%d device pixels, %d s per race\n",
                qPrintable(QGuiApplication::platformName()), size.width(), size.height(), seconds);
    std::printf("race without the audience window   %5.1f %% of one core\n", without);
    std::printf("race with the audience window      %5.1f %% of one core (goal < 10 %%)\n", with);
    return 0;
}
