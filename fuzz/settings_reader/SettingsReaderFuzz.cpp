// The settings file as the program reads it at start-up, fed whatever a file can hold: reading
// must neither crash nor leak, no value outside its range survives, and what we write from the
// result reads back as the same settings.
#include "config/QtSettingsStore.h"
#include "config/SettingsIo.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

QTemporaryDir& home() {
    static QTemporaryDir dir;
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    check(home().isValid());
    qputenv("XDG_CONFIG_HOME", home().path().toLocal8Bit());
    check(QDir().mkpath(home().filePath(QStringLiteral("Quorvane"))));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vk;
    {
        QFile f(home().filePath(QStringLiteral("Quorvane/Velkoran.conf")));
        check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    QtSettingsStore store;
    const SettingsContext screens{{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}}, 16};
    Settings s;
    const auto problems = LoadSettings(store, "Velkoran", s, screens);
    check(ValuesOutsideTheirRange(s, screens).empty());
    // The faults a damaged file once caused, checked on their own.
    check(s.MonitorIndex >= 0 && s.MonitorIndex < 2);
    check(s.WaitStart > 0 && s.WaitStart <= 600000);
    check(s.Port <= 16 && (s.Alg == 0 || s.Alg == 1));
    check(s.width <= 3200 && s.height <= 1080);
    check(s.Length == 0 || (s.Length >= 100 && s.Length <= 999000));
    for (size_t i = 0; i < problems.size(); ++i) // each value named once
        for (size_t j = i + 1; j < problems.size(); ++j)
            check(problems[i].name != problems[j].name);

    s.applyStartupDefaults(); // as the program has it when it writes
    // What we write reads back unchanged (the round trip goes through a file of our own).
    check(SaveSettings(store, "Vk2", s).empty());
    Settings again;
    again.Length = -1; // overwritten by the reading, or the round trip fails
    check(LoadSettings(store, "Vk2", again, screens).empty());
    // A window position never stored is written as 0.
    Settings expected = s;
    expected.left = s.left.value_or(0);
    expected.top = s.top.value_or(0);
    check(again == expected);
    return 0;
}
