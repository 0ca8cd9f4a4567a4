#pragma once
#include "protocol/CellTable.h"

#include <string>
#include <vector>

namespace vk {

// What the workbook says about itself.
struct WorkbookInfo {
    std::string sheetName; // made a valid sheet name (no []:*?/\, at most 31 characters)
    std::string title;
    std::string subject;
    std::string author;
};

// Writes every row (the header too) and every column of the table as one sheet: the header row
// bold with a medium border, thin borders around all other cells, columns as wide as their
// texts. A cell whose text is a plain number in the table's notation (digits, the decimal
// separator, a leading minus; in the run-time columns the comma) goes in as a number shown
// with the same decimals ("0.000", "0.0"), so the spreadsheet can sort and sum it and reading
// it back gives the same text; everything else is text.
// The bytes of the .xlsx; empty with `error` set (one line) when the library fails.
std::string XlsxBytes(const CellTable& table, const WorkbookInfo& info, std::string& error);

// Column widths in the spreadsheet's character units, fitted to the longest text.
std::vector<double> XlsxColumnWidths(const CellTable& table);

} // namespace vk
