#pragma once
#include <string>

namespace vk {

// Where the program's own files lie, derived once from the executable's path.
// Folders are returned with a trailing '/', so a file name can be appended directly
// (folder() + title() + "-Sicherungsdatei.txt").
class ProgramPaths {
public:
    // Looks at the file system once: the sound paths are fixed at construction.
    explicit ProgramPaths(const std::string& executablePath);

    // Full path of the running program (/proc/self/exe); empty if it cannot be read.
    static std::string RunningExecutable();

    const std::string& executable() const { return executable_; }
    // File name without folder and extension ("/opt/vk/Velkoran.bin" -> "Velkoran").
    const std::string& title() const { return title_; }
    const std::string& folder() const { return folder_; }

    // folder + title + "-Hilfe.html" (whether it exists or not).
    std::string helpPage() const;
    // folder + "start.wav" / "stopp.wav", or empty when that file does not exist.
    const std::string& startSound() const { return startSound_; }
    const std::string& stopSound() const { return stopSound_; }

    // The per-user folder for files that cannot go beside the program:
    // $XDG_DATA_HOME (or ~/.local/share) + "/Quorvane/" + title + "/".
    std::string userDataFolder() const;
    // The program folder when it is writable, else the per-user folder, created if needed.
    std::string dataFolder() const;

    // The rule of userDataFolder with the environment passed in (null or empty = unset).
    // Empty result when neither gives an absolute folder.
    static std::string UserDataFolder(const std::string& title, const char* xdgDataHome,
                                      const char* home);

private:
    std::string executable_;
    std::string title_;
    std::string folder_;
    std::string startSound_;
    std::string stopSound_;
};

// True when a file can be created in the folder (tried, not guessed from mode bits).
bool IsWritableFolder(const std::string& folder);

} // namespace vk
