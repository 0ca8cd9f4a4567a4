#include "protocol/XlsxWriter.h"

#include "protocol/NumberFormats.h"
#include "protocol/ProtocolText.h"
#include "protocol/RaceTimeText.h"
#include "protocol/TextCodec.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <map>
#include <unistd.h>

namespace vk {

namespace {

constexpr int kMaxSheetRows = 1048576;
constexpr size_t kMaxCellChars = 32767;

std::string sheetNameFrom(const std::string& wanted) {
    std::string name;
    for (char ch : AsUtf8(wanted))
        name += ch && std::strchr("[]:*?/\\", ch) ? '_' : ch;
    while (!name.empty() && name.front() == '\'')
        name.erase(0, 1);
    while (!name.empty() && name.back() == '\'')
        name.pop_back();
    name = FirstChars(name, 31);
    return name.empty() ? "Tabelle1" : name;
}

} // namespace

std::vector<double> XlsxColumnWidths(const CellTable& table) {
    std::vector<double> widths;
    for (int c = 0; c < table.ColCount(); ++c) {
        double w = 0;
        for (int r = 0; r < table.RowCount(); ++r) {
            // The bold header needs a little more room.
            const double k = r == 0 ? 1.15 : 1.0;
            w = std::max(w, static_cast<double>(CharCount(AsUtf8(table.Cell(c, r)))) * k);
        }
        widths.push_back(std::clamp(w + 2.0, 4.0, 80.0));
    }
    return widths;
}

std::string XlsxBytes(const CellTable& table, const WorkbookInfo& info, std::string& error) {
    if (table.RowCount() > kMaxSheetRows) {
        error = "mehr Zeilen, als eine Tabelle fassen kann";
        return {};
    }
    // The library writes only to a named file: a scratch file, read back at once.
    std::error_code ec;
    std::string tmp = JoinPath(std::filesystem::temp_directory_path(ec).string(), "vk-xlsx-XXXXXX");
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return {};
    }
    ::close(fd);

    lxw_workbook* wb = workbook_new(tmp.c_str());
    if (!wb) {
        ::unlink(tmp.c_str());
        error = "die Arbeitsmappe konnte nicht angelegt werden";
        return {};
    }
    const std::string sheetName = sheetNameFrom(info.sheetName);
    lxw_worksheet* ws = workbook_validate_sheet_name(wb, sheetName.c_str()) == LXW_NO_ERROR
                            ? workbook_add_worksheet(wb, sheetName.c_str())
                            : workbook_add_worksheet(wb, nullptr);
    lxw_format* header = workbook_add_format(wb);
    format_set_bold(header);
    format_set_border(header, LXW_BORDER_MEDIUM);
    lxw_format* text = workbook_add_format(wb);
    format_set_border(text, LXW_BORDER_THIN);
    std::map<int, lxw_format*> numbers;
    auto numberFormat = [&](int decimals) {
        auto it = numbers.find(decimals);
        if (it != numbers.end())
            return it->second;
        lxw_format* f = workbook_add_format(wb);
        format_set_border(f, LXW_BORDER_THIN);
        const std::string code =
            decimals == 0 ? "0" : "0." + std::string(static_cast<size_t>(decimals), '0');
        format_set_num_format(f, code.c_str());
        numbers.emplace(decimals, f);
        return f;
    };

    lxw_error err = ws ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
    const char sep = table.Locale.decimalSeparator;
    for (int r = 0; r < table.RowCount() && err == LXW_NO_ERROR; ++r) {
        for (int c = 0; c < table.ColCount() && err == LXW_NO_ERROR; ++c) {
            const std::string cell = AsUtf8(table.Cell(c, r));
            const auto row = static_cast<lxw_row_t>(r);
            const auto col = static_cast<lxw_col_t>(c);
            double value = 0;
            int decimals = 0;
            if (cell.empty())
                err = worksheet_write_blank(ws, row, col, r == 0 ? header : text);
            else if (r > 0 &&
                     SpreadsheetNumber(cell, IsRaceTimeColumn(c) ? ',' : sep, value, decimals))
                err = worksheet_write_number(ws, row, col, value, numberFormat(decimals));
            else
                err = worksheet_write_string(ws, row, col, FirstChars(cell, kMaxCellChars).c_str(),
                                             r == 0 ? header : text);
        }
    }
    const std::vector<double> widths = XlsxColumnWidths(table);
    for (size_t c = 0; c < widths.size() && err == LXW_NO_ERROR; ++c)
        err = worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                   widths[c], nullptr);

    std::string title = AsUtf8(info.title), subject = AsUtf8(info.subject),
                author = AsUtf8(info.author);
    lxw_doc_properties props{};
    props.title = title.data();
    props.subject = subject.data();
    props.author = author.data();
    if (err == LXW_NO_ERROR)
        err = workbook_set_properties(wb, &props);

    // Closing frees the workbook whatever happened; only then is the file complete.
    const lxw_error closed = workbook_close(wb);
    if (err == LXW_NO_ERROR)
        err = closed;
    std::string bytes;
    const bool read = err == LXW_NO_ERROR && FileIo::system().readAll(tmp, bytes) == ReadStatus::Ok;
    ::unlink(tmp.c_str());
    if (err != LXW_NO_ERROR || !read) {
        error = err != LXW_NO_ERROR ? lxw_strerror(err) : "die Arbeitsmappe ging verloren";
        return {};
    }
    return bytes;
}

} // namespace vk
