#include "runlog/Timeslip.h"

#include <algorithm>

namespace vk {

const RunRecord* OpponentRun(const std::vector<RunRecord>& records, size_t index) {
    if (index >= records.size())
        return nullptr;
    const RunRecord& run = records[index];
    // Acts (a joker, say) may lie between the two stops of one race.
    const size_t from = index >= 3 ? index - 3 : 0;
    const size_t to = std::min(records.size(), index + 4);
    const RunRecord* best = nullptr;
    size_t bestDistance = 0;
    for (size_t i = from; i < to; ++i) {
        const RunRecord& r = records[i];
        if (i == index || r.kind != RunRecord::Kind::Run || r.lane == run.lane ||
            r.startNumber != run.opponentStartNumber || r.opponentStartNumber != run.startNumber)
            continue;
        const size_t d = i > index ? i - index : index - i;
        if (!best || d < bestDistance) {
            best = &r;
            bestDistance = d;
        }
    }
    return best;
}

namespace {
// "2026-12-09T20:15:03" as "09.12.2026 20:15:03".
std::string germanDateTime(const std::string& iso) {
    if (iso.size() < 19 || iso[4] != '-' || iso[7] != '-' || iso[10] != 'T')
        return iso;
    return iso.substr(8, 2) + "." + iso.substr(5, 2) + "." + iso.substr(0, 4) + " " +
           iso.substr(11, 8);
}
std::string seconds(const std::string& t) {
    return t.empty() || t == "-" ? (t.empty() ? "—" : t) : t + " s";
}
} // namespace

Timeslip MakeTimeslip(const RunRecord& run, const RunRecord* opponent) {
    Timeslip s;
    s.title = run.title;
    s.heading = "Zeitkarte";
    std::string name = run.name;
    if (!run.firstName.empty())
        name += (name.empty() ? "" : ", ") + run.firstName;
    s.lines = {
        {"Datum", germanDateTime(run.dateTime)},
        {"Lauf", std::to_string(run.runNumber)},
        {"Bahn", std::to_string(run.lane)},
        {"Start-Nr.", run.startNumber},
        {"Name", name},
        {"Klasse", run.klass},
        {"RZ", seconds(run.rz)},
        {"ZZ", seconds(run.zz)},
        {"Km/h", run.kmh.empty() ? "—" : run.kmh},
        {"FZ", seconds(run.fz)},
        {"Geszeit", seconds(run.geszeit)},
        {"Ergebnis", run.falseStart ? "Fehlstart" : (run.win ? "Sieg" : "—")},
        {"Gegner", run.opponentStartNumber.empty() ? "—" : "Nr. " + run.opponentStartNumber},
        {"Gegner Geszeit", opponent ? seconds(opponent->geszeit) : "—"},
    };
    return s;
}

std::vector<Timeslip> LastRaceTimeslips(const std::vector<RunRecord>& records) {
    std::vector<Timeslip> slips;
    for (size_t i = records.size(); i-- > 0 && slips.size() < 2;)
        if (records[i].kind == RunRecord::Kind::Run)
            slips.insert(slips.begin(), MakeTimeslip(records[i], OpponentRun(records, i)));
    return slips;
}

} // namespace vk
