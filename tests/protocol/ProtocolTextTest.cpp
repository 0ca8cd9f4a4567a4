#include "protocol/ProtocolText.h"
#include "protocol/Protocol.h"
#include "protocol/TextCodec.h"

#include "ProtocolFiles.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

namespace vk {

namespace {

struct TextFixture : ::testing::Test {
    test::TempFolder dir;
    CellTable table;
    test::ScriptedDialogs dialogs;
    Protocol protocol{table, dialogs};
    std::vector<bool> buttons;
    std::vector<std::tuple<int, bool, int>> numbers;
    std::vector<std::string> status;

    TextFixture() {
        protocol.onProtocolButtons = [this](bool on) { buttons.push_back(on); };
        protocol.onStartNumber = [this](int l, bool n, int v) { numbers.emplace_back(l, n, v); };
        protocol.onStatusText = [this](const std::string& s) { status.push_back(s); };
    }
    void load(const std::string& bytes) {
        const std::string p = dir.file("in.txt");
        test::WriteBytes(p, bytes);
        ASSERT_EQ(protocol.ReadProtocolText(p), ReadStatus::Ok);
    }
};

} // namespace

TEST_F(TextFixture, SaveAndLoadRoundTripKeepsNumberedRowsAndUmlauts) {
    table.AddRow({"1", "Müller", "Jürgen", "3", "0,512", "", "", "5,123", "6,001", "+"});
    table.AddRow({"", "Ohne", "Nummer"});
    table.AddRow({"2", "Groß", "Ä"});
    table.AddRow({"4", "Zwei\nZeilen", "mit\tTab", "\r\n", "0,4"}); // from a spreadsheet
    const std::string p = dir.file("p.txt");
    ASSERT_TRUE(protocol.WriteProtocolText(p));
    const std::string bytes = test::ReadBytes(p);
    EXPECT_EQ(bytes.substr(0, bytes.find('\n') + 1),
              "Nr.\tName\tVorname\tKl.\tRZ\tZZ\tKm/h\tFZ\tGeszeit\tWin\tPlatz\t\r\n");
    EXPECT_NE(bytes.find("1\tMüller\tJürgen\t3\t0,512\t \t \t5,123\t6,001\t+\t \t\r\n"),
              std::string::npos)
        << "UTF-8, blanks for empty cells, TAB after every cell, CR LF";
    EXPECT_EQ(bytes.find("Ohne"), std::string::npos);

    CellTable other;
    Protocol again(other, dialogs);
    ASSERT_EQ(again.ReadProtocolText(p), ReadStatus::Ok);
    ASSERT_EQ(other.RowCount(), 4);
    EXPECT_EQ(other.Cell(1, 1), "Müller");
    EXPECT_EQ(other.Cell(5, 1), " ") << "an empty cell comes back as one blank";
    EXPECT_EQ(other.Cell(10, 1), " ");
    EXPECT_EQ(other.Cell(1, 2), "Groß");
    EXPECT_EQ(other.Cell(8, 0), "Geszeit");
    EXPECT_EQ(other.Cell(1, 3), "Zwei Zeilen") << "a line end inside a cell never splits a row";
    EXPECT_EQ(other.Cell(2, 3), "mit Tab");
    EXPECT_EQ(other.Cell(3, 3), "  ");
    EXPECT_EQ(other.Cell(4, 3), "0,4");
}

TEST_F(TextFixture, SemicolonLinesKeepEmptyFieldsAsBlanks) {
    load("Nr.;Name\r\n1;Meier;Hans;2\r\n3;;Eva;1\r\n");
    EXPECT_EQ(table.Cell(0, 1), "1");
    EXPECT_EQ(table.Cell(1, 1), "Meier");
    EXPECT_EQ(table.Cell(3, 1), "2");
    EXPECT_EQ(table.Cell(4, 1), "");
    EXPECT_EQ(table.Cell(1, 2), " ");
    EXPECT_EQ(table.Cell(2, 2), "Eva");
}

TEST_F(TextFixture, EmptyFieldsBetweenTabsKeepTheirColumn) {
    load("Nr.\tName\n7\t\tMeier\tHans\t\n\tX\n");
    EXPECT_EQ(table.Cell(1, 1), " ") << "a spreadsheet's empty cell";
    EXPECT_EQ(table.Cell(2, 1), "Meier");
    EXPECT_EQ(table.Cell(3, 1), "Hans");
    EXPECT_EQ(table.Cell(4, 1), "") << "a trailing TAB starts no field";
    EXPECT_EQ(table.Cell(0, 2), " ") << "a leading TAB gives an empty first field";
    EXPECT_EQ(table.Cell(1, 2), "X");
}

TEST_F(TextFixture, CrLfAndCrAloneAllEndALineAndAnEmptyLineGivesAnEmptyRow) {
    load("Nr.\tName\r\n1\tWin\r\n\r\n2\tMac\r3\tUnix\n4\tB");
    ASSERT_EQ(table.RowCount(), 6);
    EXPECT_EQ(table.Cell(1, 1), "Win");
    EXPECT_TRUE(table.IsRowEmpty(2));
    EXPECT_EQ(table.Cell(1, 3), "Mac");
    EXPECT_EQ(table.Cell(1, 4), "Unix");
    EXPECT_EQ(table.Cell(1, 5), "B") << "a last line without line end counts";
}

TEST_F(TextFixture, BlankHeaderCellsGetTheStandardTextsOthersStay) {
    load(" \t  \tVorname\tKlasse\n1\tA\n");
    EXPECT_EQ(table.Cell(0, 0), "Nr.");
    EXPECT_EQ(table.Cell(1, 0), "Name");
    EXPECT_EQ(table.Cell(3, 0), "Klasse");
    EXPECT_EQ(table.Cell(10, 0), "Platz") << "header cells the line did not reach";
}

TEST_F(TextFixture, OnlyAHeaderLineGivesOneEmptyRowAndDisabledButtons) {
    table.AddRow({"5", "Alt"});
    table.AddRow({"6", "Alt"});
    load("Nr.\tName\t\r\n");
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_TRUE(table.IsRowEmpty(1));
    EXPECT_EQ(buttons, std::vector<bool>{false});
    EXPECT_TRUE(numbers.empty());
}

TEST_F(TextFixture, TwoDataRowsSetBothCurrentNumbersAndEnableTheButtons) {
    load("Nr.\n21\n22\n");
    EXPECT_EQ(numbers, (std::vector<std::tuple<int, bool, int>>{{1, false, 21}, {2, false, 22}}));
    EXPECT_EQ(buttons, std::vector<bool>{true});
}

TEST_F(TextFixture, MoreThanElevenFieldsFillElevenColumns) {
    load("Nr.\n1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\n");
    EXPECT_EQ(table.ColCount(), 11);
    EXPECT_EQ(table.Cell(10, 1), "11");
    // A header with extra headings, with and without data rows, drops them too.
    for (const char* rows : {"", "5\tA\n"}) {
        load(std::string("Nr.\tName\tV\tK\tRZ\tZZ\tKm/h\tFZ\tG\tWin\tPlatz\tRunde\tBonus\n") +
             rows);
        EXPECT_EQ(table.Cell(10, 0), "Platz");
        EXPECT_EQ(table.Cell(0, 1), *rows ? "5" : "");
    }
}

TEST_F(TextFixture, TheByteOrderMarkOrAZeroByteNamesTheEncodingElseEachLineIsUtf8OrCp1252) {
    struct Case {
        std::string bytes, name, firstName;
    };
    const auto utf16 = [](const std::u16string& text, bool bigEndian, bool mark = true) {
        std::string b = !mark ? "" : bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t u : text) {
            const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
            b += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
        }
        return b;
    };
    const Case cases[] = {
        {"Nr.\tName\r\n1\tM\xFC\x6Cler\tJ\xFCrgen \x80\r\n", "Müller", "Jürgen €"},
        {"\xEF\xBB\xBFNr.\tName\r\n1\tMüller\tJürgen\r\n", "Müller", "Jürgen"},
        {utf16(u"Nr.\tName\r\n1\tMüller\t\U0001F3C1 Jürgen\r\n", false), "Müller",
         "\U0001F3C1 Jürgen"},
        {utf16(u"Nr.\tName\r\n1\tMüller\tJürgen\r\n", true), "Müller", "Jürgen"},
        {utf16(u"Nr.\tName\r\n1\tMüller\tJürgen\r\n", false, false), "Müller", "Jürgen"},
        {utf16(u"Nr.\tName\r\n1\tMüller\tJürgen\r\n", true, false), "Müller", "Jürgen"},
        // A zero character is dropped, so the file we write back never looks like UTF-16.
        {utf16(std::u16string(u"Nr.\tName\r\n1\tM\0üller\tJ\0ürgen\r\n", 29), false), "Müller",
         "Jürgen"},
        // One stray Windows byte spoils only its own line.
        {"Nr.\tName\r\n1\tMüller\tJürgen\r\n2\tK\xF6hler\tEva\r\n", "Müller", "Jürgen"},
    };
    for (const Case& c : cases) {
        load(c.bytes);
        EXPECT_EQ(table.Cell(0, 0), "Nr.") << "a byte-order mark is not part of the header";
        EXPECT_EQ(table.Cell(1, 1), c.name) << c.bytes;
        EXPECT_EQ(table.Cell(2, 1), c.firstName) << c.bytes;
    }
    EXPECT_EQ(table.Cell(1, 2), "Köhler");
}

TEST_F(TextFixture, AFileThatCannotBeReadLeavesTheTableAsItWas) {
    table.AddRow({"1", "Bleibt"});
    table.AddRow({"2", "Auch"});
    EXPECT_EQ(protocol.ReadProtocolText(dir.file("missing.txt")), ReadStatus::Missing);
    EXPECT_EQ(table.RowCount(), 3);
    EXPECT_FALSE(protocol.OpenFile(dir.path.string())) << "a folder is no protocol";
    EXPECT_EQ(table.Cell(1, 2), "Auch");
    ASSERT_EQ(status.size(), 1u);
    EXPECT_NE(status[0].find("konnte nicht gelesen werden"), std::string::npos);
    EXPECT_TRUE(buttons.empty());
}

TEST_F(TextFixture, AWriteThatFailsHalfWayLeavesTheOldFileByteForByte) {
    const std::string p = dir.file("keep.txt");
    const std::string old = "Nr.\tName\t\r\n9\tAlt\t\r\n";
    test::WriteBytes(p, old);
    for (int n = 0; n < 40; ++n)
        table.AddRow({std::to_string(n + 1), "Neuer Name"});
    test::FaultyIo io;
    io.allow = 100; // about half of the new content
    protocol.setFileIo(io);
    EXPECT_FALSE(protocol.SaveFile(p));
    EXPECT_GT(io.writeCalls, 1) << "the write really started";
    EXPECT_EQ(test::ReadBytes(p), old);
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path))
        files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1u) << "no temporary file is left behind";
    EXPECT_NE(status.back().find("nicht geschrieben"), std::string::npos);

    io.allow = -1;
    std::filesystem::permissions(p, std::filesystem::perms(0640));
    EXPECT_TRUE(protocol.SaveFile(p));
    EXPECT_EQ(test::ReadBytes(p), ProtocolTextBytes(table));
    EXPECT_EQ(std::filesystem::status(p).permissions(), std::filesystem::perms(0640))
        << "the replaced file keeps its mode";

    // Saved over a chain of symbolic links (one relative), the file at its end is replaced
    // and the links stay links.
    std::filesystem::create_directory(dir.file("sub"));
    std::filesystem::create_symlink("../keep.txt", dir.file("sub/rel.txt"));
    std::filesystem::create_symlink(dir.file("sub/rel.txt"), dir.file("link.txt"));
    table.AddRow({"77", "Über den Link"});
    EXPECT_TRUE(protocol.SaveFile(dir.file("link.txt")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.txt")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("sub/rel.txt")));
    EXPECT_EQ(test::ReadBytes(p), ProtocolTextBytes(table));
    EXPECT_EQ(std::filesystem::status(p).permissions(), std::filesystem::perms(0640));
    for (auto& e : std::filesystem::directory_iterator(dir.file("sub")))
        EXPECT_TRUE(e.is_symlink()) << e.path() << ": no temporary file beside the link";
}

TEST(ProtocolFileNames, BackupBesideTheProgramOrInTheUserFolder) {
    EXPECT_EQ(BackupFileName("/x", "Velkoran", "/home/u/.local/share/Velkoran", true),
              "/x/Velkoran-Sicherungsdatei.txt");
    EXPECT_EQ(BackupFileName("/x/", "Velkoran", "/u", true), "/x/Velkoran-Sicherungsdatei.txt");
    EXPECT_EQ(BackupFileName("/x", "Velkoran", "/u/data", false),
              "/u/data/Velkoran-Sicherungsdatei.txt");
    test::TempFolder dir;
    EXPECT_EQ(BackupFileName(dir.path.string(), "Rennen", "/u", FileIo::system()),
              dir.file("Rennen-Sicherungsdatei.txt"));
    EXPECT_EQ(StampedCopyName("/x/V-Sicherungsdatei.txt", "2026-12-09-06-15-30"),
              "/x/V-Sicherungsdatei-2026-12-09-06-15-30.txt");
}

TEST(ProtocolFileNames, DateStampHasLeadingZeros) {
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 0;
    tm.tm_mday = 5;
    tm.tm_hour = 7;
    tm.tm_min = 3;
    tm.tm_sec = 9;
    tm.tm_isdst = -1;
    const auto t = std::chrono::system_clock::from_time_t(std::mktime(&tm));
    EXPECT_EQ(DateStampName(t), "2026-01-05-07-03");
    EXPECT_EQ(DateTimeStamp(t), "2026-01-05-07-03-09");
}

} // namespace vk
