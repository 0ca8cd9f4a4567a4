#pragma once
#include "live/LiveState.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vk {

// Bounds of what a client may send. A request is its head only: bodies are refused.
struct HttpLimits {
    size_t requestLine = 2048;
    size_t head = 8192; // request line and headers together
    size_t headerCount = 64;
};

struct HttpRequest {
    std::string method, path, query;
    bool keepAlive = true;
    bool webSocket = false; // an upgrade to a WebSocket was asked for
    bool hasBody = false;
};

// The result of looking at the bytes received so far.
struct HeadParse {
    enum class Status { Incomplete, Complete, Error };
    Status status = Status::Incomplete;
    HttpRequest request;
    size_t headLength = 0; // bytes of the head, blank line included
    int errorStatus = 0;   // 400, 414, 431 or 505 with Error
};

// Parses an HTTP/1.x request head from the start of `bytes`.
HeadParse ParseRequestHead(std::string_view bytes, const HttpLimits& limits = {});

struct HttpResponse {
    int status = 200;
    std::string contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers; // beyond the common ones
};

// Where a request goes. Everything is answered from the snapshot; no part of a path ever
// names a file.
struct Route {
    enum class Kind {
        NotFound,
        MethodNotAllowed,
        BodyRefused,
        Start,
        Protocol,
        Run,
        Driver,
        State,
        Runs,
        Css,
        Script,
        ProtocolText,
        ProtocolXlsx,
        WebSocket,
        BadQuery
    };
    Kind kind = Kind::NotFound;
    int64_t number = 0; // the run number of /lauf/<n>, the N of ?seit=N
    std::string text;   // the start number of /fahrer/<nr>, the class filter of /protokoll
};
Route RouteRequest(const HttpRequest& request);

// Decodes %XX and '+' of a query value; nothing on a malformed escape or a control character.
bool DecodeQueryValue(std::string_view in, std::string& out);
// The value of `key` in a query string; false when it is absent or malformed.
bool QueryValue(std::string_view query, std::string_view key, std::string& value);

// The status line's reason text.
const char* StatusText(int status);
// A whole response: status line, the common headers (CSP, no caching, no sniffing, length,
// connection) and, unless `head`, the body.
std::string ResponseBytes(const HttpResponse& response, bool head, bool keepAlive);
// A short plain-text error response that closes the connection.
std::string ErrorBytes(int status);

} // namespace vk
