#include "app/QtPlatform.h"

#include "app/DlgYesNo.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

namespace vk {

namespace {

class QtTimer final : public Timer {
public:
    QtTimer() {
        timer_->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer_, &QTimer::timeout, timer_, [this] { fire(); });
    }

    ~QtTimer() override {
        *alive_ = false;
        timer_->stop();
        timer_->disconnect();
        // A handler may destroy its own timer; the QTimer is still inside its signal then.
        if (depth_ > 0)
            timer_->deleteLater();
        else
            delete timer_;
    }

    void setInterval(int ms) override {
        if (ms == interval_)
            return;
        interval_ = ms;
        apply();
    }
    int interval() const override { return interval_; }

    void setEnabled(bool on) override {
        if (on == enabled_)
            return;
        enabled_ = on;
        apply();
    }
    bool enabled() const override { return enabled_; }

private:
    // The QTimer runs exactly while enabled with a positive interval; each change starts a
    // new count from now.
    void apply() {
        if (enabled_ && interval_ > 0)
            timer_->start(interval_);
        else
            timer_->stop();
    }

    void fire() {
        if (!onTimer)
            return;
        // The handler may reassign onTimer or destroy this object (even from a nested event
        // loop): call a copy and touch members afterwards only while we still exist.
        const auto handler = onTimer;
        const auto alive = alive_;
        ++depth_;
        handler();
        if (*alive)
            --depth_;
    }

    QTimer* timer_ = new QTimer;
    int interval_ = 1000;
    bool enabled_ = false;
    int depth_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace

std::unique_ptr<Timer> QtTimerFactory::createTimer() {
    return std::make_unique<QtTimer>();
}

QtSoundOutput::QtSoundOutput() = default;

QtSoundOutput::~QtSoundOutput() = default;

void QtSoundOutput::play(const std::string& path) {
    lastPath_ = path;
    stop();
    if (path.empty())
        return;
    auto& effect = effects_[path];
    if (!effect) {
        effect = std::make_unique<QSoundEffect>();
        effect->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
    }
    current_ = effect.get();
    // Plays at once when loaded, otherwise as soon as loading ends; a missing device or an
    // unreadable file ends in Qt's warning only.
    current_->play();
}

void QtSoundOutput::stop() {
    if (current_)
        current_->stop();
    current_ = nullptr;
}

QtDialogs::QtDialogs(const QString& applicationTitle) : title_(applicationTitle) {}

void QtDialogs::setYesNoDialog(TFDlgYesNo* dialog) {
    yesNo_ = dialog;
}

void QtDialogs::setParentWidget(QWidget* parent) {
    parent_ = parent;
}

bool QtDialogs::askYesNo(const std::string& message) {
    return ask(message, Preset::Ja);
}

bool QtDialogs::ask(const std::string& message, Preset preset) {
    const QString text = QString::fromStdString(message);
    const bool yes = preset == Preset::Ja;
    if (yesNo_)
        return yesNo_->ask(text, yes);
    TFDlgYesNo dialog(title_, parent_);
    return dialog.ask(text, yes);
}

void QtDialogs::errorReport(const std::string& message) {
    QMessageBox::critical(parent_, title_, QString::fromStdString(message));
}

void QtDialogs::information(const std::string& message) {
    QMessageBox::information(parent_, title_, QString::fromStdString(message));
}

bool ShowHelpPage(const std::string& path, Shell& shell, Dialogs* report,
                  const std::function<void(const std::string&)>& status) {
    HandOver h;
    if (QFileInfo(QString::fromStdString(path)).isFile())
        h = OpenWithDesktop(shell, "Hilfe", path);
    if (!h.status.empty() && status)
        status(h.status);
    if (h.status.empty() && report)
        report->errorReport("Die Hilfedatei kann nicht geöffnet werden: " + path);
    return h.opened;
}

std::string DesktopTypeWithoutApplication(const std::string& path) {
    const QString type = QMimeDatabase().mimeTypeForFile(QString::fromStdString(path)).name();
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), type});
    // A desktop that cannot answer is trusted to open the file.
    if (!query.waitForFinished(3000) || query.exitStatus() != QProcess::NormalExit ||
        query.exitCode() != 0) {
        query.kill();
        return {};
    }
    return query.readAllStandardOutput().trimmed().isEmpty() ? type.toStdString() : std::string();
}

QString InfoText(const QString& applicationTitle) {
    return QStringLiteral("%1 v 0.5\n\n"
                          "Zeitnahme für Zwei-Bahn-Beschleunigungsrennen: Startkontakt der "
                          "Ampel und je vier Lichtschranken pro Bahn an einer seriellen "
                          "Schnittstelle, Reaktions-, Zwischen-, Fahr- und Gesamtzeit sowie "
                          "Geschwindigkeit, Zeitenprotokoll mit Sicherung.\n\n"
                          "Hilfe mit F1.\n\n"
                          "© Quorvane")
        .arg(applicationTitle);
}

} // namespace vk
