#include "config/SettingsIo.h"

#include <algorithm>
#include <climits>
#include <string_view>
#include <variant>

namespace vk {

namespace {

// Where a stored value lives in the settings.
using Member = std::variant<int Settings::*, bool Settings::*, std::optional<int> Settings::*,
                            uint8_t Settings::*, std::string Settings::*>;

template <class... F> struct Overloaded : F... { using F::operator()...; };
template <class... F> Overloaded(F...) -> Overloaded<F...>;

// The stored values a setting accepts; for a text, its length in bytes.
struct Range {
    int32_t min, max;
};
using RangeOf = Range (*)(const SettingsContext&);

template <int32_t Lo, int32_t Hi> Range Fixed(const SettingsContext&) {
    return {Lo, Hi};
}
constexpr auto Any = Fixed<INT32_MIN, INT32_MAX>; // yes/no: every non-zero value is yes

// The window may be as large as all screens together, never smaller than its minimum.
Range Extent(const SettingsContext& c, int minimum, int fallback, bool horizontal) {
    if (c.screens.empty())
        return {minimum, 8192};
    int lo = INT_MAX, hi = INT_MIN;
    for (const ScreenRect& r : c.screens) {
        lo = std::min(lo, horizontal ? r.left : r.top);
        hi = std::max(hi, horizontal ? r.left + r.width : r.top + r.height);
    }
    return {minimum, std::max(hi - lo, fallback)};
}
Range WidthRange(const SettingsContext& c) {
    return Extent(c, 792, 800, true);
}
Range HeightRange(const SettingsContext& c) {
    return Extent(c, 488, 561, false);
}
Range PortRange(const SettingsContext& c) {
    return {0, c.portCount};
}

// What a missing value does: named; read as empty (a text); or kept quietly (a value newer
// than the files written before it existed).
enum class IfMissing { Named, Empty, Quiet };

struct ValueSpec {
    const char* name;
    Member member;
    RangeOf range;
    IfMissing missing = IfMissing::Named;
    bool zeroKeepsDefault = false;
};

// Every stored value in the reading order, with its range: what the settings dialog allows
// (lengths in dm or m, the lock time in ms), the port map's ports, the screens.
const ValueSpec kValues[] = {
    {"Left", &Settings::left, Any},
    {"Top", &Settings::top, Any},
    {"Width", &Settings::width, WidthRange},
    {"Height", &Settings::height, HeightRange},
    {"Sound", &Settings::Sound, Any},
    {"Port", &Settings::Port, PortRange},
    {"Alg", &Settings::Alg, Fixed<0, 1>},
    {"WaitStart", &Settings::WaitStart, Fixed<0, 600000>, IfMissing::Named, true},
    {"FilterInd", &Settings::FilterInd, Fixed<1, 4>},
    {"Length", &Settings::Length, Fixed<100, 999000>},
    {"Monitor", &Settings::MonitorIndex, Fixed<0, 255>},
    {"Title", &Settings::Title, Fixed<0, 1024>, IfMissing::Empty},
    {"Klass", &Settings::Klass, Any},
    {"KlassSort", &Settings::KlassSort, Any},
    {"LengthS", &Settings::LengthS, Fixed<1, 10000>},
    {"LengthC", &Settings::LengthC, Fixed<1, 100000>},
    {"LengthF", &Settings::LengthF, Fixed<1, 100000>},
    {"ColSpeed0", &Settings::ColSpeed0, Any},
    {"ColSpeed1", &Settings::ColSpeed1, Any},
    {"ColSpeed2", &Settings::ColSpeed2, Any},
    {"ColSpeed3", &Settings::ColSpeed3, Any},
    {"ManyStart", &Settings::ManyStart, Any},
    // Written by later versions only: a file without it keeps the port by its number alone.
    {"Adapter", &Settings::Adapter, Fixed<0, 1024>, IfMissing::Quiet},
    // The live results server, off unless switched on; files before it keep the defaults.
    {"LiveServer", &Settings::LiveServer, Any, IfMissing::Quiet},
    {"LivePort", &Settings::LivePort, Fixed<1, 65535>, IfMissing::Quiet},
    // The timeslip after every race, and the printer it went to last (empty: the default).
    {"Zeitkarte", &Settings::Zeitkarte, Any, IfMissing::Quiet},
    {"ZeitkartePrinter", &Settings::ZeitkartePrinter, Fixed<0, 1024>, IfMissing::Quiet},
};

// The writing order of the first values; every later value follows in its reading order.
constexpr std::string_view kWriteOrder[] = {
    "Left",      "Top",       "Width",     "Height",   "Port",    "Alg",
    "Sound",     "WaitStart", "FilterInd", "Length",   "Monitor", "Title",
    "Klass",     "KlassSort", "LengthS",   "LengthC",  "LengthF", "ColSpeed0",
    "ColSpeed1", "ColSpeed2", "ColSpeed3", "ManyStart"};

const ValueSpec& SpecOf(std::string_view name) {
    return *std::find_if(std::begin(kValues), std::end(kValues),
                         [&](const ValueSpec& v) { return name == v.name; });
}

bool IsText(const ValueSpec& v) {
    return std::holds_alternative<std::string Settings::*>(v.member);
}

void StoreInteger(Settings& s, const Member& m, int32_t v) {
    std::visit(Overloaded{[&](int Settings::*p) { s.*p = v; },
                          [&](bool Settings::*p) { s.*p = v != 0; },
                          [&](std::optional<int> Settings::*p) { s.*p = v; },
                          [&](uint8_t Settings::*p) { s.*p = static_cast<uint8_t>(v); },
                          [&](std::string Settings::*) {}},
               m);
}

int32_t FetchInteger(const Settings& s, const Member& m) {
    return std::visit(
        Overloaded{[&](int Settings::*p) { return s.*p; },
                   [&](bool Settings::*p) { return s.*p ? 1 : 0; },
                   [&](std::optional<int> Settings::*p) { return (s.*p).value_or(0); },
                   [&](uint8_t Settings::*p) { return int{s.*p}; },
                   [&](std::string Settings::*) { return 0; }},
        m);
}

// Reads one value; the problem it had, if any.
std::optional<SettingsProblem::Kind> ReadOne(SettingsKey& key, const ValueSpec& v, Settings& s,
                                             const SettingsContext& c) {
    const Range r = v.range(c);
    if (IsText(v)) {
        std::string text;
        switch (key.ReadString(v.name, text)) {
        case SettingsKey::Read::Missing:
            if (v.missing == IfMissing::Named)
                return SettingsProblem::Missing;
            if (v.missing == IfMissing::Quiet)
                return std::nullopt;
            break;
        case SettingsKey::Read::WrongType:
            return SettingsProblem::WrongType;
        case SettingsKey::Read::Ok:
            break;
        }
        if (static_cast<int64_t>(text.size()) < r.min || static_cast<int64_t>(text.size()) > r.max)
            return SettingsProblem::OutOfRange;
        s.*std::get<std::string Settings::*>(v.member) = std::move(text);
        return std::nullopt;
    }
    int32_t n = 0;
    switch (key.ReadInteger(v.name, n)) {
    case SettingsKey::Read::Missing:
        if (v.missing == IfMissing::Quiet)
            return std::nullopt;
        return SettingsProblem::Missing;
    case SettingsKey::Read::WrongType:
        return SettingsProblem::WrongType;
    case SettingsKey::Read::Ok:
        break;
    }
    if (n < r.min || n > r.max)
        return SettingsProblem::OutOfRange;
    if (!(v.zeroKeepsDefault && n == 0))
        StoreInteger(s, v.member, n);
    return std::nullopt;
}

// Enough of the window to grab it lies on some screen.
bool ShowsOnAScreen(const Settings& s, const SettingsContext& c) {
    if (c.screens.empty())
        return true;
    const int64_t left = *s.left, top = *s.top;
    for (const ScreenRect& r : c.screens) {
        const int64_t w =
            std::min<int64_t>(left + s.width, r.left + r.width) - std::max<int64_t>(left, r.left);
        const int64_t h =
            std::min<int64_t>(top + s.height, r.top + r.height) - std::max<int64_t>(top, r.top);
        if (w >= std::min(100, s.width) && h >= std::min(50, s.height))
            return true;
    }
    return false;
}

} // namespace

std::vector<SettingsProblem> LoadSettings(SettingsStore& store, const std::string& program,
                                          Settings& s, const SettingsContext& context) {
    std::vector<SettingsProblem> problems;
    if (auto key = store.OpenKey(program, false)) {
        for (const ValueSpec& v : kValues)
            if (const auto kind = ReadOne(*key, v, s, context))
                problems.push_back({v.name, *kind});
        key->Close();
    } else if (store.Unusable(program)) {
        problems.push_back({store.Location(program), SettingsProblem::NotAFile});
    }
    if (s.MonitorIndex >= static_cast<int>(std::max<size_t>(context.screens.size(), 1)))
        s.MonitorIndex = 0;
    // A position alone places nothing: both edges, and on a screen.
    if (!s.left || !s.top || !ShowsOnAScreen(s, context))
        s.left = s.top = std::nullopt;
    return problems;
}

std::string SettingsProblemsText(const std::vector<SettingsProblem>& problems) {
    if (problems.empty())
        return {};
    std::string text = "Einstellungen: es gilt der Standardwert für ";
    for (size_t i = 0; i < problems.size(); ++i) {
        const SettingsProblem& p = problems[i];
        static const char* const kWhy[] = {"fehlt", "kein gültiger Wert", "außerhalb des Bereichs",
                                           "keine gewöhnliche Datei"};
        text += (i ? ", " : "") + p.name + " (" + kWhy[p.kind] + ")";
    }
    return text;
}

std::vector<std::string> ValuesOutsideTheirRange(const Settings& s, const SettingsContext& c) {
    static const Settings defaults;
    std::vector<std::string> out;
    for (const ValueSpec& v : kValues) {
        const Range r = v.range(c);
        int64_t n = 0;
        bool isDefault = false;
        if (IsText(v)) {
            const auto m = std::get<std::string Settings::*>(v.member);
            n = static_cast<int64_t>((s.*m).size());
            isDefault = s.*m == defaults.*m;
        } else if (const auto* p = std::get_if<std::optional<int> Settings::*>(&v.member)) {
            if (!(s.**p))
                continue;
            n = *(s.**p);
        } else {
            n = FetchInteger(s, v.member);
            isDefault = n == FetchInteger(defaults, v.member);
        }
        if (!isDefault && (n < r.min || n > r.max))
            out.push_back(v.name);
    }
    if (s.MonitorIndex >= static_cast<int>(std::max<size_t>(c.screens.size(), 1)))
        out.push_back("Monitor");
    if (s.left.has_value() != s.top.has_value() || (s.left && !ShowsOnAScreen(s, c)))
        out.push_back("Left/Top");
    return out;
}

std::string SaveSettings(SettingsStore& store, const std::string& program, const Settings& s) {
    if (store.Unusable(program))
        return store.Location(program) + " ist keine gewöhnliche Datei";
    auto key = store.OpenKey(program, true);
    if (!key)
        return store.Location(program) + " lässt sich nicht anlegen";
    auto write = [&](const ValueSpec& v) {
        if (IsText(v))
            key->WriteString(v.name, s.*std::get<std::string Settings::*>(v.member));
        else
            key->WriteInteger(v.name, FetchInteger(s, v.member));
    };
    for (std::string_view name : kWriteOrder)
        write(SpecOf(name));
    for (const ValueSpec& v : kValues)
        if (std::find(std::begin(kWriteOrder), std::end(kWriteOrder), v.name) ==
            std::end(kWriteOrder))
            write(v);
    return key->Close();
}

} // namespace vk
