#include "live/LiveRespond.h"

#include "live/LivePages.h"
#include "protocol/CellTable.h"
#include "protocol/ProtocolText.h"
#include "protocol/XlsxWriter.h"

namespace vk {

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kJson = "application/json; charset=utf-8";

HttpResponse Make(int status, const char* type, std::string body) {
    HttpResponse r;
    r.status = status;
    r.contentType = type;
    r.body = std::move(body);
    return r;
}

HttpResponse Page(std::string html) {
    return html.empty() ? Make(404, kHtml, NotFoundHtml()) : Make(200, kHtml, std::move(html));
}

CellTable TableOf(const LiveState& s) {
    CellTable t(s.rows().empty() ? 11 : static_cast<int>(s.rows()[0].size()));
    t.ReplaceRows(s.rows());
    return t;
}

HttpResponse Download(HttpResponse r, const char* name) {
    r.headers.emplace_back("Content-Disposition",
                           std::string("attachment; filename=\"") + name + "\"");
    return r;
}

} // namespace

HttpResponse Respond(const Route& route, const LiveState& s, const std::string& stateJson,
                     int64_t nowTick) {
    using K = Route::Kind;
    switch (route.kind) {
    case K::Start:
        return Make(200, kHtml, StartPageHtml(s, StateMessage(stateJson, nowTick)));
    case K::Protocol:
        return Make(200, kHtml, ProtocolPageHtml(s, route.text));
    case K::Run:
        return Page(RunPageHtml(s, route.number));
    case K::Driver:
        return Page(DriverPageHtml(s, route.text));
    case K::State:
        return Make(200, kJson, StateMessage(stateJson, nowTick));
    case K::Runs:
        return Make(200, kJson, RunsJson(s.runList(), route.number));
    case K::Css:
        return Make(200, "text/css; charset=utf-8", kLiveCss);
    case K::Script:
        return Make(200, "text/javascript; charset=utf-8", kLiveJs);
    case K::ProtocolText:
        return Download(Make(200, "text/plain; charset=utf-8", ProtocolTextBytes(TableOf(s))),
                        "protokoll.txt");
    case K::ProtocolXlsx: {
        std::string error;
        std::string bytes =
            XlsxBytes(TableOf(s), WorkbookInfo{"Protokoll", s.title, "", ""}, error);
        if (bytes.empty())
            return Make(500, "text/plain; charset=utf-8",
                        "Die Tabelle konnte nicht erstellt werden.\n");
        return Download(Make(200,
                             "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
                             std::move(bytes)),
                        "protokoll.xlsx");
    }
    case K::MethodNotAllowed: {
        HttpResponse r = Make(405, "text/plain; charset=utf-8", "405 Method Not Allowed\n");
        r.headers.emplace_back("Allow", "GET, HEAD");
        return r;
    }
    case K::BodyRefused:
        return Make(413, "text/plain; charset=utf-8", "413 Content Too Large\n");
    case K::BadQuery:
    case K::WebSocket:
        return Make(400, "text/plain; charset=utf-8", "400 Bad Request\n");
    case K::NotFound:
        break;
    }
    return Make(404, kHtml, NotFoundHtml());
}

} // namespace vk
