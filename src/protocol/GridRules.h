#pragma once
#include "protocol/CellTable.h"

#include <functional>
#include <string>

namespace vk {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TVertAlignment { taTopJustify, taBottomJustify, taMiddle };
enum TCellBevelStyle { cbNone, cbRaised, cbLowered };

// What the grid asks its owner for each cell it draws. Colours and fonts stay the view's.
struct CellFormat {
    TAlignment AlignmentHorz = taLeftJustify;
    TVertAlignment AlignmentVert = taTopJustify;
    TCellBevelStyle BevelStyle = cbNone;
    bool CheckBox = false;
    bool Combobox = false;
    bool Ellipsis = false;
};

enum TMyPrintRange { prAll, prSelected };
struct TPrintOptions {
    std::string JobTitle;
    std::string PageTitle;
    unsigned Copies = 0;
    TMyPrintRange PrintRange = prAll;
    int FromRow = 0;
    int ToRow = 0;
    unsigned PreviewPage = 0;
};

// Cell state bits handed to the format callback.
constexpr int kCellSelected = 1;
constexpr int kCellFocused = 2;

using TextWidth = std::function<int(const std::string& utf8)>;

// A header text that fits `maxWidth`: when too wide its last two characters become "..",
// then characters before the ".." go while it is still too wide and longer than three
// characters. Measures O(log maxWidth) texts of at most maxWidth + 3 characters, whatever the
// text's length.
std::string ShortenHeader(const std::string& text, int maxWidth, const TextWidth& width);
// The room a header text has in a column: width - 1, and 12 less for the sort column.
int HeaderRoom(int columnWidth, bool sortedColumn);

// Where a cell's text starts inside a cell of w x h (the cell without its grid line), for a
// text of tw x th: 2 from the left, 2 from the right or centred; 2 from the top, 3 from the
// bottom or centred (integer halves). The text is drawn whole, clipped to the cell.
int CellTextLeft(TAlignment a, int w, int tw);
int CellTextTop(TVertAlignment a, int h, int th);
// The narrowest cell that shows a text of width tw whole: room for the 2-pixel side offset.
int CellWidthFor(int tw);

struct GridCell {
    int col = 0;
    int row = 1;
    bool operator==(const GridCell&) const = default;
};
// GoToCell's target: col within 0..colCount-1, row within the data rows 1..rowCount-1.
GridCell ClampToDataCell(int col, int row, int colCount, int rowCount);
// The cell Tab (forward) or Shift+Tab goes to, as in a spreadsheet: the next cell in
// reading order that `stop` accepts, wrapping to the next or previous data row and from the
// last row to the first; the cell itself when no other is accepted. Row 0 is never visited.
GridCell NextTabCell(GridCell from, bool forward, int colCount, int rowCount,
                     const std::function<bool(int col)>& stop);
// First visible row when scrolling to `row`: the row above it, at least 1 and no further down
// than the top row of the last page (`visibleRows` data rows fit on a page).
int ScrollTopRow(int row, int rowCount, int visibleRows);

// Incremental search: the rows below `currentRow`, then rows 1..currentRow, are searched for
// the first non-empty cell in `col` whose first character in upper case is `key` in upper
// case. -1 when none.
int IncrementalSearchRow(const CellTable& table, int col, int currentRow, const std::string& key);

// AutoSizeColumn: the widest cell text of the column (the header 12 wider when it is the
// sorted column) plus the width of "X"; the width of "xx" when every cell is empty.
int AutoSizeWidth(const CellTable& table, int col, bool sortedHeader, const TextWidth& width);

// A check-box cell is checked for "true", "1" and "V"; toggling writes "V" or empty.
bool IsCheckedText(const std::string& text);

} // namespace vk
