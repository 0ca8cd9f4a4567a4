#include "protocol/SpreadsheetReader.h"

#include "protocol/NumberFormats.h"

#include <freexl.h>

#include <algorithm>

namespace vk {

bool ReadXls(const std::string& path, const SheetReadOptions& options, SheetRows& rows,
             std::string& error) {
    rows.clear();
    const void* handle = nullptr;
    if (int rc = freexl_open(path.c_str(), &handle); rc != FREEXL_OK || !handle) {
        error = "keine lesbare .xls-Datei (Fehler " + std::to_string(rc) + ")";
        return false;
    }
    unsigned int sheetRows = 0;
    unsigned short sheetCols = 0;
    if (freexl_select_active_worksheet(handle, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle, &sheetRows, &sheetCols) != FREEXL_OK) {
        freexl_close(handle);
        error = "die Arbeitsmappe enthält keine lesbare Tabelle";
        return false;
    }
    SheetRows out;
    size_t textBytes = 0;
    const int cols = std::min<int>(options.columns, sheetCols);
    for (unsigned int r = 0; r < sheetRows; ++r) {
        std::vector<std::string> cells(static_cast<size_t>(options.columns));
        for (int c = 0; c < cols; ++c) {
            FreeXL_CellValue v{};
            if (freexl_get_cell_value(handle, r, static_cast<unsigned short>(c), &v) != FREEXL_OK) {
                freexl_close(handle);
                error = "beschädigte .xls-Datei in Zeile " + std::to_string(r + 1);
                return false;
            }
            std::string& text = cells[static_cast<size_t>(c)];
            switch (v.type) {
            case FREEXL_CELL_INT:
                text = std::to_string(v.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                text = FormatSpreadsheetNumber(v.value.double_value, 0, -1, options.separatorOf(c));
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                if (v.value.text_value)
                    text = v.value.text_value;
                break;
            default:
                break;
            }
            // Column A decides where the table ends; no need to read further cells.
            if (c == 0 && text.empty())
                break;
            // Many cells may name one long shared string.
            textBytes += text.size();
            if (textBytes > options.maxTextBytes) {
                freexl_close(handle);
                error = "zu viel Text in der Tabelle (mehr als " +
                        std::to_string(options.maxTextBytes >> 20) + " MB)";
                return false;
            }
        }
        if (cells.empty() || cells[0].empty())
            break;
        if (out.size() >= options.maxRows) {
            freexl_close(handle);
            error = "mehr als " + std::to_string(options.maxRows) + " Zeilen";
            return false;
        }
        out.push_back(std::move(cells));
    }
    freexl_close(handle);
    rows = std::move(out);
    return true;
}

} // namespace vk
