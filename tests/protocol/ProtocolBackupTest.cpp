#include "protocol/ProtocolBackup.h"

#include "ProtocolFiles.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <future>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vk {

namespace {

std::chrono::system_clock::time_point fixedNow() {
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = 9;
    tm.tm_hour = 6;
    tm.tm_min = 15;
    tm.tm_sec = 30;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

struct Session {
    test::PostQueue posted; // outlives the writer, whose last results land here
    CellTable table;
    test::ScriptedDialogs dialogs;
    Protocol protocol{table, dialogs};
    std::unique_ptr<BackupWriter> backup;
    std::vector<std::string> status, warnings;
    std::vector<bool> buttons;

    Session(test::ManualClock& clock, const std::string& path, FileIo* io = nullptr) {
        if (io)
            protocol.setFileIo(*io);
        protocol.onStatusText = [this](const std::string& s) { status.push_back(s); };
        protocol.onProtocolButtons = [this](bool on) { buttons.push_back(on); };
        backup = std::make_unique<BackupWriter>(protocol, clock, path, posted.poster(), fixedNow);
        backup->onWarning = [this](const std::string& w) { warnings.push_back(w); };
    }
    // The writer thread finished, and its results reached the "ui thread".
    void settle() {
        backup->WaitForWrites();
        posted.drain();
    }
};

struct BackupFixture : ::testing::Test {
    test::TempFolder dir;
    test::ManualClock clock;
    std::string path = dir.file("Velkoran-Sicherungsdatei.txt");
};

} // namespace

TEST_F(BackupFixture, RowsComeBackAtTheNextStart) {
    {
        Session s(clock, path);
        s.backup->LoadAtStartup();
        s.table.AddRow({"1", "Meier", "Hans", "2", "0,5", "1,0", "88,1", "4,9", "5,4", "+"});
        s.table.AddRow({"2", "Kühn", "Eva"});
        s.backup->WriteNow(); // shutdown
    }
    Session next(clock, path);
    EXPECT_EQ(next.backup->LoadAtStartup(), ReadStatus::Ok);
    ASSERT_EQ(next.table.RowCount(), 3);
    EXPECT_EQ(next.table.Cell(1, 2), "Kühn");
    EXPECT_EQ(next.table.Cell(8, 1), "5,4");
    EXPECT_EQ(next.buttons.back(), true);
    EXPECT_TRUE(next.status.empty());
}

TEST_F(BackupFixture, ALaneResultGoesToTheWriterAtOnceAndLaterChangesDoNotReachIt) {
    Session s(clock, path);
    s.backup->LoadAtStartup();
    s.table.AddRow({"7", "Stopp", "", "", "", "", "", "", "5,432"});
    s.backup->RequestWrite();        // no timer in between
    s.table.SetCell(1, 1, "Danach"); // the snapshot was taken: this is not in that write
    s.settle();
    const std::string bytes = test::ReadBytes(path);
    EXPECT_NE(bytes.find("7\tStopp\t"), std::string::npos);
    EXPECT_EQ(bytes.find("Danach"), std::string::npos);
    EXPECT_FALSE(s.backup->pending());
}

TEST_F(BackupFixture, ConfirmedEditsAreCoalescedAndNeverPostponedPastTheFirstDeadline) {
    test::FaultyIo io; // counts the writes
    Session s(clock, path, &io);
    s.backup->LoadAtStartup();
    s.table.SetCell(0, 1, "1");
    for (int i = 0; i < 5; ++i) {
        s.table.SetCell(1, 1, "Name" + std::to_string(i));
        s.protocol.CellEdited(1, 1);
        clock.advance(BackupWriter::kOperatorMs / 5 - 1);
    }
    s.settle();
    EXPECT_EQ(io.writeCalls, 0) << "nothing is written on the edit itself";
    clock.advance(5);
    s.settle();
    EXPECT_EQ(io.writeCalls, 1) << "one write for five changes";
    EXPECT_NE(test::ReadBytes(path).find("Name4"), std::string::npos);
    clock.advance(5000);
    s.settle();
    EXPECT_EQ(io.writeCalls, 1) << "the coalesced request does not fire twice";
}

TEST_F(BackupFixture, RowCommandsClearAndLoadCountAsOperatorChanges) {
    Session s(clock, path);
    s.backup->LoadAtStartup();
    s.protocol.NewRow();
    EXPECT_TRUE(s.backup->pending());
    clock.advance(BackupWriter::kOperatorMs);
    s.settle();
    EXPECT_NE(test::ReadBytes(path).find("1\t"), std::string::npos);
    s.protocol.ClearProtocol();
    EXPECT_TRUE(s.backup->pending());
    clock.advance(BackupWriter::kOperatorMs);
    s.settle();
    EXPECT_EQ(test::ReadBytes(path).find("\n1\t"), std::string::npos);

    const std::string other = dir.file("other.txt");
    test::WriteBytes(other, "Nr.\n33\tGeladen\n");
    EXPECT_TRUE(s.protocol.OpenFile(other));
    clock.advance(BackupWriter::kOperatorMs);
    s.settle();
    EXPECT_NE(test::ReadBytes(path).find("Geladen"), std::string::npos);
}

TEST_F(BackupFixture, LoadingOverAProtocolWithDataKeepsItAsADatedCopy) {
    Session s(clock, path);
    s.backup->LoadAtStartup();
    s.table.AddRow({"1", "Renntag"});
    const std::string other = dir.file("falsch.txt");
    test::WriteBytes(other, "Nr.\n9\tFalsch\n");
    EXPECT_TRUE(s.protocol.OpenFile(other));
    s.settle();
    const std::string copy = dir.file("Velkoran-Sicherungsdatei-2026-12-09-06-15-30.txt");
    EXPECT_NE(test::ReadBytes(copy).find("1\tRenntag\t"), std::string::npos);
    EXPECT_EQ(s.table.Cell(1, 1), "Falsch");
    EXPECT_EQ(s.status.back(), "Geladen: " + other + "; die bisherige Tabelle liegt in " + copy);
    // Loading over an empty protocol leaves nothing behind.
    Session empty(clock, dir.file("Leer-Sicherungsdatei.txt"));
    empty.backup->LoadAtStartup();
    EXPECT_TRUE(empty.protocol.OpenFile(other));
    empty.settle();
    EXPECT_FALSE(std::filesystem::exists(dir.file("Leer-Sicherungsdatei-2026-12-09-06-15-30.txt")));
}

TEST_F(BackupFixture, ABackupThatCannotBeReadIsKeptAsideAndReported) {
    const std::string old = "Nr.\tName\t\r\n1\tWertvoll\t\r\n";
    test::WriteBytes(path, old);
    test::FaultyIo io;
    io.failReadOf = path;
    Session s(clock, path, &io);
    EXPECT_EQ(s.backup->LoadAtStartup(), ReadStatus::Failed);
    const std::string copy = dir.file("Velkoran-Sicherungsdatei-2026-12-09-06-15-30.txt");
    EXPECT_EQ(s.backup->keptCopy(), copy);
    io.failReadOf.clear();
    EXPECT_EQ(test::ReadBytes(copy), old);
    ASSERT_EQ(s.status.size(), 1u);
    EXPECT_NE(s.status[0].find(copy), std::string::npos);
    EXPECT_TRUE(s.table.IsRowEmpty(1));
    EXPECT_EQ(s.buttons.back(), false);
    // Now the backup may be replaced: its content is safe in the copy.
    EXPECT_TRUE(s.backup->WriteNow());
    EXPECT_EQ(test::ReadBytes(copy), old);
}

TEST_F(BackupFixture, WithoutACopyTheBackupGoesOnUnderADatedNameAndTheWarningStays) {
    const std::string old = "Nr.\n1\tWertvoll\n";
    test::WriteBytes(path, old);
    test::FaultyIo io;
    io.failReadOf = path;
    io.failCopies = true;
    Session s(clock, path, &io);
    s.backup->LoadAtStartup();
    const std::string dated = dir.file("Velkoran-Sicherungsdatei-2026-12-09-06-15-30.txt");
    EXPECT_EQ(s.backup->path(), dated);
    ASSERT_EQ(s.warnings.size(), 1u);
    EXPECT_NE(s.warnings[0].find(dated), std::string::npos);
    s.table.AddRow({"2", "Neu"});
    s.backup->RequestWrite();
    s.settle();
    EXPECT_NE(test::ReadBytes(dated).find("2\tNeu"), std::string::npos) << "backups go on";
    EXPECT_EQ(test::ReadBytes(path), old) << "the unread file is never overwritten";
    EXPECT_EQ(s.warnings.size(), 1u) << "a good write does not take the warning away";
    EXPECT_EQ(s.backup->warning(), s.warnings[0]);
}

TEST_F(BackupFixture, AMissingUserDataFolderIsCreatedOnTheFirstWrite) {
    const std::string inUserFolder = dir.file("share/Velkoran/Velkoran-Sicherungsdatei.txt");
    Session s(clock, inUserFolder);
    EXPECT_EQ(s.backup->LoadAtStartup(), ReadStatus::Missing);
    EXPECT_TRUE(s.status.empty()) << "no backup yet is no failure";
    s.table.AddRow({"3", "Neu"});
    EXPECT_TRUE(s.backup->WriteNow());
    EXPECT_NE(test::ReadBytes(inUserFolder).find("3\tNeu"), std::string::npos);
}

TEST_F(BackupFixture, AWriteFailingHalfWayKeepsTheOldFileAndIsRetriedUntilItSucceeds) {
    test::WriteBytes(path, "Nr.\n5\tAlt\n");
    test::FaultyIo io;
    Session s(clock, path, &io);
    s.backup->LoadAtStartup();
    io.allow = 10; // the disk is full after ten bytes
    s.table.AddRow({"6", "Neu"});
    s.backup->RequestWrite();
    s.settle();
    EXPECT_EQ(test::ReadBytes(path), "Nr.\n5\tAlt\n");
    EXPECT_TRUE(s.backup->failing());
    EXPECT_NE(s.status.back().find("nicht geschrieben"), std::string::npos);
    ASSERT_FALSE(s.warnings.empty());
    EXPECT_NE(s.warnings.back().find("Sicherung fehlgeschlagen"), std::string::npos);

    io.allow = 0;
    clock.advance(BackupWriter::kRetryMs);
    s.settle();
    EXPECT_EQ(io.writeCalls, 3) << "tried again after a few seconds";
    EXPECT_TRUE(s.backup->failing());

    io.allow = -1; // space was freed
    clock.advance(BackupWriter::kRetryMs);
    s.settle();
    EXPECT_NE(test::ReadBytes(path).find("6\tNeu"), std::string::npos);
    EXPECT_FALSE(s.backup->failing());
    EXPECT_EQ(s.warnings.back(), "") << "the warning goes once the backup is safe";
    EXPECT_EQ(s.status.back(), "Die Sicherungsdatei wurde wieder geschrieben");
    clock.advance(10 * BackupWriter::kRetryMs);
    s.settle();
    EXPECT_EQ(io.writeCalls, 4) << "no retries once it succeeded";
}

TEST_F(BackupFixture, ShutdownWaitsForTheLastWrite) {
    test::FaultyIo io;
    io.delay = std::chrono::milliseconds(40);
    auto s = std::make_unique<Session>(clock, path, &io);
    s->backup->LoadAtStartup();
    s->table.AddRow({"8", "Letzter"});
    s->backup->RequestWrite();
    s->table.AddRow({"9", "Allerletzter"});
    s->backup->RequestWrite();
    s->backup.reset(); // the window's destruction
    const std::string bytes = test::ReadBytes(path);
    EXPECT_NE(bytes.find("9\tAllerletzter"), std::string::npos) << bytes;
    s->posted.drain(); // results of a writer that is gone are dropped
}

TEST_F(BackupFixture, ABackupWithCrLineEndsLoadsAndOneWithoutRowsIsKeptAside) {
    test::WriteBytes(path, "Nr.\tName\t\r1\tMac\t\r2\tAlt\t\r");
    {
        Session s(clock, path);
        EXPECT_EQ(s.backup->LoadAtStartup(), ReadStatus::Ok);
        EXPECT_EQ(s.table.Cell(1, 2), "Alt");
    }
    // Data that gave no data row (here: line ends of some other kind) is never replaced.
    const std::string odd = std::string("Nr.\tName\t\x1E") + "1\tVerloren\t\t\t\t\t\t\t\t\t\t\x1E";
    test::WriteBytes(path, odd);
    Session s(clock, path);
    EXPECT_EQ(s.backup->LoadAtStartup(), ReadStatus::Failed);
    EXPECT_EQ(test::ReadBytes(s.backup->keptCopy()), odd);
}

TEST_F(BackupFixture, AReadOnlyProgramFolderStillGivesItsBackupAndMovesOn) {
    struct ReadOnlyProgramFolder : FileIo {
        std::string folder;
        bool folderWritable(const std::string& f) override { return f != folder; }
    } io;
    io.folder = dir.file("prog");
    std::filesystem::create_directories(io.folder);
    const std::string beside = dir.file("prog/Velkoran-Sicherungsdatei.txt");
    test::WriteBytes(beside, "Nr.\n4\tBesitz\n");
    std::filesystem::last_write_time(beside, std::filesystem::file_time_type::clock::now() -
                                                 std::chrono::hours(1));
    const BackupLocation at = ChooseBackupLocation(io.folder, "Velkoran", dir.file("user"), io);
    EXPECT_EQ(at.readPath, beside);
    EXPECT_EQ(at.writePath, dir.file("user/Velkoran-Sicherungsdatei.txt"));

    Session s(clock, at.writePath, &io);
    EXPECT_EQ(s.backup->LoadAtStartup(at.readPath), ReadStatus::Ok);
    EXPECT_EQ(s.table.Cell(1, 1), "Besitz");
    ASSERT_EQ(s.status.size(), 1u);
    EXPECT_NE(s.status[0].find(at.writePath), std::string::npos);
    s.settle();
    EXPECT_NE(test::ReadBytes(at.writePath).find("4\tBesitz"), std::string::npos);
    // From now on the newer backup in the user folder is the one read, also once the program
    // folder is writable again; writing then goes back beside the program.
    EXPECT_EQ(ChooseBackupLocation(io.folder, "Velkoran", dir.file("user"), io).readPath,
              at.writePath);
    const BackupLocation again =
        ChooseBackupLocation(io.folder, "Velkoran", dir.file("user"), FileIo::system());
    EXPECT_EQ(again.readPath, at.writePath);
    EXPECT_EQ(again.writePath, beside);
}

TEST_F(BackupFixture, AFifoAsBackupDoesNotHangAndStaleTemporaryFilesGo) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    const std::string stale = dir.file(".Velkoran-Sicherungsdatei.txt.vk-a1b2c3");
    const std::string foreign = dir.file(".Andere-Sicherungsdatei.txt.vk-a1b2c3");
    test::WriteBytes(stale, std::string(1000, 'x'));
    test::WriteBytes(foreign, "y");
    Session s(clock, path);
    auto loading = std::async(std::launch::async, [&] { return s.backup->LoadAtStartup(); });
    if (loading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK); // lets the reader go
        ::close(fd);
        FAIL() << "reading a FIFO hangs";
    }
    EXPECT_EQ(loading.get(), ReadStatus::Failed);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(foreign)) << "another program's files stay";
    EXPECT_TRUE(s.backup->WriteNow());
    EXPECT_TRUE(std::filesystem::is_fifo(path));
}

// A process killed at any moment of a write leaves the old or the new file, never a cut one.
TEST_F(BackupFixture, AKillDuringAWriteLeavesTheOldOrTheNewFile) {
    CellTable a, b;
    for (int r = 1; r < 4000; ++r) {
        a.AddRow({std::to_string(r), "Alt"});
        b.AddRow({std::to_string(r), "Neu", "Name"});
    }
    const std::string bytesA = ProtocolTextBytes(a), bytesB = ProtocolTextBytes(b);
    ASSERT_TRUE(AtomicWriteFile(path, bytesA, FileIo::system()));
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                AtomicWriteFile(path, i % 2 ? bytesA : bytesB, FileIo::system());
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const std::string now = test::ReadBytes(path);
        ASSERT_TRUE(now == bytesA || now == bytesB) << "round " << round << ": " << now.size();
    }
    RemoveStaleTempFiles(path); // as the next start does
    for (auto& e : std::filesystem::directory_iterator(dir.path))
        EXPECT_EQ(e.path().filename().string().find(".vk-"), std::string::npos) << e.path();
}

} // namespace vk
