// The run log reader, fed whatever a file can hold: it must neither crash nor hang, and every
// record it takes writes back as a line that reads as the same record.
#include "runlog/RunLog.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vk;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RunLogContent log = ParseRunLog(text);
    for (const RunRecord& r : log.records) {
        const std::string line = RunRecordLine(r);
        RunRecord back;
        if (line.back() != '\n' || !ParseRunRecordLine(line.substr(0, line.size() - 1), back) ||
            !(back == r))
            std::abort();
    }
    std::vector<PlaceInput> rows;
    for (const RunRecord& r : log.records)
        rows.push_back({r.klass, r.geszeit});
    if (PlacesPerClass(rows).size() != rows.size() || ClassTimeOrder(rows).size() != rows.size())
        std::abort();
    return 0;
}
