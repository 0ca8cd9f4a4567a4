// The protocol text and backup reader, fed whatever a file can hold: it must neither crash nor
// leak, every cell it makes is valid UTF-8 without line ends or TABs, and what we write from
// the result reads back as the same file.
#include "protocol/CellTable.h"
#include "protocol/GridRules.h"
#include "protocol/Protocol.h"
#include "protocol/ProtocolText.h"
#include "protocol/TextCodec.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class NoDialogs final : public vk::Dialogs {
public:
    bool askYesNo(const std::string&) override { return false; }
    void errorReport(const std::string&) override {}
    void information(const std::string&) override {}
};

void check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vk;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = DecodeProtocolBytes(bytes);
    check(IsValidUtf8(text) && text.find('\0') == std::string::npos);

    CellTable table;
    NoDialogs dialogs;
    Protocol protocol(table, dialogs);
    ParsedProtocol parsed = ParseProtocolText(text, Protocol::kColumns);
    for (const CellRow& row : parsed.rows)
        for (const std::string& cell : row)
            check(cell.find_first_of("\t\r\n") == std::string::npos && IsValidUtf8(cell));
    ReplaceByRows(table, std::move(parsed.rows));
    protocol.RefillBlankHeaders();
    protocol.TakeNextStartNumbers();
    check(table.RowCount() >= 2 && table.ColCount() == Protocol::kColumns);

    const std::string written = ProtocolTextBytes(table);
    if (written.compare(0, 3, "\xEF\xBB\xBF") != 0) { // a leading U+FEFF reads as a mark
        CellTable again;
        FillFromProtocolText(again, DecodeProtocolBytes(written));
        check(ProtocolTextBytes(again) == written);
    }

    const auto sevenPerChar = [](const std::string& s) {
        return 7 * static_cast<int>(CharCount(s));
    };
    for (int c = 0; c < table.ColCount(); ++c)
        check(sevenPerChar(ShortenHeader(table.Cell(c, 0), 40, sevenPerChar)) <= 40 ||
              CharCount(table.Cell(c, 0)) <= 3);

    // Sorting reads every cell as a number, a date or a time.
    table.SortOptions.CanSort = true;
    table.SortOptions.SortStyle = ssAutomatic;
    table.SortOptions.SecondaryIndex = "9,0";
    table.SortByColumn(static_cast<int>(size % Protocol::kColumns));
    return 0;
}
