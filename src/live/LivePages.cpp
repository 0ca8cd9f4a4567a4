#include "live/LivePages.h"

#include "protocol/ProtocolPage.h"
#include "protocol/TextCodec.h"

#include <set>

namespace vk {

namespace {

std::string H(const std::string& s) {
    return HtmlEscape(AsUtf8(s));
}

// Percent-encodes a path segment or query value.
std::string UrlPart(const std::string& s) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
            c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string Head(const std::string& title, const char* page) {
    return "<!DOCTYPE html>\n<html lang=\"de\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>" +
           H(title) +
           "</title><link rel=\"stylesheet\" href=\"/live.css\">"
           "<script src=\"/live.js\" defer></script></head>\n<body data-page=\"" +
           page + "\"><nav><a href=\"/\">Rennen</a><a href=\"/protokoll\">Protokoll</a></nav>\n";
}

const char* const kFoot = "</body></html>\n";

std::string FullName(const std::string& firstName, const std::string& name) {
    if (firstName.empty())
        return name;
    return name.empty() ? firstName : firstName + " " + name;
}

std::string DriverLink(const std::string& nr) {
    if (nr.empty())
        return "";
    return "<a href=\"/fahrer/" + UrlPart(nr) + "\">" + H(nr) + "</a>";
}

std::string Marks(const RunRecord& r) {
    std::string m;
    if (r.falseStart)
        m += "<span class=\"fehl\">Fehlstart</span> ";
    if (r.win)
        m += "<span class=\"sieg\">Sieg</span> ";
    if (r.accident)
        m += "<span class=\"fehl\">Unfall</span> ";
    return m;
}

std::string RunRow(const RunRecord& r) {
    return "<tr><td><a href=\"/lauf/" + std::to_string(r.runNumber) + "\">" +
           std::to_string(r.runNumber) + "</a></td><td>" +
           H(r.dateTime.size() > 11 ? r.dateTime.substr(11) : r.dateTime) + "</td><td>" +
           std::to_string(r.lane) + "</td><td>" + H(r.rz) + "</td><td>" + H(r.zz) + "</td><td>" +
           H(r.fz) + "</td><td>" + H(r.geszeit) + "</td><td>" + H(r.kmh) + "</td><td>" + Marks(r) +
           "</td></tr>\n";
}

} // namespace

std::string StartPageHtml(const LiveState& s, const std::string& stateMessage) {
    std::string out = Head("Live – " + s.title, "start");
    out += "<h1 id=\"titel\">" + H(s.title) + "</h1>\n";
    out += "<p id=\"verbindung\" class=\"hinweis\" hidden></p>\n";
    out += "<noscript><p class=\"hinweis\">Ohne JavaScript läuft die Uhr nicht; das "
           "<a href=\"/protokoll\">Protokoll</a> geht trotzdem.</p></noscript>\n";
    out += "<main id=\"rennen\" data-state=\"" + HtmlEscape(stateMessage) + "\">";
    for (int lane = 1; lane <= 2; ++lane)
        out += "<section class=\"bahn\" id=\"bahn" + std::to_string(lane) + "\"><h2>Bahn " +
               std::to_string(lane) + "</h2></section>";
    out += "</main>\n<h2>Letzte Läufe</h2>\n<ol id=\"laeufe\" class=\"laeufe\"></ol>\n";
    return out + kFoot;
}

std::string ProtocolPageHtml(const LiveState& s, const std::string& klass) {
    std::string out = Head("Protokoll – " + s.title, "protokoll");
    out += "<h1>Protokoll</h1>\n<p class=\"titel\">" + H(s.title) + "</p>\n";
    std::set<std::string> classes;
    for (size_t r = 1; r < s.rows().size(); ++r)
        if (s.rows()[r].size() > 3 && !s.rows()[r][3].empty())
            classes.insert(s.rows()[r][3]);
    out += "<p class=\"filter\">Klasse: <a href=\"/protokoll\"" +
           std::string(klass.empty() ? " class=\"aktiv\"" : "") + ">alle</a>";
    for (const std::string& k : classes)
        out += " <a href=\"/protokoll?klasse=" + UrlPart(k) + "\"" +
               (k == klass ? " class=\"aktiv\"" : "") + ">" + H(k) + "</a>";
    out += "</p>\n<p class=\"hinweis\">Zum Sortieren auf eine Überschrift tippen.</p>\n";
    out += "<div class=\"breit\"><table id=\"protokoll\" class=\"sortierbar\"><thead><tr>";
    if (!s.rows().empty())
        for (size_t c = 0; c < s.rows()[0].size(); ++c)
            out += "<th data-spalte=\"" + std::to_string(c) + "\">" + H(s.rows()[0][c]) + "</th>";
    out += "</tr></thead>\n<tbody>\n";
    for (size_t r = 1; r < s.rows().size(); ++r) {
        const auto& row = s.rows()[r];
        if (!klass.empty() && (row.size() <= 3 || row[3] != klass))
            continue;
        bool empty = true;
        for (const auto& cell : row)
            empty = empty && cell.empty();
        if (empty)
            continue;
        out += "<tr>";
        for (size_t c = 0; c < row.size(); ++c)
            out += "<td>" + (c == 0 ? DriverLink(row[c]) : H(row[c])) + "</td>";
        out += "</tr>\n";
    }
    out += "</tbody></table></div>\n<p class=\"laden\">Herunterladen: <a href=\"/protokoll.xlsx\" "
           "download>Excel (.xlsx)</a> <a href=\"/protokoll.txt\" download>Text (.txt)</a></p>\n";
    return out + kFoot;
}

std::string RunPageHtml(const LiveState& s, int64_t runNumber) {
    const RunRecord* run = nullptr;
    for (const RunRecord& r : s.runList())
        if (r.kind == RunRecord::Kind::Run && r.runNumber == runNumber)
            run = &r;
    if (!run)
        return "";
    const RunRecord& r = *run;
    std::string out = Head("Lauf " + std::to_string(r.runNumber) + " – " + s.title, "lauf");
    out += "<article class=\"zeitkarte\"><h1>Lauf " + std::to_string(r.runNumber) +
           "</h1>\n<p class=\"titel\">" + H(r.title) + "</p>\n<p>" + H(r.dateTime) + " · Bahn " +
           std::to_string(r.lane) +
           (r.startKind == RunRecord::StartKind::Manual ? " · Handstart" : "") + "</p>\n";
    out += "<p class=\"fahrer\">Nr. " + DriverLink(r.startNumber) + " " +
           H(FullName(r.firstName, r.name)) + (r.klass.empty() ? "" : " · Kl. " + H(r.klass)) +
           "</p>\n<dl class=\"werte\">";
    const std::pair<const char*, const std::string*> values[] = {
        {"RZ", &r.rz}, {"ZZ", &r.zz}, {"Km/h", &r.kmh}, {"FZ", &r.fz}, {"Geszeit", &r.geszeit}};
    for (const auto& [label, value] : values)
        out += "<dt>" + std::string(label) + "</dt><dd>" + H(*value) + "</dd>";
    out += "</dl>\n<p class=\"marken\">" + Marks(r) + "</p>\n";
    if (!r.passMs.empty()) {
        out += "<p>Durchfahrten (ms nach dem Start):";
        for (int64_t ms : r.passMs)
            out += " " + std::to_string(ms);
        out += "</p>\n";
    }
    if (!r.opponentStartNumber.empty())
        out += "<p>Gegner: Nr. " + DriverLink(r.opponentStartNumber) + "</p>\n";
    out += "</article>\n";
    return out + kFoot;
}

std::string DriverPageHtml(const LiveState& s, const std::string& nr) {
    std::string name, klass;
    for (size_t r = 1; r < s.rows().size(); ++r) {
        const auto& row = s.rows()[r];
        if (!row.empty() && row[0] == nr) {
            name = FullName(row.size() > 2 ? row[2] : "", row.size() > 1 ? row[1] : "");
            klass = row.size() > 3 ? row[3] : "";
        }
    }
    std::string rows;
    bool known = !name.empty() || !klass.empty();
    const auto& runs = s.runList();
    for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
        if (it->kind != RunRecord::Kind::Run || it->startNumber != nr)
            continue;
        if (!known)
            name = FullName(it->firstName, it->name), klass = it->klass;
        known = true;
        rows += RunRow(*it);
    }
    if (!known)
        return "";
    std::string out = Head("Nr. " + nr + " – " + s.title, "fahrer");
    out += "<h1>Nr. " + H(nr) + " " + H(name) + "</h1>\n";
    if (!klass.empty())
        out += "<p>Klasse " + H(klass) + "</p>\n";
    if (rows.empty())
        return out + "<p>Noch kein Lauf.</p>\n" + kFoot;
    out +=
        "<div class=\"breit\"><table class=\"sortierbar\"><thead><tr><th>Lauf</th><th>Uhrzeit</th>"
        "<th>Bahn</th><th>RZ</th><th>ZZ</th><th>FZ</th><th>Geszeit</th><th>Km/h</th><th></th></tr>"
        "</thead>\n<tbody>\n" +
        rows + "</tbody></table></div>\n";
    return out + kFoot;
}

std::string NotFoundHtml() {
    return Head("Nicht gefunden", "fehler") +
           "<h1>Nicht gefunden</h1>\n<p>Diese Seite gibt es nicht.</p>\n" + kFoot;
}

} // namespace vk
