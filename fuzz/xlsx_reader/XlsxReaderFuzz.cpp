// Fuzz entry of the spreadsheet import: each input is written to a file and read the way the
// open command reads one (.xlsx, or .xls when it starts like one).
#include "protocol/SpreadsheetReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string& inputPath() {
    static std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string p = std::string(tmp && *tmp ? tmp : "/tmp") + "/vk-xlsx-fuzz-XXXXXX";
        const int fd = ::mkstemp(p.data());
        if (fd < 0)
            std::abort();
        ::close(fd);
        std::atexit([] { ::unlink(inputPath().c_str()); });
        return p;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = inputPath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    const bool written = std::fwrite(data, 1, size, f) == size;
    if (std::fclose(f) != 0 || !written)
        return 0;
    vk::SheetReadOptions options;
    // Small bounds keep each run short; the bounds themselves are what is being tested.
    options.maxRows = 10000;
    options.maxPartBytes = size_t{64} << 20;
    vk::SheetRows rows;
    std::string error;
    const bool ok = vk::ReadSpreadsheet(path, options, rows, error);
    // Every read row has the asked-for columns and a filled column A.
    if (ok)
        for (const auto& row : rows)
            if (row.size() != static_cast<size_t>(options.columns) || row[0].empty())
                std::abort();
    if (!ok && error.empty())
        std::abort();
    return 0;
}
