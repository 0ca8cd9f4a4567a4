#pragma once
#include "protocol/CellSort.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vk {

using CellRow = std::vector<std::string>;

// A table's rows at one moment, shared with the table until either side changes a row: taking
// one costs a pointer per row, so the ui thread can hand it to the backup writer at once. A
// snapshot is read-only; it must be released on the thread that took it.
struct TableSnapshot {
    int cols = 0;
    std::vector<std::shared_ptr<const CellRow>> rows;
    int RowCount() const { return static_cast<int>(rows.size()); }
    const std::string& Cell(int col, int row) const;
};

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

    TableSnapshot Snapshot() const;
    // Replaces every row (row 0 included) by `rows`, each cut or padded to the column count;
    // at least two rows remain. Views are told once (kReplaced), not per cell.
    void ReplaceRows(std::vector<CellRow> rows);

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

    // Raised after a cell or a row changed (row index), after the size changed (kResized) and
    // after every row was replaced (kReplaced).
    static constexpr int kResized = -1;
    static constexpr int kReplaced = -2;
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
    // Copy-on-write: a row shared with a snapshot is copied before it changes.
    CellRow& mutableRow(int row);
    std::shared_ptr<CellRow> emptyRow() const { return std::make_shared<CellRow>(cols_); }

    int cols_;
    std::vector<std::shared_ptr<CellRow>> rows_;
    bool modified_ = false;
};

} // namespace vk
