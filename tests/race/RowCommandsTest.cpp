#include "race/RowCommands.h"
#include "RaceFixture.h"

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

} // namespace vk::test
