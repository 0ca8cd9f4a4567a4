#include "config/MemorySettingsStore.h"
#include "config/SettingsIo.h"
#include "live/LiveHttp.h"
#include "live/LivePages.h"
#include "live/LiveRespond.h"
#include "live/LiveState.h"

#include <gtest/gtest.h>

namespace vk {
namespace {

Route To(Route::Kind kind, int64_t number = 0, std::string text = {}) {
    return Route{kind, number, std::move(text)};
}

const std::string kHostile = "<script>alert(\"x\")</script>&'\\";

RunRecord Run(int64_t n, std::string nr, std::string name, std::string geszeit, bool win = false) {
    RunRecord r;
    r.runNumber = n;
    r.dateTime = "2026-12-09T20:15:03";
    r.title = "Herbstpokal";
    r.lane = 1;
    r.startNumber = std::move(nr);
    r.name = std::move(name);
    r.klass = "3";
    r.passMs = {612, 5123};
    r.geszeit = std::move(geszeit);
    r.win = win;
    return r;
}

LiveState SampleState() {
    LiveState s;
    s.title = "Größter Preis \"2026\"";
    s.lanes[0].phase = LiveLane::Phase::Running;
    s.lanes[0].startNumber = "12";
    s.lanes[0].name = "Müller";
    s.lanes[0].firstName = "Jörg";
    s.lanes[0].startTick = 4294967000;
    s.lanes[1].phase = LiveLane::Phase::Finished;
    s.lanes[1].startNumber = "7";
    s.lanes[1].name = kHostile;
    s.lanes[1].geszeit = "5,123";
    s.lanes[1].falseStart = true;
    s.protocol = std::make_shared<ProtocolRows>(ProtocolRows{
        {"Nr.", "Name", "Vorname", "Kl.", "RZ", "ZZ", "Km/h", "FZ", "Geszeit", "Win", "Platz"},
        {"12", "Müller", "Jörg", "3", "", "", "", "", "", "", ""},
        {"7", kHostile, "", "B", "", "", "", "", "5,123", "", "1"}});
    auto runs = std::make_shared<std::vector<RunRecord>>();
    runs->push_back(Run(1, "7", kHostile, "5,123", true));
    RunRecord joker;
    joker.kind = RunRecord::Kind::Joker;
    joker.runNumber = 2;
    runs->push_back(joker);
    runs->push_back(Run(3, "12", "Müller", "6,001"));
    s.runs = runs;
    return s;
}

TEST(LiveJson, StateIsGoldenWithUmlautsAndHostileTextEscaped) {
    const std::string lane1 =
        R"({"bahn":1,"phase":"laeuft","nr":"12","name":"Müller","vorname":"Jörg","klasse":"","bereit":"",)"
        R"("startTick":4294967000,"rz":"","zz":"","kmh":"","fz":"","geszeit":"","win":false,"fehlstart":false})";
    const std::string lane2 =
        R"({"bahn":2,"phase":"fertig","nr":"7","name":"\u003cscript\u003ealert(\"x\")\u003c/script\u003e\u0026'\\",)"
        R"("vorname":"","klasse":"","bereit":"","startTick":0,"rz":"","zz":"","kmh":"","fz":"",)"
        R"("geszeit":"5,123","win":false,"fehlstart":true})";
    const std::string run3 =
        R"({"art":"lauf","lauf":3,"zeit":"2026-12-09T20:15:03","bahn":1,"nr":"12","name":"Müller",)"
        R"("vorname":"","klasse":"3","handstart":false,"durchfahrten":[612,5123],"rz":"","zz":"","fz":"",)"
        R"("geszeit":"6,001","kmh":"","win":false,"fehlstart":false,"unfall":false,"handstopp":false,)"
        R"("gegner":"","bezug":0})";
    const std::string json = StateJson(SampleState());
    EXPECT_EQ(json.substr(0, json.find(R"(,{"art":"lauf","lauf":1)")),
              R"({"titel":"Größter Preis \"2026\"","bahnen":[)" + lane1 + "," + lane2 +
                  R"(],"laeufe":[)" + run3)
        << "newest run first, the joker left out";
    EXPECT_EQ(json.back(), '}');
}

TEST(LiveJson, StringsAreSafeForAnyInput) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"", R"("")"},
        {"a\nb\tc\r\x01\x7f", R"("a\nb\tc\r\u0001\u007f")"},
        {"\xE2\x80\xA8|\xE2\x80\xA9", R"("\u2028|\u2029")"},
        {"M\xFC"
         "ller",
         "\"Müller\""}, // Windows-1252 read as such
        {"</script>", R"("\u003c/script\u003e")"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JsonString(c.in), c.out) << c.in;
}

TEST(LiveJson, RunsAfterANumber) {
    const LiveState s = SampleState();
    EXPECT_EQ(RunsJson(s.runList(), 3), R"({"seit":3,"laeufe":[]})");
    const std::string after1 = RunsJson(s.runList(), 1);
    EXPECT_EQ(after1.find(R"("lauf":1,)"), std::string::npos);
    EXPECT_NE(after1.find(R"("art":"joker","lauf":2)"), std::string::npos);
    EXPECT_NE(after1.find(R"("lauf":3)"), std::string::npos);
    EXPECT_EQ(StateMessage("{}", 42), R"({"tick":42,"state":{}})");
}

TEST(LiveHttp, RequestHeads) {
    const HttpLimits small{64, 128, 3};
    struct Case {
        std::string bytes;
        HeadParse::Status status;
        int error;
        const char* path;
    } cases[] = {
        {"GET / HTTP/1.1\r\nHost: x\r\n\r\n", HeadParse::Status::Complete, 0, "/"},
        {"GET /api/runs?seit=3 HTTP/1.0\r\n\r\n", HeadParse::Status::Complete, 0, "/api/runs"},
        {"GET / HTTP/1.1\r\nHost: x\r\n", HeadParse::Status::Incomplete, 0, ""},
        {"GET / HTTP/1.1", HeadParse::Status::Incomplete, 0, ""},
        {"GET /" + std::string(100, 'a'), HeadParse::Status::Error, 414, ""},
        {"GET / HTTP/1.1\r\nHost: x\r\nA: " + std::string(120, 'a'), HeadParse::Status::Error, 431,
         ""},
        {"GET / HTTP/1.1\r\nHost: x\r\nA: 1\r\nB: 2\r\nC: 3\r\n\r\n", HeadParse::Status::Error, 431,
         ""},
        {"GET / HTTP/1.1\r\n\r\n", HeadParse::Status::Error, 400, ""}, // no Host
        {"GET / HTTP/1.1\r\nHost: x\r\nHost: y\r\n\r\n", HeadParse::Status::Error, 400, ""},
        {"GET / HTTP/2.0\r\nHost: x\r\n\r\n", HeadParse::Status::Error, 505, ""},
        {"GET http://x/ HTTP/1.1\r\nHost: x\r\n\r\n", HeadParse::Status::Error, 400, ""},
        {"GET  / HTTP/1.1\r\nHost: x\r\n\r\n", HeadParse::Status::Error, 400, ""},
        {"GET /\x01 HTTP/1.1\r\nHost: x\r\n\r\n", HeadParse::Status::Error, 400, ""},
        {"G(T / HTTP/1.1\r\nHost: x\r\n\r\n", HeadParse::Status::Error, 400, ""},
        {"GET / HTTP/1.1\r\nHost: x\r\n folded\r\n\r\n", HeadParse::Status::Error, 400, ""},
        {"GET / HTTP/1.1\r\nHost: x\r\nX: a\x01"
         "b\r\n\r\n",
         HeadParse::Status::Error, 400, ""},
        {"GET / HTTP/1.1\r\nHost: x\r\nContent-Length: -1\r\n\r\n", HeadParse::Status::Error, 400,
         ""},
    };
    for (const auto& c : cases) {
        const HeadParse p = ParseRequestHead(c.bytes, small);
        EXPECT_EQ(p.status, c.status) << c.bytes;
        EXPECT_EQ(p.errorStatus, c.error) << c.bytes;
        EXPECT_EQ(p.request.path, c.path) << c.bytes;
    }
}

TEST(LiveHttp, HeadersSetBodyKeepAliveAndUpgrade) {
    auto parse = [](const std::string& headers, const char* version = "HTTP/1.1") {
        return ParseRequestHead(std::string("GET /ws ") + version + "\r\nHost: x\r\n" + headers +
                                "\r\n")
            .request;
    };
    EXPECT_TRUE(parse("").keepAlive);
    EXPECT_FALSE(parse("Connection: close\r\n").keepAlive);
    EXPECT_FALSE(parse("", "HTTP/1.0").keepAlive);
    EXPECT_TRUE(parse("Connection: Keep-Alive\r\n", "HTTP/1.0").keepAlive);
    EXPECT_TRUE(parse("Content-Length: 5\r\n").hasBody);
    EXPECT_FALSE(parse("Content-Length: 0\r\n").hasBody);
    EXPECT_TRUE(parse("Transfer-Encoding: chunked\r\n").hasBody);
    EXPECT_TRUE(parse("Upgrade: WebSocket\r\nConnection: keep-alive, Upgrade\r\n").webSocket);
    EXPECT_FALSE(parse("Upgrade: websocket\r\n").webSocket);
}

TEST(LiveHttp, RoutesAndPathTricks) {
    using K = Route::Kind;
    struct Case {
        const char* method;
        const char* target;
        K kind;
        int64_t number;
        const char* text;
    } cases[] = {
        {"GET", "/", K::Start, 0, ""},
        {"HEAD", "/", K::Start, 0, ""},
        {"POST", "/", K::MethodNotAllowed, 0, ""},
        {"PUT", "/api/state", K::MethodNotAllowed, 0, ""},
        {"get", "/", K::MethodNotAllowed, 0, ""},
        {"GET", "/protokoll?klasse=Gr%C3%B6%C3%9Fe+A", K::Protocol, 0, "Größe A"},
        {"GET", "/protokoll?klasse=%zz", K::Protocol, 0, ""},
        {"GET", "/lauf/17", K::Run, 17, ""},
        {"GET", "/lauf/-1", K::NotFound, 0, ""},
        {"GET", "/lauf/1/../2", K::NotFound, 0, ""},
        {"GET", "/lauf/99999999999999999999", K::NotFound, 0, ""},
        {"GET", "/fahrer/12", K::Driver, 0, "12"},
        {"GET", "/fahrer/%2e%2e%2fetc", K::NotFound, 0, ""},
        {"GET", "/fahrer/%00", K::NotFound, 0, ""},
        {"GET", "/api/runs?seit=4", K::Runs, 4, ""},
        {"GET", "/api/runs", K::Runs, 0, ""},
        {"GET", "/api/runs?seit=x", K::BadQuery, 0, ""},
        {"GET", "/../etc/passwd", K::NotFound, 0, ""},
        {"GET", "/%2e%2e/etc/passwd", K::NotFound, 0, ""},
        {"GET", "//live.js", K::NotFound, 0, ""},
        {"GET", "/live.js", K::Script, 0, ""},
        {"GET", "/ws", K::BadQuery, 0, ""},
    };
    for (const auto& c : cases) {
        const std::string target = c.target;
        const HeadParse p =
            ParseRequestHead(std::string(c.method) + " " + target + " HTTP/1.1\r\nHost: x\r\n\r\n");
        ASSERT_EQ(p.status, HeadParse::Status::Complete) << target;
        const Route r = RouteRequest(p.request);
        EXPECT_EQ(r.kind, c.kind) << c.method << " " << target;
        EXPECT_EQ(r.number, c.number) << target;
        EXPECT_EQ(r.text, c.text) << target;
    }
    HttpRequest body{"GET", "/", "", true, false, true};
    EXPECT_EQ(RouteRequest(body).kind, K::BodyRefused);
}

TEST(LiveHttp, ResponsesCarryThePolicyAndHeadHasNoBody) {
    const LiveState s = SampleState();
    const HttpResponse r = Respond(To(Route::Kind::Start), s, StateJson(s), 1);
    const std::string full = ResponseBytes(r, false, true);
    const std::string head = ResponseBytes(r, true, true);
    EXPECT_NE(full.find("Content-Security-Policy: default-src 'self'\r\n"), std::string::npos);
    EXPECT_EQ(full.find("Set-Cookie"), std::string::npos);
    EXPECT_NE(head.find("Content-Length: " + std::to_string(r.body.size()) + "\r\n"),
              std::string::npos);
    EXPECT_EQ(head.size(), full.size() - r.body.size());
    EXPECT_NE(ErrorBytes(405).find("Allow: GET, HEAD\r\n"), std::string::npos);
}

TEST(LivePages, HostileTextNeverReachesAPageRawAndNoInlineScriptOrStyle) {
    const LiveState s = SampleState();
    const std::string json = StateJson(s);
    const Route routes[] = {To(Route::Kind::Start), To(Route::Kind::Protocol),
                            To(Route::Kind::Run, 1), To(Route::Kind::Driver, 0, "7")};
    for (const Route& route : routes) {
        const HttpResponse r = Respond(route, s, json, 1);
        EXPECT_EQ(r.status, 200);
        EXPECT_EQ(r.body.find("<script>"), std::string::npos) << r.body;
        EXPECT_EQ(r.body.find("<style"), std::string::npos);
        EXPECT_EQ(r.body.find(" style="), std::string::npos);
        EXPECT_EQ(r.body.find("http://"), std::string::npos) << "no outside resources";
    }
    EXPECT_NE(RunPageHtml(s, 1).find("&lt;script&gt;alert(&quot;x&quot;)"), std::string::npos);
    EXPECT_NE(
        StartPageHtml(s, "{\"a\":\"<\"}").find("data-state=\"{&quot;a&quot;:&quot;&lt;&quot;}\""),
        std::string::npos);
}

TEST(LivePages, ProtocolFilterTimeslipAndDriver) {
    const LiveState s = SampleState();
    const std::string all = ProtocolPageHtml(s, "");
    const std::string onlyB = ProtocolPageHtml(s, "B");
    EXPECT_NE(all.find("Müller"), std::string::npos);
    EXPECT_EQ(onlyB.find("Müller"), std::string::npos);
    EXPECT_NE(onlyB.find("<a href=\"/fahrer/7\">7</a>"), std::string::npos);
    EXPECT_NE(all.find("/protokoll?klasse=B"), std::string::npos);

    EXPECT_EQ(RunPageHtml(s, 2), "") << "a joker is no run";
    EXPECT_EQ(RunPageHtml(s, 9), "");
    EXPECT_NE(RunPageHtml(s, 3).find("6,001"), std::string::npos);
    const std::string driver = DriverPageHtml(s, "12");
    EXPECT_NE(driver.find("Jörg Müller"), std::string::npos);
    EXPECT_NE(driver.find("/lauf/3"), std::string::npos);
    EXPECT_EQ(driver.find("/lauf/1\""), std::string::npos);
    EXPECT_EQ(DriverPageHtml(s, "99"), "");
    EXPECT_EQ(Respond(To(Route::Kind::Driver, 0, "99"), s, "", 0).status, 404);
}

TEST(LivePages, DownloadsUseTheProtocolWriters) {
    const LiveState s = SampleState();
    const HttpResponse txt = Respond(To(Route::Kind::ProtocolText), s, "", 0);
    EXPECT_NE(txt.body.find("12\tMüller\tJörg\t3"), std::string::npos);
    EXPECT_NE(txt.body.find("\r\n"), std::string::npos);
    const HttpResponse xlsx = Respond(To(Route::Kind::ProtocolXlsx), s, "", 0);
    EXPECT_EQ(xlsx.status, 200);
    EXPECT_EQ(xlsx.body.substr(0, 2), "PK");
}

} // namespace
} // namespace vk

namespace vk {
namespace {

TEST(LiveSettings, ReadAfterTheOthersEachOnItsOwnAndKeptInRange) {
    using V = MemorySettingsStore::Values;
    struct Case {
        V values;
        bool on;
        int port;
    } cases[] = {
        {{}, false, 8080},
        {{{"LiveServer", 1}, {"LivePort", 9000}}, true, 9000}, // the older values are missing
        {{{"LiveServer", 7}, {"LivePort", 70000}}, true, 8080},
        {{{"LiveServer", std::string("1")}, {"LivePort", 0}}, false, 8080},
    };
    for (const auto& c : cases) {
        MemorySettingsStore store;
        store.keys["Velkoran"] = c.values;
        Settings s;
        LoadSettings(store, "Velkoran", s, SettingsContext{});
        EXPECT_EQ(s.LiveServer, c.on);
        EXPECT_EQ(s.LivePort, c.port);
        Settings back;
        ASSERT_EQ(SaveSettings(store, "Velkoran", s), "");
        LoadSettings(store, "Velkoran", back, SettingsContext{});
        EXPECT_EQ(back.LiveServer, s.LiveServer);
        EXPECT_EQ(back.LivePort, s.LivePort);
    }
}

} // namespace
} // namespace vk
