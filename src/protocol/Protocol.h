#pragma once
#include "platform/Services.h"
#include "protocol/CellTable.h"
#include "protocol/GridRules.h"
#include "protocol/ProtocolText.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace vk {

// The eleven header texts of the protocol table, in column order.
extern const std::array<const char*, 11> ProtocolHeaders;

// Column widths of the protocol table for a grid client width (column 10 hidden as -1).
// `atLeast` widens a result column (4 to 9) whose text would not fit, so a time is never cut;
// the name column gives the room.
// `placeShown`: column 10 ("Platz") is shown, 40 wide.
std::array<int, 11> ProtocolColumnWidths(int clientWidth, const std::array<int, 11>& atLeast = {},
                                         bool placeShown = false);
// The widest a result column grows for its text (a loaded file may hold any text there).
constexpr int kResultColumnMaxWidth = 160;

// Parses a start-number cell as a decimal integer (leading blanks and a sign allowed).
bool ParseStartNumber(const std::string& text, int& value);

// The results protocol: the rules of the table the race control writes into and the operator
// edits. The grid view mirrors mode() and cursor() and forwards the operator's input here.
class Protocol {
public:
    static constexpr int kColumns = 11;
    static constexpr int kLastStartNumber = 301;

    enum class Mode { Browse, Edit };
    // The current cell; wholeRow when the whole current row is the selection.
    struct Cursor {
        int col = 0;
        int row = 1;
        bool wholeRow = true;
        bool operator==(const Cursor&) const = default;
    };

    Protocol(CellTable& table, Dialogs& dialogs);

    CellTable& table() { return table_; }
    const CellTable& table() const { return table_; }

    // Writes ProtocolHeaders into row 0.
    void FillHeaders();
    // Fills every empty or blank header cell from ProtocolHeaders.
    void RefillBlankHeaders();

    // The enabled state of sbCLS, sbPrint, sbExcel, sbSave and sbInet.
    bool ButtonsEnabled() const;
    // Computes ButtonsEnabled() and hands it to onProtocolButtons.
    void UpdateProtocolButtons();

    // Cells (0,1), (0,2), (0,3), (0,4) to lane 1 current, lane 2 current, lane 1 next, lane 2
    // next; the first cell without a whole number ends the transfer. The current number of a
    // lane being timed (laneTimed) never changes: its result would land in another row.
    void TakeNextStartNumbers();
    // Whether a lane (1 or 2) is being timed just now, and its start number.
    std::function<bool(int lane)> laneTimed;
    std::function<int(int lane)> laneStartNumber;
    // A command that would remove the row of a lane being timed (`row`, or every row when -1)
    // is refused: its stop writes into that row. The status bar says why.
    bool RefusedWhileTimed(const std::string& command, int row = -1);
    int NextFreeStartNumber() const;

    // Row commands.
    void NewRow();
    void DeleteRow();
    // Asks first and keeps the replaced protocol (onReplacing); true when removed.
    bool RemoveResults();
    // Asks "Zeitenprotokoll  löschen?"; true when the protocol was cleared.
    bool ClearProtocol();

    // Marks of the race control. The joker toggles the advance mark "+" (column 9) of the
    // current row; the accident mark writes "-" from column 6 to the last; the step to the
    // next race keeps only the rows marked "+".
    void ToggleJoker();
    void MarkAccident();
    void KeepAdvancingRows();
    bool CurrentRowHasStartNumber() const;

    // Editing modes and the cursor.
    Mode mode() const { return mode_; }
    void EditMode();
    void BrowseMode();
    const Cursor& cursor() const { return cursor_; }
    // The view moved the current cell (keys, scrolling): keeps the protocol's idea in step.
    void SetCurrentCell(int col, int row);
    // Selects the whole row `row` (clamped to the data rows), keeping the mode.
    void SelectWholeRow(int row);

    // SelectCell: columns 0..3 enter EditMode and may be selected; later columns enter
    // BrowseMode, select the whole row and refuse the cell.
    bool SelectCell(int col, int row);
    // The operator's columns, where Tab stops; the results are skipped.
    static bool TabStop(int col) { return col <= 3; }
    // KeyPress: whether a typed character reaches the cell (column 0 takes only digits and
    // Backspace). `ch` is the UTF-8 text of the key.
    bool AcceptKey(const std::string& ch) const;
    // KeyDown Esc.
    void EscapeKey();

    void GetCellFormat(int col, int row, CellFormat& format) const;
    // GetComboBox: the class list in EditMode, empty in BrowseMode.
    std::vector<std::string> ComboItems(int col, int row) const;
    void SetComboBox(int col, int row, const std::string& text);
    TSortStyle GetSortStyle(int col) const;

    // The class drop-down's entries (the items of cbKlass).
    std::vector<std::string> classList{"1", "2", "3", "4", "5", "6", "7"};

    // Text files. The path is read in full before the table changes; a file that cannot be
    // read leaves the table as it was. With `keepReplaced` a protocol with data is handed to
    // onReplacing before the file replaces it.
    ReadStatus ReadProtocolText(const std::string& path, bool keepReplaced = false,
                                std::string* keptCopy = nullptr);
    // Some data row holds text.
    bool HasData() const;
    // Called before a loaded file replaces a protocol with data; the importers call it too.
    // Returns where the copy lies (empty when none was kept).
    std::string KeepReplacedProtocol();
    // `done`, and where the replaced protocol was kept, for the status bar.
    static std::string ReplacedText(const std::string& done, const std::string& copy);
    bool WriteProtocolText(const std::string& path) const;
    // The operator's open and save commands: like the above, but they count as an operator
    // change and report failures through onStatusText.
    bool OpenFile(const std::string& path);
    bool SaveFile(const std::string& path);

    // The operator changed a cell through the grid.
    void CellEdited(int col, int row);

    FileIo& fileIo() const { return *io_; }
    void setFileIo(FileIo& io) { io_ = &io; }

    // The five protocol buttons' enabled state.
    std::function<void(bool enabled)> onProtocolButtons;
    // A lane's start number: lane 1 or 2, next = false for the current one.
    std::function<void(int lane, bool next, int value)> onStartNumber;
    // Mode or cursor changed: the view re-reads mode() and cursor().
    std::function<void()> onViewState;
    // Something the operator did changed the protocol (edits, rows, clear, load).
    std::function<void()> onOperatorChange;
    // A text for the status bar.
    std::function<void(const std::string&)> onStatusText;
    // A protocol with data is about to be replaced by a loaded file: keep it somewhere and
    // say where.
    std::function<std::string()> onReplacing;

    void statusText(const std::string& text) const {
        if (onStatusText)
            onStatusText(text);
    }

private:
    void operatorChange() {
        if (onOperatorChange)
            onOperatorChange();
    }
    void viewState() {
        if (onViewState)
            onViewState();
    }
    void clampCursor();

    CellTable& table_;
    Dialogs& dialogs_;
    FileIo* io_ = &FileIo::system();
    Mode mode_ = Mode::Browse;
    Cursor cursor_;
};

} // namespace vk
