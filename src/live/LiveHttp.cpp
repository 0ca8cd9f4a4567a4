#include "live/LiveHttp.h"

#include <algorithm>
#include <charconv>

namespace vk {

namespace {

bool IsTokenChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Whether a comma-separated header value lists `token` (case-insensitive).
bool ListsToken(std::string_view value, std::string_view token) {
    const std::string v = Lower(value);
    size_t pos = 0;
    while (pos <= v.size()) {
        size_t end = v.find(',', pos);
        if (end == std::string::npos)
            end = v.size();
        if (Trim(std::string_view(v).substr(pos, end - pos)) == token)
            return true;
        pos = end + 1;
    }
    return false;
}

HeadParse Fail(int status) {
    HeadParse p;
    p.status = HeadParse::Status::Error;
    p.errorStatus = status;
    return p;
}

bool ParseNumber(std::string_view s, int64_t& value) {
    if (s.empty() || s.size() > 15)
        return false;
    int64_t v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || v < 0)
        return false;
    value = v;
    return true;
}

int Hex(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

HeadParse ParseRequestHead(std::string_view bytes, const HttpLimits& limits) {
    const size_t lineEnd = bytes.find("\r\n");
    if (lineEnd == std::string_view::npos)
        return bytes.size() > limits.requestLine ? Fail(414) : HeadParse{};
    if (lineEnd > limits.requestLine)
        return Fail(414);
    const size_t headEnd = bytes.find("\r\n\r\n");
    if (headEnd == std::string_view::npos)
        return bytes.size() > limits.head ? Fail(431) : HeadParse{};
    if (headEnd + 4 > limits.head)
        return Fail(431);

    HeadParse p;
    p.headLength = headEnd + 4;
    HttpRequest& r = p.request;

    // Request line: METHOD SP target SP HTTP/1.x
    const std::string_view line = bytes.substr(0, lineEnd);
    const size_t sp1 = line.find(' ');
    const size_t sp2 = sp1 == std::string_view::npos ? sp1 : line.find(' ', sp1 + 1);
    if (sp1 == 0 || sp2 == std::string_view::npos ||
        line.find(' ', sp2 + 1) != std::string_view::npos)
        return Fail(400);
    const std::string_view method = line.substr(0, sp1);
    const std::string_view target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    const std::string_view version = line.substr(sp2 + 1);
    if (!std::all_of(method.begin(), method.end(), IsTokenChar))
        return Fail(400);
    if (target.empty() || target.front() != '/' ||
        !std::all_of(target.begin(), target.end(), [](char c) { return c > 0x20 && c < 0x7F; }))
        return Fail(400);
    if (version.substr(0, 5) != "HTTP/")
        return Fail(400);
    if (version != "HTTP/1.1" && version != "HTTP/1.0")
        return Fail(505);
    r.method = std::string(method);
    const size_t q = target.find('?');
    r.path = std::string(target.substr(0, q));
    if (q != std::string_view::npos)
        r.query = std::string(target.substr(q + 1));
    r.keepAlive = version == "HTTP/1.1";

    bool host = false, upgradeWs = false, connUpgrade = false;
    size_t count = 0;
    size_t pos = lineEnd + 2;
    while (pos < headEnd + 2) {
        const size_t end = bytes.find("\r\n", pos);
        const std::string_view h = bytes.substr(pos, end - pos);
        pos = end + 2;
        if (++count > limits.headerCount)
            return Fail(431);
        const size_t colon = h.find(':');
        if (colon == 0 || colon == std::string_view::npos)
            return Fail(400); // also a folded line, which starts with a blank
        const std::string_view rawName = h.substr(0, colon);
        if (!std::all_of(rawName.begin(), rawName.end(), IsTokenChar))
            return Fail(400);
        const std::string_view value = Trim(h.substr(colon + 1));
        if (std::any_of(value.begin(), value.end(), [](char c) {
                const auto u = static_cast<unsigned char>(c);
                return (u < 0x20 && c != '\t') || u == 0x7F;
            }))
            return Fail(400);
        const std::string name = Lower(rawName);
        if (name == "host") {
            if (host)
                return Fail(400);
            host = true;
        } else if (name == "content-length") {
            int64_t n = 0;
            if (!ParseNumber(value, n))
                return Fail(400);
            if (n > 0)
                r.hasBody = true;
        } else if (name == "transfer-encoding") {
            r.hasBody = true;
        } else if (name == "connection") {
            if (ListsToken(value, "close"))
                r.keepAlive = false;
            else if (ListsToken(value, "keep-alive"))
                r.keepAlive = true;
            connUpgrade = connUpgrade || ListsToken(value, "upgrade");
        } else if (name == "upgrade") {
            upgradeWs = ListsToken(value, "websocket");
        }
    }
    if (!host && version == "HTTP/1.1")
        return Fail(400);
    r.webSocket = upgradeWs && connUpgrade;
    p.status = HeadParse::Status::Complete;
    return p;
}

bool DecodeQueryValue(std::string_view in, std::string& out) {
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        char c = in[i];
        if (c == '+') {
            c = ' ';
        } else if (c == '%') {
            if (i + 2 >= in.size())
                return false;
            const int hi = Hex(in[i + 1]), lo = Hex(in[i + 2]);
            if (hi < 0 || lo < 0)
                return false;
            c = static_cast<char>(hi * 16 + lo);
            i += 2;
        }
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
        out += c;
    }
    return true;
}

bool QueryValue(std::string_view query, std::string_view key, std::string& value) {
    size_t pos = 0;
    while (pos <= query.size()) {
        size_t end = query.find('&', pos);
        if (end == std::string_view::npos)
            end = query.size();
        const std::string_view pair = query.substr(pos, end - pos);
        const size_t eq = pair.find('=');
        if (pair.substr(0, eq) == key)
            return DecodeQueryValue(
                eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1), value);
        pos = end + 1;
    }
    return false;
}

Route RouteRequest(const HttpRequest& req) {
    Route r;
    if (req.method != "GET" && req.method != "HEAD") {
        r.kind = Route::Kind::MethodNotAllowed;
        return r;
    }
    if (req.hasBody) {
        r.kind = Route::Kind::BodyRefused;
        return r;
    }
    const std::string& p = req.path;
    using K = Route::Kind;
    static const std::pair<const char*, K> fixed[] = {{"/", K::Start},
                                                      {"/api/state", K::State},
                                                      {"/live.css", K::Css},
                                                      {"/live.js", K::Script},
                                                      {"/protokoll.txt", K::ProtocolText},
                                                      {"/protokoll.xlsx", K::ProtocolXlsx}};
    for (const auto& [path, kind] : fixed)
        if (p == path)
            r.kind = kind;
    if (p == "/protokoll") {
        r.kind = K::Protocol;
        if (!QueryValue(req.query, "klasse", r.text))
            r.text.clear();
    } else if (p == "/api/runs") {
        r.kind = K::Runs;
        std::string since;
        if (QueryValue(req.query, "seit", since) && !ParseNumber(since, r.number))
            r.kind = K::BadQuery;
    } else if (p == "/ws") {
        r.kind = req.webSocket && req.method == "GET" ? K::WebSocket : K::BadQuery;
    } else if (p.rfind("/lauf/", 0) == 0) {
        if (ParseNumber(std::string_view(p).substr(6), r.number))
            r.kind = K::Run;
    } else if (p.rfind("/fahrer/", 0) == 0) {
        std::string nr;
        if (DecodeQueryValue(std::string_view(p).substr(8), nr) && !nr.empty() && nr.size() <= 32 &&
            nr.find('/') == std::string::npos) {
            r.kind = K::Driver;
            r.text = nr;
        }
    }
    return r;
}

const char* StatusText(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 413:
        return "Content Too Large";
    case 414:
        return "URI Too Long";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Error";
    }
}

std::string ResponseBytes(const HttpResponse& res, bool head, bool keepAlive) {
    std::string out =
        "HTTP/1.1 " + std::to_string(res.status) + " " + StatusText(res.status) + "\r\n";
    out += "Content-Type: " + res.contentType + "\r\n";
    out += "Content-Length: " + std::to_string(res.body.size()) + "\r\n";
    out += "Content-Security-Policy: default-src 'self'\r\n"
           "X-Content-Type-Options: nosniff\r\n"
           "Referrer-Policy: no-referrer\r\n"
           "Cache-Control: no-store\r\n";
    out += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    for (const auto& [name, value] : res.headers)
        out += name + ": " + value + "\r\n";
    out += "\r\n";
    if (!head)
        out += res.body;
    return out;
}

std::string ErrorBytes(int status) {
    HttpResponse r;
    r.status = status;
    r.contentType = "text/plain; charset=utf-8";
    r.body = std::to_string(status) + " " + StatusText(status) + "\n";
    if (status == 405)
        r.headers.emplace_back("Allow", "GET, HEAD");
    return ResponseBytes(r, false, false);
}

} // namespace vk
