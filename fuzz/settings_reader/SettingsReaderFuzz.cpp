// The settings file as the program reads it at start-up, fed whatever a file can hold: reading
// must neither crash nor leak, every value ends within its holder's range, and what we write
// from the result reads back as the same settings.
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
    Settings s;
    LoadSettings(store, "Velkoran", s, 2);
    check(s.MonitorIndex >= 0 && s.MonitorIndex < 2);
    check(s.WaitStart > 0);

    // What we write reads back unchanged (the round trip goes through a file of our own).
    check(SaveSettings(store, "Vk2", s).empty());
    Settings again;
    again.Length = -1; // overwritten by the reading, or the round trip fails
    LoadSettings(store, "Vk2", again, 2);
    // A window position never stored is written as 0.
    Settings expected = s;
    expected.left = s.left.value_or(0);
    expected.top = s.top.value_or(0);
    check(again == expected);
    return 0;
}
