#pragma once
#include "protocol/CellTable.h"
#include "protocol/GridRules.h"

#include <QListWidget>
#include <QPointer>
#include <QTableView>

#include <functional>
#include <string>
#include <vector>

namespace vk {

class CellTableModel;
class SortGridHeader;
class SortGridDelegate;

// The sortable string grid: a view over a CellTable whose row 0 is the header and whose rows
// 1.. are the data rows (shown as view rows 0..). Cells are addressed (column, table row)
// everywhere in this interface. The owner decides per cell through the callbacks; the
// comparison and search rules live in the core (CellTable, GridRules).
class TSortGrid : public QTableView {
    Q_OBJECT

public:
    explicit TSortGrid(CellTable& table, QWidget* parent = nullptr);
    ~TSortGrid() override;

    // Valid while !detached().
    CellTable& table() { return *table_; }
    TSortOptions& SortOptions() { return table_->SortOptions; }
    // The table was destroyed before the grid (a window's members die before its child
    // widgets): the grid shows nothing, drops its callbacks and ignores input from then on.
    bool detached() const { return table_ == nullptr; }

    // Ctrl+Insert inserts a row at the current row, Ctrl+Delete deletes it (with more than 2
    // rows); with Shift the same for columns (delete with more than 1 column).
    bool ExtendedKeys = false;
    // Kept with the grid's settings; the grid itself prints nothing.
    TPrintOptions PrintOptions;

    // Defaults handed to the format callback.
    TAlignment AlignmentHorz = taLeftJustify;
    TVertAlignment AlignmentVert = taTopJustify;
    TCellBevelStyle BevelStyle = cbNone;

    // The grid options "editing" and "row select".
    void setEditing(bool on);
    bool editing() const { return editing_; }
    void setRowSelect(bool on);
    bool rowSelect() const { return rowSelect_; }
    bool editorActive() const { return state() == QAbstractItemView::EditingState; }

    int Col() const;
    int Row() const;
    // Makes (col, row) current without asking onSelectCell; with row select the whole row is
    // the selection, else the cell alone.
    void setCurrentCell(int col, int row);
    // Clamps to the data cells; if onSelectCell allows it the cell becomes current with its
    // row selected alone; with `scroll` the row above it becomes the first visible row.
    void GoToCell(int col, int row, bool scroll);
    void AutoSizeColumn(int col);
    // Sorts through the table (nothing unless CanSort) and keeps the current row on its row.
    void SortByColumn(int col);
    // -1 hides the column.
    void setColWidth(int col, int width);
    int colWidth(int col) const;
    int gridLineWidth() const;
    int visibleDataRows() const;
    int firstVisibleRow() const;

    CellFormat cellFormat(int col, int row, int state = 0) const;
    // The header text as drawn: shortened with ".." to the column's room.
    std::string shownHeaderText(int col) const;

    // The drop-down list of Combobox cells (one shared list, refilled at each opening).
    QListWidget* comboList() const { return combo_; }
    bool comboVisible() const;
    // Opens the list on a Combobox cell; false when nothing opened.
    bool OpenComboBox(int col, int row);

    // Called by the model after the table changed or went away.
    void tableChanged(int row);
    void tableGone();

    std::function<void(int col, int row, int state, CellFormat& format)> onGetCellFormat;
    std::function<void(int col, int row, bool& canSelect)> onSelectCell;
    // Whether Tab stops in a column (every shown column when unset). Asked without side
    // effects; the cell Tab reaches is then offered to onSelectCell.
    std::function<bool(int col)> onTabStop;
    // The current cell moved (any cause).
    std::function<void(int col, int row)> onCurrentChanged;
    // A typed character (UTF-8; "\b" for Backspace); clear it to discard the key.
    std::function<void(std::string& key)> onKeyPress;
    std::function<void(int key, Qt::KeyboardModifiers modifiers)> onKeyDown;
    std::function<void(int col, int row, std::vector<std::string>& items, int& width, int& height,
                       bool& sorted)>
        onGetComboBox;
    std::function<void(int col, int row, const std::string& text)> onSetComboBox;
    std::function<void(int col, int row, bool checked)> onSetChecked;
    std::function<void(int col, int row)> onSetEllipsis;
    std::function<void(int col, int row, const std::string& oldText, std::string& newText,
                       bool& valid)>
        onCellValidate;
    // The operator changed a cell's text (editor, drop-down list or check box).
    std::function<void(int col, int row)> onCellEdited;
    std::function<void()> onResized;
    // A cell's text is wider than its cell (neededWidth would show it whole). Asked while
    // the cell is painted: the owner may widen the column later, never from inside.
    std::function<void(int col, int row, int neededWidth)> onTextTooWide;

    // Commits and closes an open in-place editor (row commands do this first).
    void commitEditor();

    // For the model and the delegate.
    bool filterTypedKey(std::string& key);
    void editorKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void editorOpened(QWidget* editor, int col, int row);
    // Each change of the editor's text goes into the cell at once; Esc puts the text the cell
    // had before back; committing (Enter, leaving the cell) validates and reports the edit.
    void liveEdit(int col, int row, const std::string& text);
    void revertEdit();
    bool storeEdit(int col, int row, const std::string& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    bool event(QEvent* event) override;
    void keyboardSearch(const QString&) override {}
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class SortGridHeader;
    bool askSelect(int col, int row);
    // Tab never leaves the grid: it walks the cells and wraps the rows, as a spreadsheet.
    void tabTo(bool next);
    void commitCombo();
    void cancelCombo();
    void toggleCheck(int col, int row);
    void applyEditTriggers();
    QModelIndex indexOf(int col, int row) const;

    CellTable* table_;
    CellTableModel* model_ = nullptr;
    SortGridHeader* header_;
    SortGridDelegate* delegate_;
    QPointer<QListWidget> combo_;
    int comboCol_ = -1, comboRow_ = -1;
    bool comboClosing_ = false;
    bool editing_ = false;
    bool rowSelect_ = true;
    QModelIndex pressed_;
    int savedCol_ = 0, savedRow_ = 1;
    bool restoring_ = false;
    struct EditOrigin {
        int col = 0, row = 0;
        std::string text;
        bool valid = false;
    } origin_;
    QPointer<QWidget> editor_;
};

} // namespace vk
