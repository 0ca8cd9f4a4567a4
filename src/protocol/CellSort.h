#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vk {

enum TSortStyle {
    ssAutomatic,
    ssNormal,
    ssNumeric,
    ssNumericExtended,
    ssDateTime,
    ssTime,
    ssCustom
};
enum TSortDirection { sdAscending, sdDescending };

// How numbers, dates and times are written. The ui fills it from the system locale; the core
// has no locale of its own.
struct SortLocale {
    char decimalSeparator = ',';
    char dateSeparator = '.';
    char timeSeparator = ':';
    // Day, month, year (German) unless set; ISO dates (yyyy-mm-dd) are always understood.
    enum Order { DMY, MDY, YMD } dateOrder = DMY;
};

struct TSortOptions {
    bool CanSort = true;
    // Comma-separated column numbers of further sort keys.
    std::string SecondaryIndex;
    TSortStyle SortStyle = ssNormal;
    bool SortCaseSensitive = false;
    int SortCol = 0;
    TSortDirection SortDirection = sdAscending;
    bool UpdateOnSizeChange = false;
    // Used by ssCustom; cleared after every sort, so it must be supplied before each one.
    std::function<int(const std::string&, const std::string&)> SortCompare;
};

std::optional<double> ParseNumber(const std::string& text, const SortLocale& locale);
// Seconds since midnight, from h:mm[:ss[<decimal>fff]].
std::optional<double> ParseTime(const std::string& text, const SortLocale& locale);
// Days since 1 Jan 1 (any monotone count will do) plus the day fraction.
std::optional<double> ParseDateTime(const std::string& text, const SortLocale& locale);

// Negative, zero or positive. Unless case-sensitive both texts are lower-cased first; a text
// that does not parse in the style makes the pair compare as ordinal text.
int CompareCells(const std::string& a, const std::string& b, TSortStyle style,
                 const TSortOptions& options, const SortLocale& locale);

// A cell prepared once for sorting, so a sort parses each key once and not per comparison.
struct SortKey {
    std::string text;            // lower-cased unless case-sensitive
    std::optional<double> value; // the parsed value in the numeric, date and time styles
};
SortKey MakeSortKey(const std::string& text, TSortStyle style, const TSortOptions& options,
                    const SortLocale& locale);
// The same result as CompareCells on the two texts the keys were made from.
int CompareSortKeys(const SortKey& a, const SortKey& b, TSortStyle style,
                    const TSortOptions& options);

// ssNumeric when every text is a number, else ssDateTime when every one is a date-time, else
// ssTime when every one is a time, else ssNormal.
TSortStyle DetectSortStyle(const std::vector<std::string>& texts, const SortLocale& locale);

// The key columns of a sort by `col`: col first, then SecondaryIndex without col.
std::vector<int> SortKeys(int col, const std::string& secondaryIndex);

// Stable merge sort of indices that stays in bounds whatever the comparison says (pairwise
// text fallbacks need not be transitive). less(a, b) is true when a must come before b.
void StableSortIndices(std::vector<int>& items, const std::function<bool(int, int)>& less);

} // namespace vk
