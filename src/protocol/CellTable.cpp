#include "protocol/CellTable.h"

#include <algorithm>
#include <cctype>

namespace vk {

namespace {
const std::string kEmpty;

std::string lower(const std::string& s) {
    std::string r = s;
    std::transform(r.begin(), r.end(), r.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return r;
}
} // namespace

CellTable::CellTable(int cols, int rows) : cols_(std::max(cols, 1)) {
    rows_.assign(static_cast<size_t>(std::max(rows, 1)), std::vector<std::string>(cols_));
}

void CellTable::SetRowCount(int n) {
    n = std::max(n, 1);
    if (n == RowCount())
        return;
    rows_.resize(static_cast<size_t>(n), std::vector<std::string>(cols_));
    SetModified(true);
    changed(-1);
}

void CellTable::SetColCount(int n) {
    n = std::max(n, 1);
    if (n == cols_)
        return;
    cols_ = n;
    for (auto& r : rows_)
        r.resize(static_cast<size_t>(cols_));
    SetModified(true);
    changed(-1);
}

const std::string& CellTable::Cell(int col, int row) const {
    if (row < 0 || row >= RowCount() || col < 0 || col >= cols_)
        return kEmpty;
    return rows_[static_cast<size_t>(row)][static_cast<size_t>(col)];
}

void CellTable::SetCell(int col, int row, std::string text) {
    if (row < 0 || row >= RowCount() || col < 0 || col >= cols_)
        return;
    auto& cell = rows_[static_cast<size_t>(row)][static_cast<size_t>(col)];
    if (cell == text)
        return;
    cell = std::move(text);
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
    for (const auto& c : rows_[static_cast<size_t>(row)])
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
        return;
    }
    if (row < 1 || row >= RowCount())
        return;
    rows_.erase(rows_.begin() + row);
    changed(-1);
}

void CellTable::SetModified(bool on) {
    modified_ = on;
    if (on && onModified)
        onModified();
}

} // namespace vk
