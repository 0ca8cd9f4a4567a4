#pragma once
#include "protocol/CellSort.h"

#include <functional>
#include <string>
#include <vector>

namespace vk {

// Rows by columns of text cells; row 0 is the header, data rows are 1..RowCount()-1.
// Cells are addressed (column, row). Reading outside the table gives the empty text.
class CellTable {
public:
    explicit CellTable(int cols = 11, int rows = 2);
    // Raises onDestroyed, so views that may outlive the table can let go of it.
    ~CellTable();
    CellTable(const CellTable&) = default;
    CellTable& operator=(const CellTable&) = default;

    int ColCount() const { return cols_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // Shrinking drops the rows for good; growing adds empty rows.
    void SetRowCount(int n);
    void SetColCount(int n);

    const std::string& Cell(int col, int row) const;
    void SetCell(int col, int row, std::string text);

    // First data row whose cell in `col` equals `text`; -1 when none.
    int FindRow(int col, const std::string& text, bool ignoreCase) const;
    bool IsRowEmpty(int row) const;
    // Appends a row unless the last row is empty, then writes value i into column i of the
    // last row.
    void AddRow(const std::vector<std::string>& values);
    // With only one data row left, that row is emptied instead of deleted.
    void DeleteRow(int row);
    void ClearRow(int row);
    // An empty row before `row` (1..RowCount(); RowCount() appends).
    void InsertRow(int row);
    // An empty column before `col` (0..ColCount()).
    void InsertColumn(int col);
    // Removes a column; the last one stays.
    void DeleteColumn(int col);

    bool Modified() const { return modified_; }
    void SetModified(bool on);

    // Sorting settings and the number formats the comparisons read.
    TSortOptions SortOptions;
    SortLocale Locale;
    // Sorts the data rows by `col`, then by the SecondaryIndex columns, stably: rows with
    // equal keys keep their order in both directions. Does nothing unless CanSort. Returns
    // the old row index of each new row 1..RowCount()-1 (empty when nothing was sorted), so a
    // view can keep its selected rows.
    std::vector<int> SortByColumn(int col);
    // Asked for each key column while sorting; may replace the style it is given.
    std::function<void(int col, TSortStyle& style)> onGetSortStyle;
    // Raised after DeleteRow removed or emptied a row.
    std::function<void(int row)> onRowDeleted;

    // Raised after a cell or a row changed (row index), and after the size changed (-1).
    std::function<void(int row)> onChanged;
    std::function<void()> onModified;
    // Raised by the destructor with the dying table (a copy carries the callback along, so
    // receivers compare the pointer).
    std::function<void(const CellTable* table)> onDestroyed;

private:
    void changed(int row) {
        if (onChanged)
            onChanged(row);
    }
    int cols_;
    std::vector<std::vector<std::string>> rows_;
    bool modified_ = false;
};

} // namespace vk
