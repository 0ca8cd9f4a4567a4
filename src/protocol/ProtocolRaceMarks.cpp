#include "protocol/Protocol.h"

namespace vk {

namespace {
constexpr int kWinColumn = 9;
constexpr int kFirstAccidentColumn = 6;
} // namespace

void Protocol::ToggleJoker() {
    const int row = cursor_.row;
    if (row < 1 || row >= table_.RowCount())
        return;
    table_.SetCell(kWinColumn, row, table_.Cell(kWinColumn, row) == "+" ? "" : "+");
    table_.SetModified(true);
    operatorChange();
}

void Protocol::MarkAccident() {
    const int row = cursor_.row;
    if (row < 1 || row >= table_.RowCount())
        return;
    for (int c = kFirstAccidentColumn; c < table_.ColCount(); ++c)
        table_.SetCell(c, row, "-");
    table_.SetModified(true);
    operatorChange();
}

void Protocol::KeepAdvancingRows() {
    int row = 1;
    while (row < table_.RowCount()) {
        if (table_.Cell(kWinColumn, row) == "+") {
            ++row;
            continue;
        }
        // The last data row is emptied rather than deleted; once only that empty row is
        // left, the walk is over.
        if (table_.RowCount() == 2 && table_.IsRowEmpty(1))
            break;
        table_.DeleteRow(row);
    }
    SelectWholeRow(1);
    UpdateProtocolButtons();
    operatorChange();
}

bool Protocol::CurrentRowHasStartNumber() const {
    const std::string& n = table_.Cell(0, cursor_.row);
    return n.find_first_not_of(' ') != std::string::npos;
}

} // namespace vk
