#include "protocol/GridRules.h"

#include "protocol/TextCodec.h"

#include <algorithm>

namespace vk {

std::string ShortenHeader(const std::string& text, int maxWidth, const TextWidth& width) {
    // A character is at least a pixel wide, so more than maxWidth + 3 characters never fit:
    // a hostile megabyte-long header is never measured as a whole.
    const size_t cap = static_cast<size_t>(std::max(maxWidth, 0)) + 3;
    const std::string head = FirstChars(text, cap + 1);
    const bool cut = head.size() < text.size();
    if (!cut && width(text) <= maxWidth)
        return text;
    const size_t n = CharCount(head);
    if (!cut && n < 2)
        return text;
    // The longest prefix that fits with "..", found by halving (widths grow with the prefix);
    // at least one character stays, as long as the text had three.
    const size_t most = cut ? cap : n - 2;
    if (most == 0)
        return "..";
    auto shortened = [&](size_t keep) { return FirstChars(head, keep) + ".."; };
    size_t lo = 1, hi = most;
    while (lo < hi) {
        const size_t mid = lo + (hi - lo + 1) / 2;
        if (width(shortened(mid)) <= maxWidth)
            lo = mid;
        else
            hi = mid - 1;
    }
    return shortened(lo);
}

int CellTextLeft(TAlignment a, int w, int tw) {
    switch (a) {
    case taLeftJustify:
        return 2;
    case taRightJustify:
        return w - tw - 2;
    case taCenter:
        return (w - tw) / 2;
    }
    return 2;
}

int CellTextTop(TVertAlignment a, int h, int th) {
    switch (a) {
    case taTopJustify:
        return 2;
    case taBottomJustify:
        return h - th - 3;
    case taMiddle:
        return (h - th) / 2;
    }
    return 2;
}

int CellWidthFor(int tw) {
    return tw + 2;
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

GridCell NextTabCell(GridCell from, bool forward, int colCount, int rowCount,
                     const std::function<bool(int col)>& stop) {
    const int dataRows = rowCount - 1;
    if (colCount <= 0 || dataRows <= 0)
        return from;
    // Cells numbered in reading order over the data rows.
    const int cells = colCount * dataRows;
    const int at = (from.row - 1) * colCount + from.col;
    for (int step = 1; step < cells; ++step) {
        const int i = ((at + (forward ? step : -step)) % cells + cells) % cells;
        if (!stop || stop(i % colCount))
            return {i % colCount, i / colCount + 1};
    }
    return from;
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
