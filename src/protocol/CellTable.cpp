#include "protocol/CellTable.h"

#include "protocol/TextCodec.h"

#include <algorithm>

namespace vk {

namespace {
const std::string kEmpty;

std::string lower(const std::string& s) {
    return Utf8Lower(s);
}
} // namespace

const std::string& TableSnapshot::Cell(int col, int row) const {
    if (row < 0 || row >= RowCount() || col < 0 || col >= cols)
        return kEmpty;
    const CellRow& r = *rows[static_cast<size_t>(row)];
    return static_cast<size_t>(col) < r.size() ? r[static_cast<size_t>(col)] : kEmpty;
}

CellTable::CellTable(int cols, int rows) : cols_(std::max(cols, 1)) {
    for (int r = 0; r < std::max(rows, 1); ++r)
        rows_.push_back(emptyRow());
}

CellRow& CellTable::mutableRow(int row) {
    auto& p = rows_[static_cast<size_t>(row)];
    // Only the ui thread takes and releases snapshots, so a count of one cannot grow meanwhile.
    if (p.use_count() > 1)
        p = std::make_shared<CellRow>(*p);
    return *p;
}

TableSnapshot CellTable::Snapshot() const {
    TableSnapshot s;
    s.cols = cols_;
    s.rows.assign(rows_.begin(), rows_.end());
    return s;
}

void CellTable::ReplaceRows(std::vector<CellRow> rows) {
    rows_.clear();
    rows_.reserve(std::max<size_t>(rows.size(), 2));
    for (auto& r : rows) {
        r.resize(static_cast<size_t>(cols_));
        rows_.push_back(std::make_shared<CellRow>(std::move(r)));
    }
    while (rows_.size() < 2)
        rows_.push_back(emptyRow());
    SetModified(true);
    changed(kReplaced);
}

CellTable::~CellTable() {
    if (onDestroyed)
        onDestroyed(this);
}

void CellTable::SetRowCount(int n) {
    n = std::max(n, 1);
    if (n == RowCount())
        return;
    if (n < RowCount())
        rows_.resize(static_cast<size_t>(n));
    while (RowCount() < n)
        rows_.push_back(emptyRow());
    SetModified(true);
    changed(kResized);
}

void CellTable::SetColCount(int n) {
    n = std::max(n, 1);
    if (n == cols_)
        return;
    cols_ = n;
    for (int r = 0; r < RowCount(); ++r)
        mutableRow(r).resize(static_cast<size_t>(cols_));
    SetModified(true);
    changed(kResized);
}

const std::string& CellTable::Cell(int col, int row) const {
    if (row < 0 || row >= RowCount() || col < 0 || col >= cols_)
        return kEmpty;
    return (*rows_[static_cast<size_t>(row)])[static_cast<size_t>(col)];
}

void CellTable::SetCell(int col, int row, std::string text) {
    if (row < 0 || row >= RowCount() || col < 0 || col >= cols_)
        return;
    if (Cell(col, row) == text)
        return;
    mutableRow(row)[static_cast<size_t>(col)] = std::move(text);
    changed(row);
}

int CellTable::FindRow(int col, const std::string& text, bool ignoreCase) const {
    const std::string wanted = ignoreCase ? lower(text) : text;
    for (int r = 1; r < RowCount(); ++r) {
        const std::string& c = Cell(col, r);
        if ((ignoreCase ? lower(c) : c) == wanted)
            return r;
    }
    return -1;
}

bool CellTable::IsRowEmpty(int row) const {
    if (row < 0 || row >= RowCount())
        return true;
    for (const auto& c : *rows_[static_cast<size_t>(row)])
        if (!c.empty())
            return false;
    return true;
}

void CellTable::AddRow(const std::vector<std::string>& values) {
    if (!IsRowEmpty(RowCount() - 1))
        SetRowCount(RowCount() + 1);
    const int last = RowCount() - 1;
    for (size_t i = 0; i < values.size() && static_cast<int>(i) < cols_; ++i)
        SetCell(static_cast<int>(i), last, values[i]);
}

void CellTable::ClearRow(int row) {
    for (int c = 0; c < cols_; ++c)
        SetCell(c, row, {});
}

void CellTable::DeleteRow(int row) {
    SetModified(true);
    if (RowCount() < 3) {
        ClearRow(1);
        if (onRowDeleted)
            onRowDeleted(1);
        return;
    }
    if (row < 1 || row >= RowCount())
        return;
    rows_.erase(rows_.begin() + row);
    changed(kResized);
    if (onRowDeleted)
        onRowDeleted(row);
}

std::vector<int> CellTable::SortByColumn(int col) {
    if (!SortOptions.CanSort)
        return {};
    SortOptions.SortCol = col;
    std::vector<int> order;
    for (int r = 1; r < RowCount(); ++r)
        order.push_back(r);
    const std::vector<int> keys = SortKeys(col, SortOptions.SecondaryIndex);
    // Least significant key first: each pass is stable, so the passes give a multi-key order.
    for (auto k = keys.rbegin(); k != keys.rend(); ++k) {
        const int key = *k;
        if (key >= cols_)
            continue;
        TSortStyle style = SortOptions.SortStyle;
        if (onGetSortStyle)
            onGetSortStyle(key, style);
        if (style == ssAutomatic) {
            std::vector<std::string> texts;
            for (int r = 1; r < RowCount(); ++r)
                texts.push_back(Cell(key, r));
            style = DetectSortStyle(texts, Locale);
            SortOptions.SortStyle = style;
        }
        // Each key is parsed once, indexed by its row.
        std::vector<SortKey> parsed(static_cast<size_t>(RowCount()));
        for (int r = 1; r < RowCount(); ++r)
            parsed[static_cast<size_t>(r)] = MakeSortKey(Cell(key, r), style, SortOptions, Locale);
        const bool descending = SortOptions.SortDirection == sdDescending;
        StableSortIndices(order, [&](int a, int b) {
            const int c = CompareSortKeys(parsed[static_cast<size_t>(a)],
                                          parsed[static_cast<size_t>(b)], style, SortOptions);
            return descending ? c > 0 : c < 0;
        });
    }
    std::vector<std::shared_ptr<CellRow>> sorted;
    sorted.reserve(order.size());
    for (int r : order)
        sorted.push_back(rows_[static_cast<size_t>(r)]);
    bool moved = false;
    for (size_t i = 0; i < sorted.size(); ++i) {
        if (order[i] != static_cast<int>(i) + 1)
            moved = true;
        rows_[i + 1] = std::move(sorted[i]);
    }
    SortOptions.SortCompare = nullptr;
    if (moved)
        changed(kResized);
    return order;
}

void CellTable::InsertRow(int row) {
    if (row < 1 || row > RowCount())
        return;
    rows_.insert(rows_.begin() + row, emptyRow());
    SetModified(true);
    changed(kResized);
}

void CellTable::InsertColumn(int col) {
    if (col < 0 || col > cols_)
        return;
    ++cols_;
    for (int r = 0; r < RowCount(); ++r) {
        CellRow& cells = mutableRow(r);
        cells.insert(cells.begin() + col, std::string());
    }
    SetModified(true);
    changed(kResized);
}

void CellTable::DeleteColumn(int col) {
    if (cols_ < 2 || col < 0 || col >= cols_)
        return;
    --cols_;
    for (int r = 0; r < RowCount(); ++r) {
        CellRow& cells = mutableRow(r);
        cells.erase(cells.begin() + col);
    }
    SetModified(true);
    changed(kResized);
}

void CellTable::SetModified(bool on) {
    modified_ = on;
    if (on && onModified)
        onModified();
}

} // namespace vk
