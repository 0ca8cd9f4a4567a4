#include "config/QtSettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <charconv>
#include <cstdint>
#include <sys/stat.h>

namespace vk {

namespace {

class QtSettingsKey final : public SettingsKey {
public:
    explicit QtSettingsKey(const QString& path) : settings_(path, QSettings::IniFormat) {
        settings_.setAtomicSyncRequired(true);
    }

    Read ReadInteger(const std::string& name, int32_t& value) override {
        const QString key = QString::fromStdString(name);
        if (!settings_.contains(key))
            return Read::Missing;
        const QVariant v = settings_.value(key);
        int64_t n = 0;
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong: // values this process wrote are still cached as numbers
            n = v.toLongLong();
            break;
        case QMetaType::QString: {
            // The file holds text: a whole number, nothing else, counts.
            const std::string text = v.toString().trimmed().toStdString();
            const char* first = text.data();
            const char* last = first + text.size();
            const auto r = std::from_chars(first, last, n);
            if (text.empty() || r.ec != std::errc() || r.ptr != last)
                return Read::WrongType;
            break;
        }
        default:
            return Read::WrongType;
        }
        if (n < INT32_MIN || n > INT32_MAX)
            return Read::WrongType;
        value = static_cast<int32_t>(n);
        return Read::Ok;
    }

    Read ReadString(const std::string& name, std::string& value) override {
        const QString key = QString::fromStdString(name);
        if (!settings_.contains(key))
            return Read::Missing;
        const QVariant v = settings_.value(key);
        // A text with commas that Qt did not write itself reads as a list.
        if (v.typeId() == QMetaType::QStringList)
            value = v.toStringList().join(QStringLiteral(", ")).toStdString();
        else if (v.typeId() == QMetaType::QString)
            value = v.toString().toStdString();
        else
            return Read::WrongType;
        return Read::Ok;
    }

    void WriteInteger(const std::string& name, int32_t value) override {
        settings_.setValue(QString::fromStdString(name), value);
    }

    void WriteString(const std::string& name, const std::string& value) override {
        settings_.setValue(QString::fromStdString(name), QString::fromStdString(value));
    }

    std::string Close() override {
        settings_.sync();
        if (settings_.status() == QSettings::NoError)
            return {};
        return "Die Datei " + settings_.fileName().toStdString() + " lässt sich nicht schreiben";
    }

private:
    QSettings settings_;
};

QString FileOf(const std::string& program) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quorvane/") + QString::fromStdString(program) + QStringLiteral(".conf");
}

} // namespace

std::unique_ptr<SettingsKey> QtSettingsStore::OpenKey(const std::string& program, bool create) {
    const QString path = FileOf(program);
    const QFileInfo info(path);
    // QSettings reads the file before it writes it: only a regular file (or none) is safe.
    if (Unusable(program))
        return nullptr;
    if (create ? !QDir().mkpath(info.absolutePath()) : !info.isFile())
        return nullptr;
    return std::make_unique<QtSettingsKey>(path);
}

bool QtSettingsStore::Unusable(const std::string& program) const {
    // stat opens nothing, so neither a pipe nor a device can hold the program here.
    struct stat st {};
    if (::stat(FileOf(program).toLocal8Bit().constData(), &st) != 0)
        return false; // no file yet, or a folder we cannot see into: the open reports it
    return !S_ISREG(st.st_mode);
}

std::string QtSettingsStore::Location(const std::string& program) const {
    return FileOf(program).toStdString();
}

} // namespace vk
