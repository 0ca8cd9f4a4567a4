#pragma once
#include <string>

namespace vk {

// Where the program's own files lie, derived once from the executable's path.
// Folders are returned with a trailing '/', so a file name can be appended directly
// (folder() + title() + "-Sicherungsdatei.txt").
//
// Sounds and help page lie beside the program (a build tree, a copied folder) or, for a
// program installed as <prefix>/bin/X, in <prefix>/share/velkoran/.
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

    // True when the program lies in a bin/ folder beside share/velkoran/.
    bool installed() const { return !shareFolder_.empty(); }
    // <prefix>/share/velkoran/ of an installed program, else empty.
    const std::string& shareFolder() const { return shareFolder_; }

    // title + "-Hilfe.html" beside the program or, failing that, in the share folder; the
    // path beside the program when neither exists.
    std::string helpPage() const;
    // "start.wav" / "stopp.wav" beside the program or in the share folder, or empty when
    // there is no such file.
    const std::string& startSound() const { return startSound_; }
    const std::string& stopSound() const { return stopSound_; }

    // The per-user folder for files that cannot go beside the program:
    // $XDG_DATA_HOME (or ~/.local/share) + "/Quorvane/" + title + "/".
    std::string userDataFolder() const;
    // The program folder when it is writable and not an installed bin/ folder, else the
    // per-user folder, created if needed.
    std::string dataFolder() const;

    // The rule of userDataFolder with the environment passed in (null or empty = unset).
    // Empty result when neither gives an absolute folder.
    static std::string UserDataFolder(const std::string& title, const char* xdgDataHome,
                                      const char* home);

private:
    std::string lookUp(const std::string& name) const;

    std::string executable_;
    std::string title_;
    std::string folder_;
    std::string shareFolder_;
    std::string startSound_;
    std::string stopSound_;
};

// True when a file can be created in the folder (tried, not guessed from mode bits).
bool IsWritableFolder(const std::string& folder);

} // namespace vk
