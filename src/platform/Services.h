#pragma once
#include <string>

namespace vk {

// Plays a sound file asynchronously; a new sound cuts the one playing.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    virtual void play(const std::string& path) = 0;
};

// Modal questions and reports to the operator.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // True only for the "Ja" answer.
    virtual bool askYesNo(const std::string& message) = 0;
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
};

} // namespace vk
