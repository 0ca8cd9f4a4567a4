#include "protocol/CellTable.h"

#include <gtest/gtest.h>

namespace vk {

namespace {
CellTable tableOf(const std::vector<std::vector<std::string>>& rows) {
    CellTable t(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c)
            t.SetCell(static_cast<int>(c), static_cast<int>(r), rows[r][c]);
    return t;
}
std::vector<std::string> column(const CellTable& t, int col) {
    std::vector<std::string> v;
    for (int r = 1; r < t.RowCount(); ++r)
        v.push_back(t.Cell(col, r));
    return v;
}
using V = std::vector<std::string>;
} // namespace

TEST(CellTable, AddRowFillsAnEmptyLastRowAndAppendsAfterAFilledOne) {
    CellTable t(11, 2);
    t.AddRow({"7", "Meier"});
    EXPECT_EQ(t.RowCount(), 2);
    EXPECT_EQ(t.Cell(0, 1), "7");
    EXPECT_EQ(t.Cell(1, 1), "Meier");

    t.SetCell(1, 1, "");
    t.SetCell(0, 1, "");
    t.SetCell(9, 1, "+"); // any text makes the row non-empty
    t.AddRow({"8"});
    EXPECT_EQ(t.RowCount(), 3);
    EXPECT_EQ(t.Cell(0, 2), "8");
    EXPECT_EQ(t.Cell(9, 1), "+");
}

TEST(CellTable, DeleteRowWithOneDataRowEmptiesItAndKeepsTwoRows) {
    CellTable t(11, 2);
    t.SetCell(0, 1, "5");
    t.SetCell(1, 1, "Huber");
    int deleted = -1;
    t.onRowDeleted = [&](int r) { deleted = r; };
    t.DeleteRow(1);
    EXPECT_EQ(t.RowCount(), 2);
    EXPECT_TRUE(t.IsRowEmpty(1));
    EXPECT_TRUE(t.Modified());
    EXPECT_EQ(deleted, 1);

    t.AddRow({"1"});
    t.AddRow({"2"});
    t.DeleteRow(1);
    EXPECT_EQ(t.RowCount(), 2);
    EXPECT_EQ(t.Cell(0, 1), "2");
}

TEST(CellTable, FindRowMatchesTheWholeTextAndCaseOnlyWhenAsked) {
    CellTable t = tableOf({{"Nr.", "Name"}, {"012", "a"}, {"12 ", "b"}, {"12", "Öl"}});
    EXPECT_EQ(t.FindRow(0, "12", false), 3);
    EXPECT_EQ(t.FindRow(0, "Nr.", false), -1) << "the header is not searched";
    EXPECT_EQ(t.FindRow(1, "öl", false), -1);
    EXPECT_EQ(t.FindRow(1, "öl", true), 3);
    EXPECT_EQ(t.FindRow(0, "13", false), -1);
}

TEST(CellTable, InsertRowAndColumnsKeepTheOtherCells) {
    CellTable t = tableOf({{"a", "b"}, {"1", "x"}, {"2", "y"}});
    t.SetModified(false);
    t.InsertRow(2);
    EXPECT_EQ(column(t, 0), (V{"1", "", "2"}));
    EXPECT_TRUE(t.Modified());
    t.InsertRow(0); // the header stays first
    t.InsertRow(99);
    EXPECT_EQ(t.RowCount(), 4);
    t.InsertColumn(1);
    EXPECT_EQ(t.ColCount(), 3);
    EXPECT_EQ(t.Cell(2, 0), "b");
    EXPECT_EQ(t.Cell(1, 1), "");
    t.DeleteColumn(0);
    t.DeleteColumn(0);
    EXPECT_EQ(t.ColCount(), 1);
    EXPECT_EQ(t.Cell(0, 0), "b");
    t.DeleteColumn(0);
    EXPECT_EQ(t.ColCount(), 1) << "the last column stays";
}

TEST(CellTable, ShrinkingDropsRowsForGood) {
    CellTable t(11, 2);
    t.AddRow({"1", "A"});
    t.AddRow({"2", "B"});
    t.AddRow({"3", "C"});
    t.SetRowCount(2);
    t.SetRowCount(4);
    EXPECT_TRUE(t.IsRowEmpty(2));
    EXPECT_TRUE(t.IsRowEmpty(3));
}

TEST(CellTableSort, NumericSortPutsADashWhereTextComparisonSays) {
    CellTable t = tableOf({{"FZ"}, {"10,5"}, {"-"}, {"9,25"}, {"100"}});
    t.SortOptions.SortStyle = ssNumeric;
    t.SortByColumn(0);
    // "-" sorts before every digit as text; the numbers keep their numeric order.
    EXPECT_EQ(column(t, 0), (V{"-", "9,25", "10,5", "100"}));
    t.SortOptions.SortDirection = sdDescending;
    t.SortByColumn(0);
    EXPECT_EQ(column(t, 0), (V{"100", "10,5", "9,25", "-"}));
    EXPECT_EQ(t.Cell(0, 0), "FZ") << "the header stays";
}

TEST(CellTableSort, NonTransitiveFallbacksStayInBoundsAndKeepEveryRow) {
    // "5a" compares as text against numbers, which makes the order cyclic: the sort must not
    // lose or duplicate rows.
    CellTable t = tableOf({{"k"}, {"10"}, {"9"}, {"5a"}, {"10"}, {"9"}, {"5a"}, {"x"}, {"1"}});
    t.SortOptions.SortStyle = ssNumeric;
    t.SortByColumn(0);
    V got = column(t, 0);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (V{"1", "10", "10", "5a", "5a", "9", "9", "x"}));
}

TEST(CellTableSort, EqualKeysKeepTheirOrderInBothDirections) {
    CellTable t = tableOf({{"k", "id"}, {"b", "1"}, {"a", "2"}, {"b", "3"}, {"a", "4"}});
    t.SortByColumn(0);
    EXPECT_EQ(column(t, 1), (V{"2", "4", "1", "3"}));
    t.SortOptions.SortDirection = sdDescending;
    t.SortByColumn(0);
    EXPECT_EQ(column(t, 1), (V{"1", "3", "2", "4"}));
}

TEST(CellTableSort, SecondaryIndexOrdersEqualPrimaryKeys) {
    CellTable t =
        tableOf({{"cls", "time"}, {"2", "9,5"}, {"1", "10,1"}, {"2", "8,7"}, {"1", "9,9"}});
    t.SortOptions.SortStyle = ssNumeric;
    t.SortOptions.SecondaryIndex = "1, 0";
    const std::vector<int> order = t.SortByColumn(0);
    EXPECT_EQ(column(t, 1), (V{"9,9", "10,1", "8,7", "9,5"}));
    EXPECT_EQ(order, (std::vector<int>{4, 2, 3, 1}));
}

TEST(CellTableSort, CaseInsensitiveUnlessAskedAndNothingWithoutCanSort) {
    CellTable t = tableOf({{"n"}, {"b"}, {"A"}, {"ä"}, {"Äb"}});
    t.SortByColumn(0);
    EXPECT_EQ(column(t, 0), (V{"A", "b", "ä", "Äb"}));
    t.SortOptions.SortCaseSensitive = true;
    t.SortByColumn(0);
    EXPECT_EQ(column(t, 0), (V{"A", "b", "Äb", "ä"}));
    t.SortOptions.CanSort = false;
    t.SortOptions.SortDirection = sdDescending;
    EXPECT_TRUE(t.SortByColumn(0).empty());
    EXPECT_EQ(column(t, 0), (V{"A", "b", "Äb", "ä"}));
}

TEST(CellTableSort, AutomaticStyleIsDetectedAndStored) {
    CellTable nums = tableOf({{"n"}, {"10"}, {"9,5"}, {"-1"}});
    nums.SortOptions.SortStyle = ssAutomatic;
    nums.SortByColumn(0);
    EXPECT_EQ(nums.SortOptions.SortStyle, ssNumeric);
    EXPECT_EQ(column(nums, 0), (V{"-1", "9,5", "10"}));

    CellTable dates = tableOf({{"d"}, {"02.01.2024"}, {"31.12.2023 10:00"}, {"01.01.2024"}});
    dates.SortOptions.SortStyle = ssAutomatic;
    dates.SortByColumn(0);
    EXPECT_EQ(dates.SortOptions.SortStyle, ssDateTime);
    EXPECT_EQ(column(dates, 0), (V{"31.12.2023 10:00", "01.01.2024", "02.01.2024"}));

    CellTable times = tableOf({{"t"}, {"9:05"}, {"10:00:01"}, {"09:04:59,5"}});
    times.SortOptions.SortStyle = ssAutomatic;
    times.SortByColumn(0);
    EXPECT_EQ(times.SortOptions.SortStyle, ssTime);
    EXPECT_EQ(column(times, 0), (V{"09:04:59,5", "9:05", "10:00:01"}));

    CellTable mixed = tableOf({{"m"}, {"10"}, {"9:05"}, {""}});
    mixed.SortOptions.SortStyle = ssAutomatic;
    mixed.SortByColumn(0);
    EXPECT_EQ(mixed.SortOptions.SortStyle, ssNormal);
}

TEST(CellTableSort, StyleCallbackAndCustomComparisonIsUsedOnce) {
    CellTable t = tableOf({{"n"}, {"bb"}, {"a"}, {"ccc"}});
    t.SortOptions.SortStyle = ssCustom;
    t.SortOptions.SortCompare = [](const std::string& a, const std::string& b) {
        return static_cast<int>(b.size()) - static_cast<int>(a.size());
    };
    t.SortByColumn(0);
    EXPECT_EQ(column(t, 0), (V{"ccc", "bb", "a"}));
    EXPECT_FALSE(t.SortOptions.SortCompare) << "must be supplied again for the next sort";
    t.SortByColumn(0); // ordinal text without a routine
    EXPECT_EQ(column(t, 0), (V{"a", "bb", "ccc"}));

    int asked = -1;
    t.onGetSortStyle = [&](int col, TSortStyle& s) {
        asked = col;
        s = ssNumeric;
    };
    t.SetCell(0, 1, "10");
    t.SetCell(0, 2, "9");
    t.SetCell(0, 3, "100");
    t.SortByColumn(0);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(column(t, 0), (V{"9", "10", "100"}));
}

TEST(CompareCells, NumberTimeAndDateParsingFollowTheLocale) {
    SortLocale de;
    EXPECT_EQ(ParseNumber(" 5,123 ", de), 5.123);
    EXPECT_FALSE(ParseNumber("5.123", de));
    EXPECT_FALSE(ParseNumber("-", de));
    EXPECT_FALSE(ParseNumber("", de));
    SortLocale en;
    en.decimalSeparator = '.';
    EXPECT_EQ(ParseNumber("5.123", en), 5.123);
    EXPECT_FALSE(ParseNumber("5,123", en));
    EXPECT_FALSE(ParseDateTime("30.02.2024", de)) << "no 30th of February";
    EXPECT_TRUE(ParseDateTime("29.02.2024", de));
    EXPECT_TRUE(ParseDateTime("2024-02-29 12:30", de));
    EXPECT_FALSE(ParseTime("24:00", de));

    TSortOptions o;
    EXPECT_LT(CompareCells("file2", "file10", ssNumericExtended, o, de), 0);
    EXPECT_LT(CompareCells("", "a1", ssNumericExtended, o, de), 0);
    EXPECT_GT(CompareCells("b", "a", ssNumericExtended, o, de), 0);
}

} // namespace vk
