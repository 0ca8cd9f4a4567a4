#include "platform/ProgramPaths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using vk::IsWritableFolder;
using vk::ProgramPaths;

namespace {

class TempFolder {
public:
    TempFolder() {
        std::string tmpl = (fs::temp_directory_path() / "vk-paths-XXXXXX").string();
        path_ = mkdtemp(tmpl.data());
    }
    ~TempFolder() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    // With trailing slash, as ProgramPaths reports folders.
    std::string dir() const { return path_.string() + "/"; }
    std::string file(const std::string& name, const std::string& content = "x") const {
        const std::string p = dir() + name;
        std::ofstream(p) << content;
        return p;
    }

private:
    fs::path path_;
};

// Restores an environment variable when the test ends.
class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) {
            had_ = true;
            old_ = v;
        }
    }
    ~EnvGuard() {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

} // namespace

TEST(ProgramPaths, TitleIsFileNameWithoutFolderAndExtension) {
    EXPECT_EQ(ProgramPaths("/opt/vk/Velkoran").title(), "Velkoran");
    EXPECT_EQ(ProgramPaths("/opt/vk/Velkoran.exe").title(), "Velkoran");
    // Only the last extension goes.
    EXPECT_EQ(ProgramPaths("/opt/vk/Rennen.2024.bin").title(), "Rennen.2024");
    // A dot in a folder name is not an extension of the file.
    EXPECT_EQ(ProgramPaths("/opt/vk.d/Velkoran").title(), "Velkoran");
    // A copy under another name has its own title (own settings key and backup file).
    EXPECT_EQ(ProgramPaths("/opt/vk/Strecke2").title(), "Strecke2");
    EXPECT_EQ(ProgramPaths("/opt/vk/.velkoran").title(), ".velkoran");
}

TEST(ProgramPaths, FolderKeepsTrailingSlashForAppending) {
    EXPECT_EQ(ProgramPaths("/opt/vk/Velkoran").folder(), "/opt/vk/");
    EXPECT_EQ(ProgramPaths("/Velkoran").folder(), "/");
    EXPECT_EQ(ProgramPaths("Velkoran").folder(), "./");
    EXPECT_EQ(ProgramPaths("/opt/vk/Velkoran").helpPage(), "/opt/vk/Velkoran-Hilfe.html");
    EXPECT_EQ(ProgramPaths("/opt/vk/Strecke2.exe").helpPage(), "/opt/vk/Strecke2-Hilfe.html");
}

TEST(ProgramPaths, SoundPathsOnlyForExistingFiles) {
    TempFolder t;
    const std::string exe = t.file("Velkoran");
    {
        ProgramPaths none(exe);
        EXPECT_EQ(none.startSound(), "");
        EXPECT_EQ(none.stopSound(), "");
    }
    t.file("stopp.wav");
    {
        ProgramPaths onlyStop(exe);
        EXPECT_EQ(onlyStop.startSound(), "");
        EXPECT_EQ(onlyStop.stopSound(), t.dir() + "stopp.wav");
    }
    t.file("start.wav");
    // A folder of that name is not a sound file.
    fs::remove(t.dir() + "stopp.wav");
    fs::create_directory(t.dir() + "stopp.wav");
    ProgramPaths both(exe);
    EXPECT_EQ(both.startSound(), t.dir() + "start.wav");
    EXPECT_EQ(both.stopSound(), "");
}

TEST(ProgramPaths, SoundPathsAreFixedAtConstruction) {
    TempFolder t;
    const std::string exe = t.file("Velkoran");
    ProgramPaths p(exe);
    t.file("start.wav");
    EXPECT_EQ(p.startSound(), "");
}

TEST(ProgramPaths, UserDataFolderRule) {
    EXPECT_EQ(ProgramPaths::UserDataFolder("Velkoran", "/x/data", "/home/u"),
              "/x/data/Quorvane/Velkoran/");
    EXPECT_EQ(ProgramPaths::UserDataFolder("Velkoran", "/x/data/", "/home/u"),
              "/x/data/Quorvane/Velkoran/");
    // Unset, empty or relative XDG_DATA_HOME falls back to HOME.
    EXPECT_EQ(ProgramPaths::UserDataFolder("Velkoran", nullptr, "/home/u"),
              "/home/u/.local/share/Quorvane/Velkoran/");
    EXPECT_EQ(ProgramPaths::UserDataFolder("Velkoran", "", "/home/u/"),
              "/home/u/.local/share/Quorvane/Velkoran/");
    EXPECT_EQ(ProgramPaths::UserDataFolder("Velkoran", "rel/data", "/home/u"),
              "/home/u/.local/share/Quorvane/Velkoran/");
    EXPECT_EQ(ProgramPaths::UserDataFolder("Velkoran", nullptr, nullptr), "");
    EXPECT_EQ(ProgramPaths::UserDataFolder("Velkoran", nullptr, "relative"), "");
}

TEST(ProgramPaths, UserDataFolderReadsEnvironment) {
    EnvGuard xdg("XDG_DATA_HOME");
    setenv("XDG_DATA_HOME", "/srv/xdg", 1);
    EXPECT_EQ(ProgramPaths("/opt/vk/Strecke2").userDataFolder(), "/srv/xdg/Quorvane/Strecke2/");
}

TEST(WritableFolder, ProbeCreatesAndRemovesNothingVisible) {
    TempFolder t;
    EXPECT_TRUE(IsWritableFolder(t.dir()));
    EXPECT_TRUE(IsWritableFolder(t.dir().substr(0, t.dir().size() - 1)));
    EXPECT_TRUE(fs::is_empty(t.dir()));
    EXPECT_FALSE(IsWritableFolder(t.dir() + "missing/"));
    EXPECT_FALSE(IsWritableFolder(t.file("plain")));
    EXPECT_FALSE(IsWritableFolder(""));
}

TEST(WritableFolder, ReadOnlyFolderIsNotWritable) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    TempFolder t;
    fs::permissions(t.dir(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(IsWritableFolder(t.dir()));
}

TEST(ProgramPaths, DataFolderIsProgramFolderWhenWritable) {
    TempFolder t;
    ProgramPaths p(t.file("Velkoran"));
    EXPECT_EQ(p.dataFolder(), t.dir());
}

TEST(ProgramPaths, DataFolderFallsBackToCreatedUserFolder) {
    TempFolder t;
    EnvGuard xdg("XDG_DATA_HOME");
    setenv("XDG_DATA_HOME", (t.dir() + "xdg").c_str(), 1);
    // A program folder that cannot take files (here: does not exist) sends data to the user.
    ProgramPaths p(t.dir() + "gone/Velkoran");
    const std::string expected = t.dir() + "xdg/Quorvane/Velkoran/";
    EXPECT_EQ(p.dataFolder(), expected);
    EXPECT_TRUE(fs::is_directory(expected));
    EXPECT_TRUE(IsWritableFolder(expected));
}

TEST(ProgramPaths, InstalledProgramFindsItsFilesInShareAndKeepsDataPerUser) {
    TempFolder t;
    EnvGuard xdg("XDG_DATA_HOME");
    setenv("XDG_DATA_HOME", (t.dir() + "xdg").c_str(), 1);
    fs::create_directories(t.dir() + "usr/bin");
    fs::create_directories(t.dir() + "usr/share/velkoran");
    const std::string exe = t.file("usr/bin/Velkoran");
    const std::string share = t.dir() + "usr/share/velkoran/";
    {
        // Nothing installed yet: the help page is looked for beside the program.
        ProgramPaths p(exe);
        EXPECT_TRUE(p.installed());
        EXPECT_EQ(p.shareFolder(), share);
        EXPECT_EQ(p.startSound(), "");
        EXPECT_EQ(p.helpPage(), t.dir() + "usr/bin/Velkoran-Hilfe.html");
    }
    t.file("usr/share/velkoran/start.wav");
    t.file("usr/share/velkoran/stopp.wav");
    t.file("usr/share/velkoran/Velkoran-Hilfe.html");
    t.file("usr/bin/stopp.wav"); // a file beside the program wins
    ProgramPaths p(exe);
    EXPECT_EQ(p.startSound(), share + "start.wav");
    EXPECT_EQ(p.stopSound(), t.dir() + "usr/bin/stopp.wav");
    EXPECT_EQ(p.helpPage(), share + "Velkoran-Hilfe.html");
    // The help page follows the program's name.
    EXPECT_EQ(ProgramPaths(t.file("usr/bin/Strecke2")).helpPage(),
              t.dir() + "usr/bin/Strecke2-Hilfe.html");
    // bin/ is writable here (and for root anywhere), yet data goes to the user's folder.
    EXPECT_EQ(p.dataFolder(), t.dir() + "xdg/Quorvane/Velkoran/");

    // Not a bin/ folder, or no share/velkoran beside it: not installed.
    EXPECT_FALSE(ProgramPaths(t.file("usr/Velkoran")).installed());
    fs::create_directories(t.dir() + "opt/bin");
    EXPECT_FALSE(ProgramPaths(t.file("opt/bin/Velkoran")).installed());
    EXPECT_EQ(ProgramPaths(t.file("opt/bin/Velkoran")).dataFolder(), t.dir() + "opt/bin/");
}
