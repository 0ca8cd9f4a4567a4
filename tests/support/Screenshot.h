#pragma once
#include <QDir>
#include <QWidget>

namespace vk::test {

// Keeps a picture for a human look when the build asks for screenshots.
inline void SaveScreenshot(QWidget* w, const char* name) {
    const QByteArray dir = qgetenv("VK_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    w->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name));
}

} // namespace vk::test
