#include "protocol/Protocol.h"

#include "support/ManualClock.h"

#include <gtest/gtest.h>

namespace vk {

namespace {

struct LaneNumber {
    int lane;
    bool next;
    int value;
    bool operator==(const LaneNumber&) const = default;
};

struct ProtocolFixture : ::testing::Test {
    CellTable table;
    test::ScriptedDialogs dialogs;
    Protocol protocol{table, dialogs};
    std::vector<bool> buttons;
    std::vector<LaneNumber> numbers;
    int operatorChanges = 0;

    ProtocolFixture() {
        protocol.onProtocolButtons = [this](bool on) { buttons.push_back(on); };
        protocol.onStartNumber = [this](int lane, bool next, int v) {
            numbers.push_back({lane, next, v});
        };
        protocol.onOperatorChange = [this] { ++operatorChanges; };
    }
    void addRows(int from, int to) {
        for (int n = from; n <= to; ++n)
            table.AddRow({std::to_string(n), "Name" + std::to_string(n)});
    }
};

} // namespace

TEST(ProtocolColumns, HeadersAndWidthsOfTheResizeRule) {
    EXPECT_STREQ(ProtocolHeaders[0], "Nr.");
    EXPECT_STREQ(ProtocolHeaders[8], "Geszeit");
    EXPECT_STREQ(ProtocolHeaders[10], "Platz");
    const auto w = ProtocolColumnWidths(788);
    EXPECT_EQ(w[1], 264);
    EXPECT_EQ(w[2], 134);
    EXPECT_EQ(w[0], 40);
    EXPECT_EQ(w[10], -1);
    // Narrow: columns 1 and 2 together not above 270, so column 2 keeps 90.
    const auto n = ProtocolColumnWidths(600);
    EXPECT_EQ(n[1], 600 - 469 - 11);
    EXPECT_EQ(n[2], 90);
    // A result that does not fit widens its column (up to a limit) at the names' cost; a
    // grid too narrow for all leaves the names at 0, never hidden.
    std::array<int, 11> need{};
    need[4] = 47;
    need[6] = 900;
    const auto r = ProtocolColumnWidths(788, need);
    EXPECT_EQ(r[4], 47);
    EXPECT_EQ(r[6], kResultColumnMaxWidth);
    EXPECT_EQ(r[5], 60);
    EXPECT_EQ(r[1] + r[2], 398 - 7 - (kResultColumnMaxWidth - 60));
    EXPECT_EQ(ProtocolColumnWidths(300)[1], 0);
}

TEST_F(ProtocolFixture, StartsWithHeadersInBrowseModeAndDisabledButtons) {
    EXPECT_EQ(table.Cell(3, 0), "Kl.");
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(protocol.mode(), Protocol::Mode::Browse);
    EXPECT_FALSE(table.SortOptions.CanSort);
    EXPECT_EQ(table.SortOptions.SortCol, 9);
    protocol.UpdateProtocolButtons();
    EXPECT_EQ(buttons, std::vector<bool>{false});
    table.SetCell(0, 1, "4");
    protocol.UpdateProtocolButtons();
    EXPECT_EQ(buttons.back(), true);
}

TEST_F(ProtocolFixture, NewRowNumbersUpTo301AndThen301Again) {
    protocol.NewRow();
    EXPECT_EQ(table.Cell(0, 1), "1") << "the empty first row is reused";
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(protocol.mode(), Protocol::Mode::Edit);
    EXPECT_EQ(protocol.cursor(), (Protocol::Cursor{0, 1, false}));
    EXPECT_EQ(buttons.back(), true);
    EXPECT_EQ(operatorChanges, 1);

    table.SetCell(0, 1, "");
    addRows(1, 300);
    protocol.NewRow();
    EXPECT_EQ(table.Cell(0, table.RowCount() - 1), "301");
    protocol.NewRow();
    EXPECT_EQ(table.Cell(0, table.RowCount() - 1), "301");
    EXPECT_EQ(table.Cell(0, table.RowCount() - 2), "301");
    EXPECT_EQ(protocol.cursor().row, table.RowCount() - 1);
}

TEST_F(ProtocolFixture, NewRowTakesTheFirstGapAndAppendsAfterALaneRow) {
    table.AddRow({"1"});
    table.AddRow({"3"});
    protocol.NewRow();
    EXPECT_EQ(table.Cell(0, 3), "2");
    table.AddRow({"", "", "", "", "", "", "", "", "", "+"}); // a row a lane start half-filled
    const int rows = table.RowCount();
    protocol.NewRow();
    EXPECT_EQ(table.RowCount(), rows + 1);
    EXPECT_EQ(table.Cell(0, rows), "4");
}

TEST_F(ProtocolFixture, DeletingTheFirstOfFiveRowsMovesTheStartNumbers) {
    addRows(11, 15);
    protocol.SelectCell(1, 1);
    protocol.DeleteRow();
    EXPECT_EQ(table.RowCount(), 5);
    EXPECT_EQ(table.Cell(0, 1), "12");
    EXPECT_EQ(numbers, (std::vector<LaneNumber>{
                           {1, false, 12}, {2, false, 13}, {1, true, 14}, {2, true, 15}}));
    EXPECT_TRUE(protocol.cursor().wholeRow);
    EXPECT_EQ(protocol.cursor().row, 1);
    EXPECT_EQ(buttons.back(), true);
}

TEST_F(ProtocolFixture, DeletingTheOnlyRowEmptiesItAndDisablesTheButtons) {
    addRows(7, 7);
    protocol.SelectCell(0, 1);
    protocol.DeleteRow();
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_TRUE(table.IsRowEmpty(1));
    EXPECT_EQ(buttons.back(), false);
    EXPECT_TRUE(numbers.empty()) << "an empty cell ends the transfer at once";
}

TEST_F(ProtocolFixture, TakeNextStartNumbersStopsAtTheFirstCellWithoutAWholeNumber) {
    addRows(1, 2);
    table.AddRow({" "});
    table.AddRow({"9"});
    protocol.TakeNextStartNumbers();
    EXPECT_EQ(numbers, (std::vector<LaneNumber>{{1, false, 1}, {2, false, 2}}));
    numbers.clear();
    table.SetCell(0, 1, "1a");
    protocol.TakeNextStartNumbers();
    EXPECT_TRUE(numbers.empty());
}

TEST_F(ProtocolFixture, LettersInTheStartNumberColumnAreDiscarded) {
    protocol.SelectCell(0, 1);
    EXPECT_FALSE(protocol.AcceptKey("a"));
    EXPECT_FALSE(protocol.AcceptKey("-"));
    EXPECT_FALSE(protocol.AcceptKey("ä"));
    EXPECT_TRUE(protocol.AcceptKey("7"));
    EXPECT_TRUE(protocol.AcceptKey("\b"));
    protocol.SelectCell(1, 1);
    EXPECT_TRUE(protocol.AcceptKey("a"));
    EXPECT_TRUE(protocol.AcceptKey("ä"));
}

TEST_F(ProtocolFixture, SelectingATimeCellSelectsTheRowAndRefusesTheCell) {
    addRows(1, 3);
    EXPECT_TRUE(protocol.SelectCell(2, 2));
    EXPECT_EQ(protocol.mode(), Protocol::Mode::Edit);
    EXPECT_EQ(protocol.cursor(), (Protocol::Cursor{2, 2, false}));
    EXPECT_FALSE(protocol.SelectCell(7, 3));
    EXPECT_EQ(protocol.mode(), Protocol::Mode::Browse);
    EXPECT_EQ(protocol.cursor(), (Protocol::Cursor{2, 3, true})) << "column stays, row moves";
    EXPECT_TRUE(protocol.SelectCell(3, 1));
    protocol.EscapeKey();
    EXPECT_EQ(protocol.mode(), Protocol::Mode::Browse);
    EXPECT_EQ(protocol.cursor(), (Protocol::Cursor{3, 1, true}));
}

TEST_F(ProtocolFixture, ClearAnsweredNeinChangesNothing) {
    addRows(1, 4);
    table.SetCell(7, 2, "9,123");
    dialogs.answer = false;
    EXPECT_FALSE(protocol.ClearProtocol());
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{"Zeitenprotokoll  löschen?"});
    EXPECT_EQ(table.RowCount(), 5);
    EXPECT_EQ(table.Cell(7, 2), "9,123");
    EXPECT_TRUE(buttons.empty());
    EXPECT_EQ(operatorChanges, 0);
}

TEST_F(ProtocolFixture, ClearAnsweredJaDropsRowsForGood) {
    addRows(1, 4);
    dialogs.answer = true;
    EXPECT_TRUE(protocol.ClearProtocol());
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_TRUE(table.IsRowEmpty(1));
    EXPECT_EQ(table.Cell(1, 0), "Name");
    EXPECT_EQ(buttons.back(), false);
    table.SetRowCount(5);
    for (int r = 1; r < 5; ++r)
        EXPECT_TRUE(table.IsRowEmpty(r)) << r;
}

TEST_F(ProtocolFixture, RemoveResultsKeepsNumbersNamesAndClasses) {
    table.AddRow({"1", "A", "B", "3", "0,5", "2,1", "99,0", "5,0", "5,5", "+", "1"});
    protocol.RemoveResults();
    EXPECT_EQ(table.Cell(3, 1), "3");
    for (int c = 4; c < 11; ++c)
        EXPECT_EQ(table.Cell(c, 1), "") << c;
}

TEST_F(ProtocolFixture, CellFormatsComboListAndSortStyles) {
    CellFormat f;
    protocol.GetCellFormat(5, 0, f);
    EXPECT_EQ(f.AlignmentHorz, taLeftJustify);
    EXPECT_EQ(f.AlignmentVert, taMiddle);
    protocol.GetCellFormat(2, 4, f);
    EXPECT_EQ(f.AlignmentHorz, taLeftJustify);
    protocol.GetCellFormat(9, 4, f);
    EXPECT_EQ(f.AlignmentHorz, taCenter);
    protocol.GetCellFormat(8, 4, f);
    EXPECT_EQ(f.AlignmentHorz, taRightJustify);
    EXPECT_FALSE(f.Combobox);
    protocol.GetCellFormat(3, 4, f);
    EXPECT_TRUE(f.Combobox);
    EXPECT_FALSE(f.CheckBox);

    EXPECT_TRUE(protocol.ComboItems(3, 1).empty()) << "browse mode offers no list";
    protocol.SelectCell(3, 1);
    EXPECT_EQ(protocol.ComboItems(3, 1).size(), 7u);
    protocol.SetComboBox(2, 1, "5");
    EXPECT_EQ(table.Cell(2, 1), "");
    protocol.SetComboBox(3, 1, "5");
    EXPECT_EQ(table.Cell(3, 1), "5");

    EXPECT_EQ(protocol.GetSortStyle(1), ssNormal);
    EXPECT_EQ(protocol.GetSortStyle(2), ssNormal);
    EXPECT_EQ(protocol.GetSortStyle(0), ssNumeric);
    EXPECT_EQ(protocol.GetSortStyle(8), ssNumeric);
}

} // namespace vk
