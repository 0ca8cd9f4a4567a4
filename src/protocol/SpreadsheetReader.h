#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace vk {

struct SheetReadOptions {
    // Cells taken from each row (columns A, B, ...); the rest of a row is ignored.
    int columns = 11;
    // Numbers are shown in the locale's notation; in the columns of commaColumns (0-based)
    // always with a comma.
    char decimalSeparator = ',';
    // A sheet with more rows to import than this is refused as a whole.
    size_t maxRows = 1000000;
    // No part of an .xlsx is inflated beyond this many bytes (the sheet may use all of it;
    // the other parts have smaller bounds of their own).
    size_t maxPartBytes = size_t{1} << 30;
    // The rows read from either kind of file hold no more text than this, every cell counted
    // as placed: a few cells naming one long shared string must not become a protocol that
    // every later backup has to write. A large event's protocol is a few hundred kilobytes.
    size_t maxTextBytes = size_t{8} << 20;
    std::vector<int> commaColumns{};

    char separatorOf(int col) const {
        for (int c : commaColumns)
            if (c == col)
                return ',';
        return decimalSeparator;
    }
};

// The rows of the first sheet in workbook order, from sheet row 1 down to the row before the
// first one whose column A is empty (a missing row counts as empty); each row has exactly
// `columns` cells.
using SheetRows = std::vector<std::vector<std::string>>;

// Each returns false with `error` set (one line, German) when the file cannot be read as a
// whole; `rows` is then left empty.
bool ReadXlsxBytes(const std::string& bytes, const SheetReadOptions& options, SheetRows& rows,
                   std::string& error);
bool ReadXls(const std::string& path, const SheetReadOptions& options, SheetRows& rows,
             std::string& error);
// Reads an .xlsx or an .xls, told apart by their first bytes, not by the name.
bool ReadSpreadsheet(const std::string& path, const SheetReadOptions& options, SheetRows& rows,
                     std::string& error);

} // namespace vk
