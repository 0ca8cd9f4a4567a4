#include "live/LiveState.h"

#include "platform/JsonText.h"
#include "protocol/TextCodec.h"


namespace vk {

namespace {

const char* PhaseName(LiveLane::Phase p) {
    switch (p) {
    case LiveLane::Phase::Running:
        return "laeuft";
    case LiveLane::Phase::Finished:
        return "fertig";
    default:
        return "bereit";
    }
}

const char* KindName(RunRecord::Kind k) {
    switch (k) {
    case RunRecord::Kind::Joker:
        return "joker";
    case RunRecord::Kind::Accident:
        return "unfall";
    case RunRecord::Kind::ResultsRemoved:
        return "entfernt";
    case RunRecord::Kind::RunChosen:
        return "gewaehlt";
    default:
        return "lauf";
    }
}

// Builds one JSON object field by field.
class Obj {
public:
    explicit Obj(std::string& out) : out_(out) { out_ += '{'; }
    ~Obj() { out_ += '}'; }
    Obj& str(const char* key, const std::string& v) { return raw(key, JsonString(v)); }
    Obj& num(const char* key, int64_t v) { return raw(key, std::to_string(v)); }
    Obj& flag(const char* key, bool v) { return raw(key, v ? "true" : "false"); }
    Obj& raw(const char* key, const std::string& v) {
        if (!first_)
            out_ += ',';
        first_ = false;
        out_ += '"';
        out_ += key;
        out_ += "\":";
        out_ += v;
        return *this;
    }

private:
    std::string& out_;
    bool first_ = true;
};

std::string LaneJson(const LiveLane& l, int lane) {
    std::string out;
    Obj(out)
        .num("bahn", lane)
        .raw("phase", JsonString(PhaseName(l.phase)))
        .str("nr", l.startNumber)
        .str("name", l.name)
        .str("vorname", l.firstName)
        .str("klasse", l.klass)
        .str("bereit", l.nextNumber)
        .num("startTick", l.startTick)
        .str("rz", l.rz)
        .str("zz", l.zz)
        .str("kmh", l.kmh)
        .str("fz", l.fz)
        .str("geszeit", l.geszeit)
        .flag("win", l.win)
        .flag("fehlstart", l.falseStart);
    return out;
}

} // namespace

const ProtocolRows& LiveState::rows() const {
    static const ProtocolRows none;
    return protocol ? *protocol : none;
}

const std::vector<RunRecord>& LiveState::runList() const {
    static const std::vector<RunRecord> none;
    return runs ? *runs : none;
}

std::string JsonString(const std::string& s) {
    std::string out;
    AppendJsonString(out, AsUtf8(s), JsonEscape::ForPage);
    return out;
}

std::string RunJson(const RunRecord& r) {
    std::string passes = "[";
    for (size_t i = 0; i < r.passMs.size(); ++i) {
        if (i)
            passes += ',';
        passes += std::to_string(r.passMs[i]);
    }
    passes += ']';
    std::string out;
    Obj(out)
        .raw("art", JsonString(KindName(r.kind)))
        .num("lauf", r.runNumber)
        .str("zeit", r.dateTime)
        .num("bahn", r.lane)
        .str("nr", r.startNumber)
        .str("name", r.name)
        .str("vorname", r.firstName)
        .str("klasse", r.klass)
        .flag("handstart", r.startKind == RunRecord::StartKind::Manual)
        .raw("durchfahrten", passes)
        .str("rz", r.rz)
        .str("zz", r.zz)
        .str("fz", r.fz)
        .str("geszeit", r.geszeit)
        .str("kmh", r.kmh)
        .flag("win", r.win)
        .flag("fehlstart", r.falseStart)
        .flag("unfall", r.accident)
        .flag("handstopp", r.stopKind == RunRecord::StopKind::ByHand)
        .str("gegner", r.opponentStartNumber)
        .num("bezug", r.refersTo);
    return out;
}

std::string StateJson(const LiveState& s) {
    std::string lanes = "[" + LaneJson(s.lanes[0], 1) + "," + LaneJson(s.lanes[1], 2) + "]";
    std::string latest = "[";
    const auto& runs = s.runList();
    size_t n = 0;
    for (auto it = runs.rbegin(); it != runs.rend() && n < kLatestRuns; ++it) {
        if (it->kind != RunRecord::Kind::Run)
            continue;
        if (n++)
            latest += ',';
        latest += RunJson(*it);
    }
    latest += ']';
    std::string out;
    Obj(out).str("titel", s.title).raw("bahnen", lanes).raw("laeufe", latest);
    return out;
}

std::string RunsJson(const std::vector<RunRecord>& runs, int64_t since) {
    std::string list = "[";
    bool first = true;
    for (const RunRecord& r : runs) {
        if (r.runNumber <= since)
            continue;
        if (!first)
            list += ',';
        first = false;
        list += RunJson(r);
    }
    list += ']';
    std::string out;
    Obj(out).num("seit", since).raw("laeufe", list);
    return out;
}

std::string StateMessage(const std::string& stateJson, int64_t nowTick) {
    return "{\"tick\":" + std::to_string(nowTick) + ",\"state\":" + stateJson + "}";
}

} // namespace vk
