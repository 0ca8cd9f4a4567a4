#pragma once
#include <string>

namespace vk {

// How numbers look in spreadsheet cells: which cell texts go into a sheet as numbers, and
// how a number read from a sheet is shown.

// True when `text` is a plain number in the table's notation (digits, the decimal
// separator, a leading minus; no leading zeros, at most 15 digits), so that showing it with
// its own count of decimals gives the text back; then `value` and `decimals` are set.
bool SpreadsheetNumber(const std::string& text, char decimalSeparator, double& value,
                       int& decimals);

// The decimals a number format shows: at least min, at most max; max -1 is the general
// format.
struct NumberDecimals {
    int min = 0;
    int max = -1;
};
// A format code such as "0.000" or "#,##0.0#"; dates, times, percentages, exponents and text
// formats count as general.
NumberDecimals DecimalsOfFormatCode(const std::string& code);
// The built-in formats by their number.
NumberDecimals DecimalsOfBuiltinFormat(long long id);

// A number as the spreadsheet shows it: with at least minDecimals and at most maxDecimals
// decimals; maxDecimals < 0 is the general format (up to 15 significant digits).
std::string FormatSpreadsheetNumber(double value, int minDecimals, int maxDecimals,
                                    char decimalSeparator);

} // namespace vk
