#include "platform/ProgramPaths.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vk {

namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// <prefix>/share/velkoran/ for a program folder <prefix>/bin/, when that folder exists.
std::string ShareFolderOf(const std::string& programFolder) {
    const fs::path bin = fs::path(programFolder).parent_path();
    if (bin.filename() != "bin")
        return {};
    const fs::path share = bin.parent_path() / "share" / "velkoran";
    std::error_code ec;
    return fs::is_directory(share, ec) ? WithSlash(share.lexically_normal().string())
                                       : std::string();
}

} // namespace

std::string ProgramPaths::lookUp(const std::string& name) const {
    if (IsFile(folder_ + name))
        return folder_ + name;
    if (!shareFolder_.empty() && IsFile(shareFolder_ + name))
        return shareFolder_ + name;
    return {};
}

ProgramPaths::ProgramPaths(const std::string& executablePath) : executable_(executablePath) {
    const fs::path p(executablePath);
    // stem() keeps a leading dot: ".velkoran" is a name, not an extension.
    title_ = p.stem().string();
    std::string parent = p.parent_path().string();
    if (parent.empty())
        parent = p.has_root_directory() ? "/" : ".";
    folder_ = WithSlash(parent);
    shareFolder_ = ShareFolderOf(folder_);
    startSound_ = lookUp("start.wav");
    stopSound_ = lookUp("stopp.wav");
}

std::string ProgramPaths::RunningExecutable() {
    std::error_code ec;
    const fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

std::string ProgramPaths::helpPage() const {
    const std::string found = lookUp(title_ + "-Hilfe.html");
    return found.empty() ? folder_ + title_ + "-Hilfe.html" : found;
}

std::string ProgramPaths::UserDataFolder(const std::string& title, const char* xdgDataHome,
                                         const char* home) {
    std::string base;
    // A relative XDG_DATA_HOME is invalid and must be ignored.
    if (xdgDataHome && xdgDataHome[0] == '/')
        base = xdgDataHome;
    else if (home && home[0] == '/')
        base = WithSlash(home) + ".local/share";
    else
        return {};
    return WithSlash(base) + "Quorvane/" + title + "/";
}

std::string ProgramPaths::userDataFolder() const {
    return UserDataFolder(title_, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

std::string ProgramPaths::dataFolder() const {
    // An installed program keeps its data per user even where root could write into bin/.
    if (!installed() && IsWritableFolder(folder_))
        return folder_;
    const std::string user = userDataFolder();
    if (user.empty())
        return folder_;
    std::error_code ec;
    fs::create_directories(user, ec);
    return user;
}

bool IsWritableFolder(const std::string& folder) {
    if (folder.empty())
        return false;
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return false;
    const std::string base = WithSlash(folder) + ".vk-write-probe-" + std::to_string(getpid());
    for (int i = 0; i < 100; ++i) {
        const std::string probe = base + "-" + std::to_string(i);
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            ::unlink(probe.c_str());
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

} // namespace vk
