#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vk {

// One line of the run log: a lane's finished run, or a later act on the protocol that the
// evening's story needs (a joker, an accident mark, results removed, a run chosen for a row).
// Times are the texts the protocol shows, so the log, the timeslip and the live pages agree
// with the grid to the digit.
struct RunRecord {
    enum class Kind { Run, Joker, Accident, ResultsRemoved, RunChosen };
    enum class StartKind { Contact, Manual };
    enum class StopKind { FourthPass, ByHand };

    Kind kind = Kind::Run;
    int64_t runNumber = 0; // counts up over the race day, from 1
    std::string dateTime;  // local wall-clock time, "2026-12-09T20:15:03"
    std::string title;     // the race title field
    int lane = 0;          // 1 or 2; 0 for acts on the whole protocol
    std::string startNumber, name, firstName, klass;
    StartKind startKind = StartKind::Contact;
    std::vector<int64_t> passMs; // every pass, ms after the start, in order
    std::string rz, zz, topSpeedTime, fz, geszeit, kmh;
    bool win = false;
    bool falseStart = false;
    bool accident = false;
    StopKind stopKind = StopKind::FourthPass;
    std::string opponentStartNumber;
    int64_t refersTo = 0; // RunChosen: the run number made the row's values

    bool operator==(const RunRecord&) const = default;
};

} // namespace vk
