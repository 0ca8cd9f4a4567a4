#include "runlog/RunLog.h"

#include "platform/JsonText.h"
#include "protocol/TextCodec.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <map>
#include <numeric>

namespace vk {

namespace {

// No race day comes near this; a larger number in a hostile log is not taken.
constexpr int64_t kMaxRunNumber = 1'000'000'000;

constexpr const char* kKindNames[] = {"Run", "Joker", "Accident", "ResultsRemoved", "RunChosen"};

void key(std::string& out, const char* name) {
    if (out.size() > 1)
        out += ',';
    out += '"';
    out += name;
    out += "\":";
}

void field(std::string& out, const char* name, std::string_view v) {
    key(out, name);
    AppendJsonString(out, v);
}
// Without this a literal would take the bool overload.
void field(std::string& out, const char* name, const char* v) {
    field(out, name, std::string_view(v));
}
void field(std::string& out, const char* name, int64_t v) {
    key(out, name);
    out += std::to_string(v);
}
void field(std::string& out, const char* name, bool v) {
    key(out, name);
    out += v ? "true" : "false";
}

// A small JSON reader for one line: an object of known fields. Nesting of unknown values is
// bounded, so a line of brackets cannot run the stack out.
class LineParser {
public:
    explicit LineParser(std::string_view s) : s_(s) {}

    bool record(RunRecord& r) {
        bool haveKind = false;
        ws();
        if (!eat('{'))
            return false;
        ws();
        if (eat('}'))
            return false;
        for (;;) {
            std::string name;
            ws();
            if (!string(name))
                return false;
            ws();
            if (!eat(':'))
                return false;
            ws();
            if (!value(name, r, haveKind))
                return false;
            ws();
            if (eat(','))
                continue;
            if (!eat('}'))
                return false;
            break;
        }
        ws();
        return pos_ == s_.size() && haveKind;
    }

private:
    bool value(const std::string& name, RunRecord& r, bool& haveKind) {
        if (name == "kind") {
            std::string k;
            if (!string(k))
                return false;
            for (size_t i = 0; i < std::size(kKindNames); ++i)
                if (k == kKindNames[i]) {
                    r.kind = static_cast<RunRecord::Kind>(i);
                    haveKind = true;
                    return true;
                }
            return false;
        }
        if (name == "startKind" || name == "stopKind") {
            std::string k;
            if (!string(k))
                return false;
            if (name == "startKind" && (k == "contact" || k == "manual")) {
                r.startKind =
                    k == "contact" ? RunRecord::StartKind::Contact : RunRecord::StartKind::Manual;
                return true;
            }
            if (name == "stopKind" && (k == "fourthPass" || k == "byHand")) {
                r.stopKind =
                    k == "byHand" ? RunRecord::StopKind::ByHand : RunRecord::StopKind::FourthPass;
                return true;
            }
            return false;
        }
        const std::pair<const char*, std::string RunRecord::*> strings[] = {
            {"dateTime", &RunRecord::dateTime},
            {"title", &RunRecord::title},
            {"startNumber", &RunRecord::startNumber},
            {"name", &RunRecord::name},
            {"firstName", &RunRecord::firstName},
            {"class", &RunRecord::klass},
            {"rz", &RunRecord::rz},
            {"zz", &RunRecord::zz},
            {"topSpeedTime", &RunRecord::topSpeedTime},
            {"fz", &RunRecord::fz},
            {"geszeit", &RunRecord::geszeit},
            {"kmh", &RunRecord::kmh},
            {"opponent", &RunRecord::opponentStartNumber},
        };
        for (const auto& [n, member] : strings)
            if (name == n)
                return string(r.*member);
        const std::pair<const char*, bool RunRecord::*> flags[] = {
            {"win", &RunRecord::win},
            {"falseStart", &RunRecord::falseStart},
            {"accident", &RunRecord::accident},
        };
        for (const auto& [n, member] : flags)
            if (name == n)
                return boolean(r.*member);
        if (name == "run")
            return integer(r.runNumber);
        if (name == "refersTo")
            return integer(r.refersTo);
        if (name == "lane") {
            int64_t lane = 0;
            if (!integer(lane) || lane < 0 || lane > 2)
                return false;
            r.lane = static_cast<int>(lane);
            return true;
        }
        if (name == "passMs") {
            r.passMs.clear();
            if (!eat('['))
                return false;
            ws();
            if (eat(']'))
                return true;
            for (;;) {
                int64_t v = 0;
                ws();
                if (!integer(v) || r.passMs.size() >= 16)
                    return false;
                r.passMs.push_back(v);
                ws();
                if (eat(','))
                    continue;
                return eat(']');
            }
        }
        return skip(0);
    }

    // Any JSON value, unread.
    bool skip(int depth) {
        if (depth > 16 || pos_ >= s_.size())
            return false;
        const char c = s_[pos_];
        if (c == '"') {
            std::string ignored;
            return string(ignored);
        }
        if (c == '{' || c == '[') {
            const char close = c == '{' ? '}' : ']';
            ++pos_;
            ws();
            if (eat(close))
                return true;
            for (;;) {
                ws();
                if (c == '{') {
                    std::string ignored;
                    if (!string(ignored))
                        return false;
                    ws();
                    if (!eat(':'))
                        return false;
                    ws();
                }
                if (!skip(depth + 1))
                    return false;
                ws();
                if (eat(','))
                    continue;
                return eat(close);
            }
        }
        for (const char* word : {"true", "false", "null"})
            if (s_.substr(pos_).starts_with(word)) {
                pos_ += std::char_traits<char>::length(word);
                return true;
            }
        // A number: digits, sign, point, exponent.
        const size_t start = pos_;
        while (pos_ < s_.size() &&
               std::string_view("+-.eE0123456789").find(s_[pos_]) != std::string_view::npos)
            ++pos_;
        return pos_ > start;
    }

    bool integer(int64_t& v) {
        const char* b = s_.data() + pos_;
        const char* e = s_.data() + s_.size();
        const auto res = std::from_chars(b, e, v);
        if (res.ec != std::errc() || res.ptr == b)
            return false;
        pos_ += static_cast<size_t>(res.ptr - b);
        // 1.5 or 1e3 is no integer.
        return pos_ >= s_.size() ||
               std::string_view(".eE").find(s_[pos_]) == std::string_view::npos;
    }

    bool boolean(bool& v) {
        if (s_.substr(pos_).starts_with("true")) {
            pos_ += 4;
            v = true;
            return true;
        }
        if (s_.substr(pos_).starts_with("false")) {
            pos_ += 5;
            v = false;
            return true;
        }
        return false;
    }

    bool hex4(uint32_t& v) {
        if (s_.size() - pos_ < 4)
            return false;
        v = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = s_[pos_++];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= static_cast<uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= static_cast<uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= static_cast<uint32_t>(c - 'A' + 10);
            else
                return false;
        }
        return true;
    }

    bool string(std::string& out) {
        out.clear();
        if (!eat('"'))
            return false;
        while (pos_ < s_.size()) {
            const char c = s_[pos_++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= s_.size())
                return false;
            const char e = s_[pos_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                uint32_t cp = 0;
                if (!hex4(cp))
                    return false;
                if (cp >= 0xD800 && cp < 0xDC00) {
                    uint32_t low = 0;
                    if (!eat('\\') || !eat('u') || !hex4(low) || low < 0xDC00 || low > 0xDFFF)
                        return false;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                    return false;
                }
                AppendUtf8(out, cp);
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }

    void ws() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r'))
            ++pos_;
    }
    bool eat(char c) {
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    std::string_view s_;
    size_t pos_ = 0;
};

int compareClass(const std::string& a, const std::string& b) {
    int x = 0, y = 0;
    const auto ra = std::from_chars(a.data(), a.data() + a.size(), x);
    const auto rb = std::from_chars(b.data(), b.data() + b.size(), y);
    const bool na = ra.ec == std::errc() && ra.ptr == a.data() + a.size() && !a.empty();
    const bool nb = rb.ec == std::errc() && rb.ptr == b.data() + b.size() && !b.empty();
    if (na && nb)
        return x < y ? -1 : (x > y ? 1 : 0);
    if (na != nb) // numbered classes first
        return na ? -1 : 1;
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

// The run number of a line that is no whole record, from the start every record line has
// ({"kind":"Run","run":N,...): N for a run, 0 for a line of another kind, -1 when the line
// may have been a run but its number is lost or garbled.
int64_t RunNumberOfUnreadLine(std::string_view line) {
    constexpr std::string_view kind = R"({"kind":")";
    if (!line.starts_with(kind))
        return -1;
    line.remove_prefix(kind.size());
    constexpr std::string_view run = R"(Run","run":)";
    if (!line.starts_with(run)) {
        const size_t end = line.find('"');
        // A whole name of another kind: no run.
        return end != std::string_view::npos && end > 0 && !line.substr(0, end).starts_with("Run")
                   ? 0
                   : -1;
    }
    line.remove_prefix(run.size());
    int64_t n = 0;
    const auto res = std::from_chars(line.data(), line.data() + line.size(), n);
    // The number must have ended: a cut may have taken its last digits.
    if (res.ec != std::errc() || res.ptr == line.data() || res.ptr == line.data() + line.size() ||
        *res.ptr != ',' || n < 1 || n > kMaxRunNumber)
        return -1;
    return n;
}

} // namespace

std::string RunRecordLine(const RunRecord& r) {
    std::string out = "{";
    field(out, "kind", kKindNames[static_cast<int>(r.kind)]);
    field(out, "run", r.runNumber);
    field(out, "dateTime", r.dateTime);
    field(out, "title", r.title);
    field(out, "lane", static_cast<int64_t>(r.lane));
    field(out, "startNumber", r.startNumber);
    field(out, "name", r.name);
    field(out, "firstName", r.firstName);
    field(out, "class", r.klass);
    field(out, "startKind", r.startKind == RunRecord::StartKind::Contact ? "contact" : "manual");
    key(out, "passMs");
    out += '[';
    for (size_t i = 0; i < r.passMs.size(); ++i) {
        if (i)
            out += ',';
        out += std::to_string(r.passMs[i]);
    }
    out += ']';
    field(out, "rz", r.rz);
    field(out, "zz", r.zz);
    field(out, "topSpeedTime", r.topSpeedTime);
    field(out, "fz", r.fz);
    field(out, "geszeit", r.geszeit);
    field(out, "kmh", r.kmh);
    field(out, "win", r.win);
    field(out, "falseStart", r.falseStart);
    field(out, "accident", r.accident);
    field(out, "stopKind", r.stopKind == RunRecord::StopKind::ByHand ? "byHand" : "fourthPass");
    field(out, "opponent", r.opponentStartNumber);
    if (r.refersTo)
        field(out, "refersTo", r.refersTo);
    out += "}\n";
    return out;
}

bool ParseRunRecordLine(std::string_view line, RunRecord& out) {
    if (line.size() > kMaxRunLogLine)
        return false;
    RunRecord r;
    if (!LineParser(line).record(r))
        return false;
    out = std::move(r);
    return true;
}

RunLogContent ParseRunLog(std::string_view text) {
    RunLogContent c;
    int64_t top = 0;
    int64_t unknownSinceTop = 0;
    const auto numbered = [&](int64_t run) {
        if (run > top && run <= kMaxRunNumber)
            top = run;
        unknownSinceTop = 0;
    };
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t nl = text.find('\n', pos);
        const bool ended = nl != std::string_view::npos;
        const std::string_view line = text.substr(pos, ended ? nl - pos : std::string_view::npos);
        pos = ended ? nl + 1 : text.size();
        if (line.find_first_not_of(" \t\r") == std::string_view::npos)
            continue;
        RunRecord r;
        if (ParseRunRecordLine(line, r)) {
            if (r.kind == RunRecord::Kind::Run)
                numbered(r.runNumber);
            c.records.push_back(std::move(r));
            continue;
        }
        ++c.skipped;
        if (!ended)
            c.cutLast = true;
        switch (const int64_t run = RunNumberOfUnreadLine(line)) {
        case 0: // an act, no number
            break;
        case -1:
            ++unknownSinceTop;
            break;
        default:
            numbered(run);
        }
    }
    c.nextRun = top + unknownSinceTop + 1;
    return c;
}

std::string ReadRunLogBytes(const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[1 << 16];
        size_t n;
        while (text.size() < kMaxRunLogFile && (n = std::fread(buf, 1, sizeof buf, f)) > 0)
            text.append(buf, n);
        std::fclose(f);
    }
    return text;
}

RunLogContent ReadRunLog(const std::string& path) {
    return ParseRunLog(ReadRunLogBytes(path));
}

std::string RunLogFileName(const std::string& backupPath, const std::string& title,
                           const std::string& date) {
    const size_t slash = backupPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : backupPath.substr(0, slash + 1);
    return folder + title + "-Laeufe-" + date + ".jsonl";
}

std::string LocalDateTimeText(int64_t secondsSinceEpoch) {
    const time_t t = static_cast<time_t>(secondsSinceEpoch);
    tm local{};
    localtime_r(&t, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &local);
    return buf;
}

int64_t ParseRaceTimeMs(std::string_view t) {
    const size_t sep = t.find_first_of(",.");
    if (sep == std::string_view::npos || sep == 0 || t.size() - sep != 4 || sep > 9)
        return -1;
    int64_t v = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        if (i == sep)
            continue;
        if (t[i] < '0' || t[i] > '9')
            return -1;
        v = v * 10 + (t[i] - '0');
    }
    return v;
}

bool IsBetterRun(const RunResult& candidate, const RunResult& current) {
    const int64_t c = candidate.validMs();
    if (c < 0)
        return false;
    const int64_t now = current.validMs();
    return now < 0 || c < now;
}

std::vector<int> PlacesPerClass(const std::vector<PlaceInput>& rows) {
    std::vector<int> places(rows.size(), 0);
    std::map<std::string, std::vector<std::pair<int64_t, size_t>>> byClass;
    for (size_t i = 0; i < rows.size(); ++i) {
        const int64_t ms = ParseRaceTimeMs(rows[i].geszeit);
        if (ms >= 0)
            byClass[rows[i].klass].push_back({ms, i});
    }
    for (auto& [klass, timed] : byClass) {
        std::stable_sort(timed.begin(), timed.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (size_t k = 0; k < timed.size(); ++k)
            places[timed[k].second] = k > 0 && timed[k].first == timed[k - 1].first
                                          ? places[timed[k - 1].second]
                                          : static_cast<int>(k) + 1;
    }
    return places;
}

std::vector<size_t> ClassTimeOrder(const std::vector<PlaceInput>& rows) {
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::vector<int64_t> ms(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        ms[i] = ParseRaceTimeMs(rows[i].geszeit);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (const int k = compareClass(rows[a].klass, rows[b].klass))
            return k < 0;
        if ((ms[a] < 0) != (ms[b] < 0))
            return ms[a] >= 0;
        return ms[a] >= 0 && ms[a] < ms[b];
    });
    return order;
}

std::vector<RunRecord> RunsOf(const std::vector<RunRecord>& records,
                              const std::string& startNumber) {
    std::vector<RunRecord> runs;
    for (const RunRecord& r : records)
        if (r.kind == RunRecord::Kind::Run && r.startNumber == startNumber)
            runs.push_back(r);
    return runs;
}

const RunRecord* LastRunOf(const std::vector<RunRecord>& records, const std::string& startNumber) {
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        if (it->kind == RunRecord::Kind::Run && it->startNumber == startNumber)
            return &*it;
    return nullptr;
}

} // namespace vk
