#pragma once
#include "protocol/CellTable.h"
#include "runlog/RunRecord.h"

namespace vk {

// The protocol's "Platz" column (10): places per class (column 3) by Geszeit (column 8) for
// every data row with a start number; rows without a valid time get an empty cell, or keep
// the accident mark "-".
void FillPlaces(CellTable& table);
// Some data row holds a place (blanks and the accident mark are none).
bool HasPlaces(const CellTable& table);
// Makes a logged run the row's results (columns 4 to 9; "+" for a win).
void ApplyRunToRow(CellTable& table, int row, const RunRecord& run);
// Orders the data rows by class, then by Geszeit; rows without a start number go last.
void SortByClassAndTime(CellTable& table);

} // namespace vk
