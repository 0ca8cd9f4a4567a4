#include "protocol/ProtocolBackup.h"

#include "ProtocolFiles.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

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
    CellTable table;
    test::ScriptedDialogs dialogs;
    Protocol protocol{table, dialogs};
    std::unique_ptr<BackupWriter> backup;
    std::vector<std::string> status;
    std::vector<bool> buttons;

    Session(test::ManualClock& clock, const std::string& path, FileIo* io = nullptr) {
        if (io)
            protocol.setFileIo(*io);
        protocol.onStatusText = [this](const std::string& s) { status.push_back(s); };
        protocol.onProtocolButtons = [this](bool on) { buttons.push_back(on); };
        backup = std::make_unique<BackupWriter>(protocol, clock, path, fixedNow);
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
        s.backup->RequestWrite(); // a lane stop wrote results
        clock.advance(BackupWriter::kSoonMs);
        EXPECT_FALSE(s.backup->pending());
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

TEST_F(BackupFixture, ANameTypedIsOnDiskWithinASecondWithoutAnyRace) {
    Session s(clock, path);
    s.backup->LoadAtStartup();
    s.table.SetCell(0, 1, "4");
    s.table.SetCell(1, 1, "Schulz");
    s.protocol.CellEdited(1, 1);
    EXPECT_FALSE(std::filesystem::exists(path)) << "nothing is written on the edit itself";
    clock.advance(BackupWriter::kOperatorMs - 1);
    EXPECT_FALSE(std::filesystem::exists(path));
    clock.advance(1);
    EXPECT_NE(test::ReadBytes(path).find("Schulz"), std::string::npos);
}

TEST_F(BackupFixture, ChangesAreCoalescedAndNeverPostponedPastTheFirstDeadline) {
    test::FaultyIo io; // counts the writes
    Session s(clock, path, &io);
    s.backup->LoadAtStartup();
    for (int i = 0; i < 9; ++i) {
        s.table.SetCell(1, 1, "Name" + std::to_string(i));
        s.protocol.CellEdited(1, 1);
        clock.advance(100);
    }
    EXPECT_EQ(io.writeCalls, 0);
    clock.advance(100);
    EXPECT_EQ(io.writeCalls, 1) << "one write for ten changes, a second after the first";
    // A lane stop while an operator write is pending brings the write forward.
    s.protocol.NewRow();
    clock.advance(10);
    s.backup->RequestWrite();
    clock.advance(BackupWriter::kSoonMs);
    EXPECT_EQ(io.writeCalls, 2);
    clock.advance(5000);
    EXPECT_EQ(io.writeCalls, 2) << "the coalesced request does not fire twice";
}

TEST_F(BackupFixture, RowCommandsClearAndLoadCountAsOperatorChanges) {
    Session s(clock, path);
    s.backup->LoadAtStartup();
    s.protocol.NewRow();
    EXPECT_TRUE(s.backup->pending());
    clock.advance(BackupWriter::kOperatorMs);
    EXPECT_NE(test::ReadBytes(path).find("1\t"), std::string::npos);
    s.protocol.ClearProtocol();
    EXPECT_TRUE(s.backup->pending());
    clock.advance(BackupWriter::kOperatorMs);
    EXPECT_EQ(test::ReadBytes(path).find("\n1\t"), std::string::npos);

    const std::string other = dir.file("other.txt");
    test::WriteBytes(other, "Nr.\n33\tGeladen\n");
    EXPECT_TRUE(s.protocol.OpenFile(other));
    clock.advance(BackupWriter::kOperatorMs);
    EXPECT_NE(test::ReadBytes(path).find("Geladen"), std::string::npos);
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
    EXPECT_EQ(test::ReadBytes(copy), old);
    ASSERT_EQ(s.status.size(), 1u);
    EXPECT_NE(s.status[0].find(copy), std::string::npos);
    EXPECT_TRUE(s.table.IsRowEmpty(1));
    EXPECT_EQ(s.buttons.back(), false);
    // Now the backup may be replaced: its content is safe in the copy.
    EXPECT_TRUE(s.backup->WriteNow());
    EXPECT_EQ(test::ReadBytes(copy), old);
}

TEST_F(BackupFixture, WhenNoCopyCanBeMadeTheUnreadBackupIsNeverOverwritten) {
    const std::string old = "Nr.\n1\tWertvoll\n";
    test::WriteBytes(path, old);
    test::FaultyIo io;
    io.failReadOf = path;
    io.failCopies = true;
    Session s(clock, path, &io);
    s.backup->LoadAtStartup();
    EXPECT_TRUE(s.backup->blocked());
    s.protocol.NewRow();
    clock.advance(BackupWriter::kOperatorMs);
    EXPECT_FALSE(s.backup->WriteNow());
    EXPECT_EQ(test::ReadBytes(path), old);
    EXPECT_NE(s.status[0].find("nicht überschrieben"), std::string::npos);
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

TEST_F(BackupFixture, AFailedBackupWriteIsReportedAndKeepsTheOldFile) {
    test::WriteBytes(path, "Nr.\n5\tAlt\n");
    test::FaultyIo io;
    Session s(clock, path, &io);
    s.backup->LoadAtStartup();
    io.allow = 3;
    s.table.AddRow({"6", "Neu"});
    EXPECT_FALSE(s.backup->WriteNow());
    EXPECT_EQ(test::ReadBytes(path), "Nr.\n5\tAlt\n");
    EXPECT_NE(s.status.back().find("nicht geschrieben"), std::string::npos);
}

} // namespace vk
