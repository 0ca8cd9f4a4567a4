#pragma once
#include "platform/Services.h"
#include "platform/Timer.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>

class TFDlgYesNo;
class QSoundEffect;

namespace vk {

// Timers on QTimer; create and use them on the ui thread.
class QtTimerFactory final : public TimerFactory {
public:
    std::unique_ptr<Timer> createTimer() override;
};

// Plays WAV files through QSoundEffect, one loaded effect per file so a repeated sound starts
// at once. Without a sound device Qt only warns; nothing here blocks or throws. An empty path
// plays nothing. Create it after the QApplication.
class QtSoundOutput final : public SoundOutput {
public:
    QtSoundOutput();
    ~QtSoundOutput() override;
    void play(const std::string& path) override;
    // Stops whatever is playing.
    void stop();
    // The path last handed to play() (empty before the first).
    const std::string& lastPath() const { return lastPath_; }

private:
    std::map<std::string, std::unique_ptr<QSoundEffect>> effects_;
    QSoundEffect* current_ = nullptr;
    std::string lastPath_;
};

// Questions through TFDlgYesNo, reports through QMessageBox, both captioned with the
// application title.
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(const QString& applicationTitle);

    // The dialog askYesNo shows; without one a temporary TFDlgYesNo is used.
    void setYesNoDialog(TFDlgYesNo* dialog);
    // Parent of the message boxes (the main window).
    void setParentWidget(QWidget* parent);

    bool askYesNo(const std::string& message) override;
    bool ask(const std::string& message, Preset preset) override;
    void errorReport(const std::string& message) override;
    void information(const std::string& message) override;

private:
    QString title_;
    QPointer<TFDlgYesNo> yesNo_;
    QPointer<QWidget> parent_;
};

// Hands the help page to the desktop. A missing page, or one no program would open, is
// reported through `report` (when given) with the path, like a help viewer would; `status`
// gets the line that says where the page went, or that the desktop has no program for it.
// Returns whether the page was handed over.
bool ShowHelpPage(const std::string& path, Shell& shell, Dialogs* report,
                  const std::function<void(const std::string&)>& status = {});

// The MIME type of a file when `xdg-mime query default` names no application for it; empty
// when one is set or xdg-mime cannot tell.
std::string DesktopTypeWithoutApplication(const std::string& path);

// The notice bInfoClick shows (German).
QString InfoText(const QString& applicationTitle);

} // namespace vk
