#include "protocol/Protocol.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <exception>

namespace vk {

const std::array<const char*, 11> ProtocolHeaders = {"Nr.",  "Name", "Vorname", "Kl.", "RZ",   "ZZ",
                                                     "Km/h", "FZ",   "Geszeit", "Win", "Platz"};

std::array<int, 11> ProtocolColumnWidths(int clientWidth, const std::array<int, 11>& atLeast,
                                         bool placeShown) {
    std::array<int, 11> w{40, 0, 90, 30, 40, 60, 60, 60, 60, 30, placeShown ? 40 : -1};
    for (size_t c = 4; c <= 9; ++c)
        w[c] = std::max(w[c], std::min(atLeast[c], kResultColumnMaxWidth));
    int others = 0;
    for (size_t c = 0; c < w.size(); ++c)
        if (c != 1)
            others += w[c];
    // Never below 0: a negative width would hide the names.
    w[1] = std::max(0, clientWidth - others - static_cast<int>(w.size()));
    const int sum = w[1] + w[2];
    if (sum > 270) {
        w[1] = (sum / 3) * 2;
        w[2] = sum - w[1];
    }
    return w;
}

bool ParseStartNumber(const std::string& text, int& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i >= text.size())
        return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1)
            return false;
    }
    v = negative ? -v : v;
    if (v > INT_MAX || v < INT_MIN)
        return false;
    value = static_cast<int>(v);
    return true;
}

Protocol::Protocol(CellTable& table, Dialogs& dialogs) : table_(table), dialogs_(dialogs) {
    if (table_.ColCount() != kColumns)
        table_.SetColCount(kColumns);
    if (table_.RowCount() < 2)
        table_.SetRowCount(2);
    TSortOptions& o = table_.SortOptions;
    o.CanSort = false;
    o.SecondaryIndex = "9";
    o.SortStyle = ssNormal;
    o.SortCaseSensitive = false;
    o.SortCol = 9;
    o.SortDirection = sdAscending;
    o.UpdateOnSizeChange = false;
    table_.onGetSortStyle = [this](int col, TSortStyle& style) { style = GetSortStyle(col); };
    FillHeaders();
    table_.SetModified(false);
}

void Protocol::FillHeaders() {
    for (int c = 0; c < table_.ColCount() && c < kColumns; ++c)
        table_.SetCell(c, 0, ProtocolHeaders[static_cast<size_t>(c)]);
}

void Protocol::RefillBlankHeaders() {
    for (int c = 0; c < table_.ColCount() && c < kColumns; ++c) {
        const std::string& h = table_.Cell(c, 0);
        if (h.find_first_not_of(' ') == std::string::npos)
            table_.SetCell(c, 0, ProtocolHeaders[static_cast<size_t>(c)]);
    }
}

bool Protocol::ButtonsEnabled() const {
    return table_.RowCount() >= 2 && !table_.Cell(0, 1).empty();
}

void Protocol::UpdateProtocolButtons() {
    if (onProtocolButtons)
        onProtocolButtons(ButtonsEnabled());
}

void Protocol::TakeNextStartNumbers() {
    struct Target {
        int row, lane;
        bool next;
    };
    static const Target kTargets[] = {{1, 1, false}, {2, 2, false}, {3, 1, true}, {4, 2, true}};
    for (const auto& t : kTargets) {
        int value = 0;
        if (t.row >= table_.RowCount() || !ParseStartNumber(table_.Cell(0, t.row), value))
            return;
        if (!t.next && laneTimed && laneTimed(t.lane))
            continue;
        if (onStartNumber)
            onStartNumber(t.lane, t.next, value);
    }
}

int Protocol::NextFreeStartNumber() const {
    int n = 1;
    for (; n < kLastStartNumber; ++n)
        if (table_.FindRow(0, std::to_string(n), false) < 0)
            break;
    return n;
}

void Protocol::NewRow() {
    try {
        const int n = NextFreeStartNumber();
        table_.AddRow({std::to_string(n)});
        mode_ = Mode::Edit;
        cursor_ = Cursor{0, table_.RowCount() - 1, false};
        viewState();
        UpdateProtocolButtons();
    } catch (const std::exception&) {
        // A failed new row leaves the table as far as it got; nothing to report.
    }
    operatorChange();
}

bool Protocol::RefusedWhileTimed(const std::string& command, int row) {
    for (int lane : {1, 2}) {
        if (!laneTimed || !laneStartNumber || !laneTimed(lane))
            continue;
        const std::string number = std::to_string(laneStartNumber(lane));
        if (row >= 0 && table_.Cell(0, row) != number)
            continue;
        statusText(command + " erst nach dem Stopp: Bahn " + std::to_string(lane) +
                   " läuft (Start-Nr. " + number + ")");
        return true;
    }
    return false;
}

void Protocol::DeleteRow() {
    const int row = cursor_.row;
    if (RefusedWhileTimed("Zeile entfernen", row))
        return;
    try {
        table_.DeleteRow(row);
    } catch (const std::exception&) {
        try {
            table_.DeleteRow(row);
        } catch (const std::exception& e) {
            dialogs_.errorReport(e.what());
        }
    }
    SelectWholeRow(row);
    TakeNextStartNumbers();
    UpdateProtocolButtons();
    operatorChange();
}

bool Protocol::RemoveResults() {
    if (!dialogs_.ask("Alle Ergebnisse entfernen?", Preset::Nein))
        return false;
    const std::string copy = KeepReplacedProtocol();
    for (int r = 1; r < table_.RowCount(); ++r)
        for (int c = 4; c < table_.ColCount(); ++c)
            table_.SetCell(c, r, {});
    statusText(ReplacedText("Ergebnisse entfernt", copy));
    operatorChange();
    return true;
}

bool Protocol::ClearProtocol() {
    // Asked again after the question: a race may have started while it was open.
    if (RefusedWhileTimed("Löschen") || !dialogs_.ask("Zeitenprotokoll  löschen?", Preset::Nein) ||
        RefusedWhileTimed("Löschen"))
        return false;
    for (int r = 1; r < table_.RowCount(); ++r)
        for (int c = 4; c < table_.ColCount(); ++c)
            table_.SetCell(c, r, {});
    try {
        table_.SetRowCount(2);
    } catch (const std::exception&) {
        try {
            table_.SetRowCount(2);
        } catch (const std::exception& e) {
            dialogs_.errorReport(e.what());
        }
    }
    table_.ClearRow(1);
    clampCursor();
    viewState();
    UpdateProtocolButtons();
    operatorChange();
    return true;
}

void Protocol::EditMode() {
    if (mode_ == Mode::Edit && !cursor_.wholeRow)
        return;
    mode_ = Mode::Edit;
    cursor_.wholeRow = false;
    viewState();
}

void Protocol::BrowseMode() {
    if (mode_ == Mode::Browse && cursor_.wholeRow)
        return;
    mode_ = Mode::Browse;
    cursor_.wholeRow = true;
    viewState();
}

void Protocol::clampCursor() {
    const GridCell c =
        ClampToDataCell(cursor_.col, cursor_.row, table_.ColCount(), table_.RowCount());
    cursor_.col = c.col;
    cursor_.row = c.row;
}

void Protocol::SetCurrentCell(int col, int row) {
    const Cursor before = cursor_;
    cursor_.col = col;
    cursor_.row = row;
    clampCursor();
    if (!(before == cursor_))
        viewState();
}

void Protocol::SelectWholeRow(int row) {
    cursor_.row = row;
    cursor_.wholeRow = true;
    clampCursor();
    viewState();
}

bool Protocol::SelectCell(int col, int row) {
    if (TabStop(col)) {
        mode_ = Mode::Edit;
        cursor_ = Cursor{col, row, false};
        clampCursor();
        viewState();
        return true;
    }
    mode_ = Mode::Browse;
    SelectWholeRow(row);
    return false;
}

bool Protocol::AcceptKey(const std::string& ch) const {
    if (cursor_.col != 0)
        return true;
    if (ch.size() != 1)
        return false;
    return (ch[0] >= '0' && ch[0] <= '9') || ch[0] == '\b';
}

void Protocol::EscapeKey() {
    mode_ = Mode::Browse;
    SelectWholeRow(cursor_.row);
}

void Protocol::GetCellFormat(int col, int row, CellFormat& format) const {
    format.AlignmentHorz = taRightJustify;
    format.AlignmentVert = taMiddle;
    if (row == 0 || (col >= 1 && col <= 3))
        format.AlignmentHorz = taLeftJustify;
    else if (col == 9)
        format.AlignmentHorz = taCenter;
    format.Combobox = col == 3;
}

std::vector<std::string> Protocol::ComboItems(int, int) const {
    if (mode_ != Mode::Edit)
        return {};
    return classList;
}

void Protocol::SetComboBox(int col, int row, const std::string& text) {
    if (col != 3)
        return;
    table_.SetCell(3, row, text);
    table_.SetModified(true);
    operatorChange();
}

TSortStyle Protocol::GetSortStyle(int col) const {
    return col == 1 || col == 2 ? ssNormal : ssNumeric;
}

ReadStatus Protocol::ReadProtocolText(const std::string& path, bool keepReplaced,
                                      std::string* keptCopy) {
    std::vector<CellRow> rows;
    const ReadStatus st = ReadProtocolRows(path, table_.ColCount(), *io_, rows);
    if (st != ReadStatus::Ok)
        return st;
    if (keepReplaced) {
        const std::string copy = KeepReplacedProtocol();
        if (keptCopy)
            *keptCopy = copy;
    }
    ReplaceByRows(table_, std::move(rows));
    RefillBlankHeaders();
    clampCursor();
    viewState();
    TakeNextStartNumbers();
    UpdateProtocolButtons();
    return st;
}

bool Protocol::HasData() const {
    for (int r = 1; r < table_.RowCount(); ++r)
        if (!table_.IsRowEmpty(r))
            return true;
    return false;
}

std::string Protocol::KeepReplacedProtocol() {
    return onReplacing && HasData() ? onReplacing() : std::string();
}

std::string Protocol::ReplacedText(const std::string& done, const std::string& copy) {
    return copy.empty() ? done : done + "; die bisherige Tabelle liegt in " + copy;
}

bool Protocol::WriteProtocolText(const std::string& path) const {
    return vk::WriteProtocolText(table_, path, *io_);
}

bool Protocol::OpenFile(const std::string& path) {
    if (RefusedWhileTimed("Öffnen"))
        return false;
    std::string copy;
    if (ReadProtocolText(path, true, &copy) != ReadStatus::Ok) {
        statusText("Die Datei " + path + " konnte nicht gelesen werden");
        return false;
    }
    statusText(ReplacedText("Geladen: " + path, copy));
    table_.SetModified(true);
    operatorChange();
    return true;
}

bool Protocol::SaveFile(const std::string& path) {
    if (!WriteProtocolText(path)) {
        statusText("Die Datei " + path + " konnte nicht geschrieben werden");
        return false;
    }
    statusText("Gespeichert: " + path);
    return true;
}

void Protocol::CellEdited(int, int) {
    table_.SetModified(true);
    operatorChange();
}

} // namespace vk
