#include "protocol/GridRules.h"
#include "protocol/TextCodec.h"

#include <gtest/gtest.h>

namespace vk {

namespace {
// 7 pixels per character, like a narrow proportional font.
int sevenPerChar(const std::string& s) {
    return 7 * static_cast<int>(CharCount(s));
}
} // namespace

TEST(ShortenHeader, GeszeitInAFortyPixelColumnEndsWithDotsAndKeepsThreeCharacters) {
    const std::string t = ShortenHeader("Geszeit", HeaderRoom(40, false), sevenPerChar);
    EXPECT_EQ(t, "Ges..");
    EXPECT_LE(sevenPerChar(t), 39);
    // Far too narrow: it stops at three characters even though that does not fit.
    EXPECT_EQ(ShortenHeader("Geszeit", 5, sevenPerChar), "G..");
    EXPECT_EQ(ShortenHeader("Geszeit", 49, sevenPerChar), "Geszeit");
    // The sort arrow takes 12 pixels of the sorted column.
    EXPECT_EQ(ShortenHeader("Geszeit", HeaderRoom(45, true), sevenPerChar), "Ge..");
    EXPECT_EQ(ShortenHeader("Kl.", 10, sevenPerChar), "K..");
    EXPECT_EQ(ShortenHeader("Länge", 30, sevenPerChar), "Lä..") << "cuts whole characters";
}

TEST(ShortenHeader, AHugeHeaderCostsTimeInTheColumnWidthNotInItsLength) {
    const std::string huge(20000, 'W');
    long measured = 0;
    const std::string t = ShortenHeader(huge, 59, [&](const std::string& s) {
        measured += static_cast<long>(s.size());
        return sevenPerChar(s);
    });
    EXPECT_EQ(t, "WWWWWW..");
    EXPECT_LT(measured, 2000) << "characters measured";
}

TEST(GoToCellArithmetic, ClampsToDataCellsAndScrollsToTheRowAbove) {
    EXPECT_EQ(ClampToDataCell(-3, 0, 11, 5), (GridCell{0, 1}));
    EXPECT_EQ(ClampToDataCell(20, 99, 11, 5), (GridCell{10, 4}));
    EXPECT_EQ(ClampToDataCell(4, 2, 11, 5), (GridCell{4, 2}));
    EXPECT_EQ(ClampToDataCell(4, 2, 11, 1), (GridCell{4, 1}));
    EXPECT_EQ(ScrollTopRow(1, 100, 10), 1);
    EXPECT_EQ(ScrollTopRow(50, 100, 10), 49);
    EXPECT_EQ(ScrollTopRow(99, 100, 10), 90) << "no further than the last page";
    EXPECT_EQ(ScrollTopRow(3, 4, 10), 1);
}

TEST(NextTabCell, WalksTheStopsAndWrapsRowsAndTheTable) {
    const auto fourStops = [](int col) { return col <= 3; };
    struct Case {
        GridCell from;
        bool forward;
        GridCell to;
    } cases[] = {
        {{1, 1}, true, {2, 1}},  {{3, 1}, true, {0, 2}}, // over the results to the next row
        {{0, 2}, false, {3, 1}}, {{3, 3}, true, {0, 1}}, // back; the last row wraps to the top
        {{0, 1}, false, {3, 3}}, {{7, 2}, true, {0, 3}}, // from a result cell
    };
    for (const auto& c : cases)
        EXPECT_EQ(NextTabCell(c.from, c.forward, 11, 4, fourStops), c.to)
            << c.from.col << "," << c.from.row << (c.forward ? " Tab" : " Shift+Tab");
    // No other stop, or no data row: it stays.
    EXPECT_EQ(NextTabCell({0, 1}, true, 11, 2, [](int c) { return c == 0; }), (GridCell{0, 1}));
    EXPECT_EQ(NextTabCell({0, 1}, true, 11, 1, fourStops), (GridCell{0, 1}));
}

TEST(IncrementalSearch, FindsTheNextRowBelowAndWrapsToTheTop) {
    CellTable t(11, 6);
    t.SetCell(9, 1, "+");
    t.SetCell(9, 3, "+");
    t.SetCell(1, 4, "meier");
    t.SetCell(1, 5, "Müller");
    EXPECT_EQ(IncrementalSearchRow(t, 9, 1, "+"), 3);
    EXPECT_EQ(IncrementalSearchRow(t, 9, 3, "+"), 1) << "wraps to the top";
    EXPECT_EQ(IncrementalSearchRow(t, 9, 5, "+"), 1);
    EXPECT_EQ(IncrementalSearchRow(t, 9, 2, "x"), -1);
    EXPECT_EQ(IncrementalSearchRow(t, 1, 4, "m"), 5) << "upper case on both sides";
    EXPECT_EQ(IncrementalSearchRow(t, 1, 5, "M"), 4);
    t.SetCell(9, 1, "");
    t.SetCell(9, 2, "");
    EXPECT_EQ(IncrementalSearchRow(t, 9, 3, "+"), 3) << "the current row is searched last";
}

TEST(AutoSizeWidth, WidestTextPlusAnXOrTwoXForAnEmptyColumn) {
    CellTable t(3, 3);
    t.SetCell(0, 0, "Nr.");
    t.SetCell(0, 2, "12345");
    EXPECT_EQ(AutoSizeWidth(t, 0, false, sevenPerChar), 35 + 7);
    t.SetCell(0, 0, "Nummer");
    EXPECT_EQ(AutoSizeWidth(t, 0, true, sevenPerChar), 42 + 12 + 7) << "sorted header is wider";
    EXPECT_EQ(AutoSizeWidth(t, 1, false, sevenPerChar), 14);
}

TEST(TextCodec, Windows1252AndCaseOfUmlauts) {
    EXPECT_EQ(Windows1252ToUtf8("M\xFCller \x80"), "Müller €");
    EXPECT_TRUE(IsValidUtf8("Müller"));
    EXPECT_FALSE(IsValidUtf8("M\xFCller"));
    EXPECT_FALSE(IsValidUtf8("\xC0\x80")) << "overlong";
    EXPECT_EQ(Utf8Upper("äöü ß x"), "ÄÖÜ ß X");
    EXPECT_EQ(Utf8Lower("ÄÖÜ×A"), "äöü×a");
}

} // namespace vk
