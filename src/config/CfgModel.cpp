#include "config/CfgModel.h"

#include "platform/Rounding.h"

#include <algorithm>
#include <cstdio>

namespace vk {

std::vector<std::string> PortEntries(uint32_t presentPorts) {
    std::vector<std::string> entries{"Kein"};
    const int highest = static_cast<int>((presentPorts >> 16) & 0xFF);
    for (int n = 1; n <= highest && n <= 16; ++n)
        if (presentPorts & (1u << (n - 1)))
            entries.push_back("COM" + std::to_string(n));
    return entries;
}

int PortEntryIndex(const std::vector<std::string>& entries, int port) {
    for (size_t i = 1; i < entries.size(); ++i)
        if (port != 0 && PortOfEntry(entries[i]) == port)
            return static_cast<int>(i);
    return 0;
}

std::string PortEntryText(int port, const std::string& device, const std::string& adapter) {
    std::string text = "COM" + std::to_string(port);
    if (!adapter.empty())
        text += " – " + adapter;
    return text + " (" + device + ")";
}

int PortOfEntry(const std::string& entry) {
    if (entry.size() <= 3 || entry.compare(0, 3, "COM") != 0)
        return 0;
    int n = 0;
    const size_t end = std::min(entry.find(' ', 3), entry.size());
    if (end == 3)
        return 0;
    for (size_t i = 3; i < end; ++i) {
        if (entry[i] < '0' || entry[i] > '9' || n > 255)
            return 0;
        n = n * 10 + (entry[i] - '0');
    }
    return n <= 255 ? n : 0;
}

std::string MonitorEntry(int number, const ScreenRect& r) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%d=(%d,%d)-(%d,%d)", number, r.left, r.top, r.width, r.height);
    return buf;
}

std::string PortOpenFailedText(const std::string& portName, const std::string& error) {
    // The component's message is an English lead-in, ": " and the system's text.
    const size_t colon = error.find(": ");
    const std::string reason = colon == std::string::npos ? error : error.substr(colon + 2);
    return "Schnittstelle " + portName + ": " + reason;
}

SchematicColors BlinkColors(bool portChosen, int phase, bool reaction, bool intermediate,
                            bool topSpeed) {
    const bool dim = !portChosen && phase == 1;
    SchematicColors c;
    c.start = dim ? 0x007F00 : 0x00FF00;
    const bool installed[3] = {reaction, intermediate, topSpeed};
    auto lane = [&](Color base, Color flip, std::array<Color, 4>& bars,
                    std::array<Color, 3>& cables) {
        for (int i = 0; i < 3; ++i)
            bars[static_cast<size_t>(i)] = installed[i] ? base : base ^ flip;
        bars[kStop] = base;
        cables[0] = bars[kReaction];
        cables[1] = bars[kReaction] | bars[kIntermediate];
        cables[2] = bars[kReaction] | bars[kTopSpeed] | bars[kIntermediate];
    };
    lane(dim ? 0x00007F : 0x0000FF, 0x80, c.upper, c.upperCable);
    lane(dim ? 0x7F0000 : 0xFF0000, 0x800000, c.lower, c.lowerCable);
    return c;
}

const std::vector<SchematicShape>& SchematicShapes() {
    static const std::vector<SchematicShape> shapes = [] {
        using S = SchematicShape;
        std::vector<S> v = {
            {"shpTrack", S::Rectangle, 40, 48, 381, 81, "Bahn L", S::Fixed, 0, 0x0000FF},
            {"shpLaneR", S::Rectangle, 40, 88, 381, 41, "Bahn R", S::Fixed, 0, 0xFF0000},
            {"shpL", S::Circle, 48, 52, 33, 32, "Bahn L", S::Fixed, 0, 0x0000FF},
            {"shpR", S::Circle, 48, 92, 33, 32, "Bahn R", S::Fixed, 0, 0xFF0000},
            {"shpAmpel", S::Bar, 36, 42, 5, 92, "Ampel-Kontakt-Start", S::Start, 0},
            {"shpAmpelTop", S::Circle, 32, 41, 13, 13, "Ampel-Kontakt", S::Start, 0},
            {"shpAmpelBottom", S::Circle, 32, 122, 13, 13, "Ampel-Kontakt", S::Start, 0},
        };
        struct Column {
            const char* key;
            const char* hint;
            int bar, circle;
        };
        const Column columns[4] = {{"Start", "Reaktion-LS", 85, 81},
                                   {"Centr", "LS-Zwischzeit", 234, 230},
                                   {"Final", "TopSpeed-LS", 362, 358},
                                   {"Stop", "Stopp-LS", 418, 414}};
        for (int i = 0; i < 4; ++i) {
            const Column& c = columns[i];
            const std::string u = std::string("shpL") + c.key, l = std::string("shpR") + c.key;
            v.push_back({u, S::Bar, c.bar, 42, 5, 39, c.hint, S::Upper, i});
            v.push_back({u + "Top", S::Circle, c.circle, 41, 13, 13, c.hint, S::Upper, i});
            v.push_back({u + "Bottom", S::Circle, c.circle, 74, 13, 13, c.hint, S::Upper, i});
            v.push_back({l, S::Bar, c.bar, 98, 5, 34, c.hint, S::Lower, i});
            v.push_back({l + "Top", S::Circle, c.circle, 90, 13, 13, c.hint, S::Lower, i});
            v.push_back({l + "Bottom", S::Circle, c.circle, 122, 13, 13, c.hint, S::Lower, i});
        }
        const int cableX[3] = {90, 232, 368}, cableW[3] = {144, 132, 48};
        const int upperY[3] = {47, 79, 47}, lowerY[3] = {127, 95, 127};
        const int lowerX[3] = {91, 232, 368}, lowerW[3] = {144, 132, 49};
        for (int i = 0; i < 3; ++i) {
            const std::string n = std::to_string(i + 1);
            v.push_back({"cabL" + n, S::Bar, cableX[i], upperY[i], cableW[i], 2, "Start-LS",
                         S::UpperCable, i});
            v.push_back({"cabR" + n, S::Bar, lowerX[i], lowerY[i], lowerW[i], 2, "Start-LS",
                         S::LowerCable, i});
        }
        return v;
    }();
    return shapes;
}

Color ColorOf(const SchematicColors& c, const SchematicShape& s) {
    const auto i = static_cast<size_t>(s.index);
    switch (s.part) {
    case SchematicShape::Start:
        return c.start;
    case SchematicShape::Upper:
        return c.upper[i];
    case SchematicShape::Lower:
        return c.lower[i];
    case SchematicShape::UpperCable:
        return c.upperCable[i];
    case SchematicShape::LowerCable:
        return c.lowerCable[i];
    case SchematicShape::Fixed:
        break;
    }
    return s.fixed;
}

CfgView OpeningView(const Settings& s, const std::vector<std::string>& portEntries) {
    CfgView v;
    v.portEntry = PortEntryIndex(portEntries, s.Port);
    v.alg = s.Alg;
    v.waitSeconds = s.WaitStart / 1000.0;
    v.lengthKm = s.Length / 1000.0;
    v.klass = s.Klass;
    v.finalLen = s.LengthF / 10.0;
    v.centrLen = s.LengthC / 10.0;
    v.startLen = s.LengthS / 10.0;
    v.ampel = s.ColSpeed0;
    v.lsStart = s.ColSpeed1;
    v.lsCentr = s.ColSpeed2;
    v.lsFinal = s.ColSpeed3;
    v.manyStart = s.ManyStart;
    v.zeitkarte = s.Zeitkarte;
    v.monitorEntry = s.MonitorIndex;
    v.liveServer = s.LiveServer;
    v.livePort = s.LivePort;
    return v;
}

bool ApplyChoices(const CfgChoice& choice, Settings& s) {
    if (!choice.lengthMetres)
        return false;
    const CfgView& v = choice.view;
    s.LengthF = RoundHalfEven(v.finalLen * 10);
    s.LengthC = RoundHalfEven(v.centrLen * 10);
    s.LengthS = RoundHalfEven(v.startLen * 10);
    s.ColSpeed0 = v.ampel;
    s.ColSpeed1 = v.lsStart;
    s.ColSpeed2 = v.lsCentr;
    s.ColSpeed3 = v.lsFinal;
    s.ManyStart = v.manyStart;
    s.LiveServer = v.liveServer;
    if (v.livePort >= 1 && v.livePort <= 65535)
        s.LivePort = v.livePort;
    s.Zeitkarte = v.zeitkarte;
    s.Klass = v.klass;
    s.MonitorIndex = v.monitorEntry < 0 ? 0 : v.monitorEntry;
    s.Length = *choice.lengthMetres;
    s.WaitStart = RoundHalfEven(v.waitSeconds * 1000);
    s.Port = 0;
    if (v.portEntry > 0) {
        s.Port = static_cast<uint8_t>(PortOfEntry(choice.portEntryText));
        if (v.alg >= 0) // a stored Alg outside the list selects nothing
            s.Alg = v.alg;
    }
    return true;
}

std::optional<int32_t> TrackLengthMetres(const FloatEditModel& field, const std::u16string& text) {
    const auto km = field.Parse(text);
    if (!km || *km < field.Min() || *km > field.Max())
        return std::nullopt;
    return RoundHalfEven(static_cast<double>(*km * 1000));
}

std::string TrackLengthRefused(const std::string& text, const std::string& min,
                               const std::string& max) {
    return "Streckenlänge: „" + text + "“ ist keine Zahl von " + min + " bis " + max + " km.";
}

} // namespace vk
