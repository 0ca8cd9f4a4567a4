#include "runlog/Places.h"

#include "runlog/RunLog.h"

#include <string>

namespace vk {

namespace {
constexpr int kClassCol = 3, kTimeCol = 8, kPlaceCol = 10;

std::vector<PlaceInput> placeInputs(const CellTable& t) {
    std::vector<PlaceInput> rows;
    for (int r = 1; r < t.RowCount(); ++r)
        rows.push_back({t.Cell(kClassCol, r), t.Cell(0, r).empty() ? "" : t.Cell(kTimeCol, r)});
    return rows;
}
} // namespace

void FillPlaces(CellTable& t) {
    if (t.ColCount() <= kPlaceCol)
        return;
    const std::vector<int> places = PlacesPerClass(placeInputs(t));
    for (int r = 1; r < t.RowCount(); ++r) {
        const int p = places[static_cast<size_t>(r - 1)];
        std::string text = p > 0 ? std::to_string(p) : std::string();
        // A row without a place keeps its accident mark: it tells why it has none.
        if (p == 0 && t.Cell(kPlaceCol, r) == "-")
            continue;
        if (t.Cell(kPlaceCol, r) != text)
            t.SetCell(kPlaceCol, r, std::move(text));
    }
}

bool HasPlaces(const CellTable& t) {
    for (int r = 1; r < t.RowCount(); ++r) {
        // Blanks and the accident mark are no place.
        const std::string& c = t.Cell(kPlaceCol, r);
        if (c.find_first_not_of(" -") != std::string::npos)
            return true;
    }
    return false;
}

void ApplyRunToRow(CellTable& t, int row, const RunRecord& run) {
    if (row < 1 || row >= t.RowCount())
        return;
    const std::string* values[] = {&run.rz, &run.zz, &run.kmh, &run.fz, &run.geszeit};
    for (int c = 4; c <= 8; ++c)
        t.SetCell(c, row, *values[c - 4]);
    t.SetCell(9, row, run.win ? "+" : "");
}

void SortByClassAndTime(CellTable& t) {
    const auto rowOf = [&](int r) {
        CellRow row;
        for (int c = 0; c < t.ColCount(); ++c)
            row.push_back(t.Cell(c, r));
        return row;
    };
    // Rows without a start number go behind every class.
    std::vector<int> numbered, rest;
    for (int r = 1; r < t.RowCount(); ++r)
        (t.Cell(0, r).empty() ? rest : numbered).push_back(r);
    std::vector<PlaceInput> keys;
    for (const int r : numbered)
        keys.push_back({t.Cell(kClassCol, r), t.Cell(kTimeCol, r)});
    std::vector<CellRow> rows{rowOf(0)};
    for (const size_t i : ClassTimeOrder(keys))
        rows.push_back(rowOf(numbered[i]));
    for (const int r : rest)
        rows.push_back(rowOf(r));
    t.ReplaceRows(std::move(rows));
}

} // namespace vk
