#include "protocol/GridRules.h"

#include "protocol/TextCodec.h"

#include <algorithm>

namespace vk {

std::string ShortenHeader(const std::string& text, int maxWidth, const TextWidth& width) {
    if (width(text) <= maxWidth)
        return text;
    size_t n = CharCount(text);
    if (n < 2)
        return text;
    // Keep n - 2 characters and end with "..", then drop one more per step.
    size_t keep = n - 2;
    std::string t = FirstChars(text, keep) + "..";
    while (width(t) > maxWidth && keep + 2 > 3 && keep > 0) {
        --keep;
        t = FirstChars(text, keep) + "..";
    }
    return t;
}

int HeaderRoom(int columnWidth, bool sortedColumn) {
    return columnWidth - 1 - (sortedColumn ? 12 : 0);
}

GridCell ClampToDataCell(int col, int row, int colCount, int rowCount) {
    GridCell c;
    c.col = std::clamp(col, 0, std::max(colCount - 1, 0));
    c.row = std::clamp(row, 1, std::max(rowCount - 1, 1));
    return c;
}

int ScrollTopRow(int row, int rowCount, int visibleRows) {
    const int lastPageTop = std::max(1, rowCount - std::max(visibleRows, 1));
    return std::clamp(row - 1, 1, lastPageTop);
}

int IncrementalSearchRow(const CellTable& table, int col, int currentRow, const std::string& key) {
    const std::string wanted = Utf8Upper(FirstChar(key));
    if (wanted.empty())
        return -1;
    auto hit = [&](int r) {
        const std::string& c = table.Cell(col, r);
        return !c.empty() && Utf8Upper(FirstChar(c)) == wanted;
    };
    for (int r = std::max(currentRow + 1, 1); r < table.RowCount(); ++r)
        if (hit(r))
            return r;
    for (int r = 1; r <= currentRow && r < table.RowCount(); ++r)
        if (hit(r))
            return r;
    return -1;
}

int AutoSizeWidth(const CellTable& table, int col, bool sortedHeader, const TextWidth& width) {
    int widest = 0;
    bool any = false;
    for (int r = 0; r < table.RowCount(); ++r) {
        const std::string& c = table.Cell(col, r);
        if (c.empty())
            continue;
        any = true;
        widest = std::max(widest, width(c) + (r == 0 && sortedHeader ? 12 : 0));
    }
    if (!any)
        return width("xx");
    return widest + width("X");
}

bool IsCheckedText(const std::string& text) {
    return text == "true" || text == "1" || text == "V";
}

} // namespace vk
