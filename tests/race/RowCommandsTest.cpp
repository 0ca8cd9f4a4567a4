#include "race/RowCommands.h"
#include "RaceFixture.h"

#include "protocol/OfficeFiles.h"
#include "protocol/ProtocolFiles.h"
#include "protocol/ProtocolPublish.h"

namespace vk::test {

class RowCommandsTest : public RaceFixture {
protected:
    ScriptedDialogs dialogs;
    Protocol protocol{table, dialogs};
    RowCommands rows{rc, protocol};
    int operatorChanges = 0;

    RowCommandsTest() {
        protocol.onOperatorChange = [this] { ++operatorChanges; };
    }

    // Data rows given as start number and win mark.
    void fill(const std::vector<std::pair<std::string, std::string>>& data) {
        table.SetRowCount(static_cast<int>(data.size()) + 1);
        for (size_t i = 0; i < data.size(); ++i) {
            const int r = static_cast<int>(i) + 1;
            table.SetCell(0, r, data[i].first);
            table.SetCell(1, r, "Name" + data[i].first);
            table.SetCell(9, r, data[i].second);
        }
    }
    std::vector<std::string> numbers() const {
        std::vector<std::string> n;
        for (int r = 1; r < table.RowCount(); ++r)
            n.push_back(cell(0, r));
        return n;
    }
};

TEST_F(RowCommandsTest, JokerTwiceReturnsTheRowToItsFirstState) {
    fill({{"1", ""}, {"2", "+"}});
    for (int row : {1, 2}) {
        const std::string before = cell(9, row);
        protocol.SelectWholeRow(row);
        rows.mJokerClick();
        EXPECT_EQ(cell(9, row), before == "+" ? "" : "+");
        rows.mJokerClick();
        EXPECT_EQ(cell(9, row), before);
    }
    EXPECT_EQ(operatorChanges, 4); // each reaches the backup
}

TEST_F(RowCommandsTest, NextRaceKeepsOnlyTheRowsMarkedPlus) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> rows;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {{{"1", ""}, {"2", "+"}, {"3", ""}, {"4", "+"}, {"5", ""}}, {"2", "4"}},
        {{{"1", ""}, {"2", ""}, {"3", "-"}}, {""}}, // ends with one empty data row
        {{{"1", "+"}, {"2", "+"}}, {"1", "2"}},
        {{{"1", " +"}, {"2", "++"}, {"3", "+"}}, {"3"}}, // exactly "+"
    };
    for (const Case& c : cases) {
        fill(c.rows);
        protocol.SelectWholeRow(static_cast<int>(c.rows.size()));
        rows.sbNextKrugClick();
        EXPECT_EQ(numbers(), c.left);
        EXPECT_EQ(protocol.cursor().row, 1);
    }
    // The lanes keep their start numbers.
    EXPECT_EQ(rc.FrameT1.startNumber(), 1);
    EXPECT_EQ(rc.FrameT2.nextNumber(), 4);
}

TEST_F(RowCommandsTest, NextRaceWaitsWhileALaneIsTimed) {
    fill({{"7", ""}});
    rc.mStart.click(); // rows for 1 and 2 are prepared
    ASSERT_GT(rowOf(1), 0);
    EXPECT_FALSE(rows.nextRaceEnabled());
    rows.sbNextKrugClick();
    EXPECT_EQ(table.RowCount(), 4);
    clock.advance(5000);
    rc.mStop1.click();
    rows.sbNextKrugClick(); // lane 2 still runs
    EXPECT_GT(rowOf(2), 0);
    clock.advance(1000);
    rc.mStop2.click();
    EXPECT_EQ(cell(8, rowOf(2)), "6,000"); // its result arrived
    ASSERT_TRUE(rows.nextRaceEnabled());
    rows.sbNextKrugClick();
    EXPECT_EQ(numbers(), std::vector<std::string>{"1"}); // the winner of lane 1
}

TEST_F(RowCommandsTest, AccidentMarkIsAllowedWithoutATimedLaneOnARowWithANumber) {
    fill({{"1", ""}, {"", ""}, {"3", "+"}});
    protocol.SelectWholeRow(2);
    EXPECT_FALSE(rows.accidentEnabled()); // no start number
    rows.bAVARIAClick();
    EXPECT_EQ(cell(6, 2), "");
    protocol.SelectWholeRow(1);
    EXPECT_TRUE(rows.accidentEnabled());

    rc.mStart.click();
    EXPECT_FALSE(rows.accidentEnabled());
    rows.bAVARIAClick();
    EXPECT_EQ(cell(6, 1), "");
    clock.advance(8000);
    rc.mStop1.click();
    EXPECT_FALSE(rows.accidentEnabled()); // lane 2 still timed
    rc.mStop2.click();
    EXPECT_TRUE(rows.accidentEnabled());

    protocol.SelectWholeRow(1);
    ASSERT_EQ(cell(8, 1), "8,000");
    rows.bAVARIAClick();
    for (int c = 6; c < table.ColCount(); ++c)
        EXPECT_EQ(cell(c, 1), "-") << c;
    EXPECT_EQ(cell(0, 1), "1");
    EXPECT_EQ(cell(1, 1), "Name1");
    EXPECT_EQ(cell(8, rowOf(2)), "8,000"); // only the current row
    rc.mResetClick();
    EXPECT_TRUE(rows.accidentEnabled());
}

TEST_F(RowCommandsTest, NoCommandRemovesARunningLanesRowAndEveryStopLandsInTheProtocol) {
    GuardTimedRows(protocol, rc);
    std::vector<std::string> status;
    protocol.onStatusText = [&status](const std::string& s) { status.push_back(s); };
    TempFolder dir;
    WriteBytes(dir.file("p.txt"), "Nr.\n9\n");
    WriteBytes(dir.file("p.xlsx"),
               MakeXlsx("<row><c><v>9</v></c></row><row><c><v>9</v></c></row>"));
    RecordingShell shell;
    ProtocolPublisher publisher{protocol, dialogs, shell, {"V", dir.file("V.html"), ""}};
    fill({{"7", ""}});
    rc.mStart.click();
    const std::vector<std::pair<const char*, std::function<void()>>> commands = {
        {"Zeile entfernen",
         [&] {
             protocol.SelectWholeRow(rowOf(2));
             protocol.DeleteRow();
         }},
        {"Löschen", [&] { protocol.ClearProtocol(); }},
        {"Öffnen", [&] { protocol.OpenFile(dir.file("p.txt")); }},
        {"Öffnen", [&] { publisher.ReadExcelProtocol(dir.file("p.xlsx")); }},
    };
    for (const auto& [word, run] : commands) {
        status.clear();
        run();
        ASSERT_GT(rowOf(1), 0) << word;
        ASSERT_GT(rowOf(2), 0) << word;
        ASSERT_EQ(status.size(), 1u) << word;
        EXPECT_EQ(status[0].rfind(word, 0), 0u) << status[0];
    }
    // Rows of lanes not timed go as before.
    protocol.SelectWholeRow(1);
    protocol.DeleteRow();
    EXPECT_EQ(rowOf(7), -1);

    // A row renumbered while its lane runs: the stop writes into a new row and says so.
    table.SetCell(0, rowOf(1), "11");
    clock.advance(4000);
    rc.mStop1.click();
    ASSERT_GT(rowOf(1), 0);
    EXPECT_EQ(cell(8, rowOf(1)), "4,000");
    EXPECT_EQ(cell(9, rowOf(1)), "+");
    EXPECT_NE(status.back().find("Start-Nr. 1 hatte keine Zeile mehr"), std::string::npos);
    clock.advance(1000);
    rc.mStop2.click();
    EXPECT_EQ(cell(8, rowOf(2)), "5,000");
    protocol.SelectWholeRow(rowOf(2));
    protocol.DeleteRow();
    EXPECT_EQ(rowOf(2), -1); // once stopped, the row may go
    UnguardTimedRows(protocol, rc);
}

TEST_F(RowCommandsTest, RemovingAllResultsAsksFirstAndKeepsACopy) {
    fill({{"1", "+"}});
    table.SetCell(8, 1, "5,000");
    int kept = 0;
    protocol.onReplacing = [&kept] {
        ++kept;
        return std::string("/b/V-Sicherungsdatei-2026.txt");
    };
    std::string said;
    protocol.onStatusText = [&said](const std::string& s) { said = s; };
    dialogs.answer = false;
    EXPECT_FALSE(protocol.RemoveResults());
    EXPECT_EQ(cell(8, 1), "5,000");
    EXPECT_EQ(kept, 0);
    dialogs.answer = true;
    EXPECT_TRUE(protocol.RemoveResults());
    EXPECT_EQ(dialogs.questions.size(), 2u);
    EXPECT_EQ(cell(8, 1), "");
    EXPECT_EQ(cell(9, 1), "");
    EXPECT_EQ(cell(1, 1), "Name1");
    EXPECT_EQ(kept, 1);
    EXPECT_NE(said.find("/b/V-Sicherungsdatei-2026.txt"), std::string::npos);
}

} // namespace vk::test
