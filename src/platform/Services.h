#pragma once
#include <string>

namespace vk {

// Plays a sound file asynchronously; a new sound cuts the one playing.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    virtual void play(const std::string& path) = 0;
};

// The answer Enter gives to a question: the button that has the focus when it opens.
enum class Preset { Ja, Nein };

// Modal questions and reports to the operator.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // True only for the "Ja" answer.
    virtual bool askYesNo(const std::string& message) = 0;
    // The same question with `preset` focused. A question whose "Ja" destroys something
    // presets "Nein", so an Enter meant for the table keeps the data.
    virtual bool ask(const std::string& message, Preset preset) {
        (void)preset;
        return askYesNo(message);
    }
    // The application's general error report.
    virtual void errorReport(const std::string& message) = 0;
    virtual void information(const std::string& message) = 0;
};

} // namespace vk

namespace vk {

// Hands a file or an address to the desktop: the default application opens it; a web page
// is printed (the print dialog asks for the printer).
class Shell {
public:
    virtual ~Shell() = default;
    // False when no application could be started for it.
    virtual bool open(const std::string& pathOrUrl) = 0;
    virtual void print(const std::string& pagePath) = 0;
    // The file's type when the desktop names no application for it ("text/html"); empty when
    // it has one or cannot tell.
    virtual std::string typeWithoutApplication(const std::string& path) {
        (void)path;
        return {};
    }
};

// What handing a file to the desktop came to: whether it was opened, and the status-bar line
// that says so ("Seite geöffnet: /pfad/Velkoran-Protokoll.html"), or that the desktop has no
// application for its type and where the file lies. The line is empty when the desktop
// refused the file; the caller reports that.
struct HandOver {
    bool opened = false;
    std::string status;
};
// `what` names the file for the operator: "Seite", "Tabelle", "Hilfe".
HandOver OpenWithDesktop(Shell& shell, const std::string& what, const std::string& path);

} // namespace vk
