// http_request: one complete, synchronous HTTP request, with the url and eighteen optional
// parameters. Callers name the ones they give:
//     http_request(url, {.method = 1, .body_text = Text("a=1")});
// Failures are silent: a request that gets no response returns empty bytes, and the out
// parameters read empty, 0 or the merge of the sent cookies with nothing.
#pragma once

#include <cstdint>
#include <optional>

#include "core/bytes.hpp"
#include "core/text.hpp"
#include "http/http_request_object.hpp"

namespace kessaro {

// The method numbers and the texts handed to Open.
enum class HttpMethod : int32_t { GET, POST, HEAD, PUT, OPTIONS, DELETE, TRACE, CONNECT };

// The method text of a method number; a number outside 0..7 is GET.
Text http_method_text(int32_t method);

// The milliseconds given to SetTimeouts for a `timeout_seconds`: none (nullopt) for -1, which
// leaves the object's own; seconds times 1000 for 1 or more (clamped at 2147483 s so that the
// product fits); 15000 for anything else, omitted included.
std::optional<int32_t> request_timeout_ms(std::optional<int32_t> timeout_seconds);

// In-parameters are optional values (given or omitted is known apart from the value); out and
// in/out parameters point to the caller's variables (null when omitted). The members follow
// the order of the parameters. Each has an initialiser, so that naming only some of them draws
// no missing-initialiser warning.
struct HttpRequestArgs {
    std::optional<int32_t> method{};           // HttpMethod number; outside 0..7 means GET
    std::optional<Text> body_text{};           // sent when body_bytes is empty
    Text* cookies = nullptr;                   // in/out: sent as Cookie; merged afterwards
    Text* returned_cookies = nullptr;          // out: the Set-Cookie pieces
    std::optional<Text> extra_headers{};       // lines "name: value" joined by CR LF
    Text* returned_headers = nullptr;          // out: the response's header lines
    int32_t* returned_status = nullptr;        // out: the status code, 0 without a response
    std::optional<bool> no_redirect{};         // true: redirects are not followed
    std::optional<Bytes> body_bytes{};         // sent instead of body_text when not empty
    std::optional<Text> proxy{};               // "host[:port]" of a proxy to go through
    std::optional<int32_t> timeout_seconds{};  // for each phase; -1 keeps the object's own
    std::optional<Text> proxy_user{};
    std::optional<Text> proxy_password{};
    std::optional<int32_t> credentials_target{};   // 0 server, 1 (omitted) proxy
    HttpRequestObject* request_object = nullptr;   // the caller's object, reused; else a new one
    std::optional<bool> merge_cookies{};           // omitted: true
    std::optional<bool> add_default_headers{};     // omitted: true
    std::optional<bool> normalise_header_names{};  // omitted: true
};

// The response body exactly as received. Safe to call from several threads at once.
Bytes http_request(const Text& url, const HttpRequestArgs& args = {});

}  // namespace kessaro
