// The request object that http_request drives: one synchronous HTTP/1.1 request at a time,
// with the members (and member names) of the platform's request component. libcurl does the
// transfer; this header keeps it out of sight.
//
// Its state runs new -> opened (Open succeeded) -> sent (a response is held). Open starts a
// new request: it drops the previous request's headers and response. Time-outs, proxy,
// credentials and options stay on the object until they are changed, so a caller that reuses
// one object keeps its settings from call to call.
#pragma once

#include <cstdint>
#include <memory>

#include "core/bytes.hpp"
#include "core/text.hpp"

namespace kessaro {

// Makes libcurl ready for use. main() calls it first, before any thread exists; every request
// object calls it as well (it runs once), so forgetting it in a test program is harmless.
void http_global_init();

class HttpRequestObject {
  public:
    HttpRequestObject();
    ~HttpRequestObject();
    HttpRequestObject(const HttpRequestObject&) = delete;
    HttpRequestObject& operator=(const HttpRequestObject&) = delete;

    // The numbers the members take.
    static constexpr int32_t kProxySettingNamed = 2;  // SetProxy: go through the named proxy
    static constexpr int32_t kOptionIgnoreCertificateErrors = 4;  // Option indexes
    static constexpr int32_t kOptionEnableRedirects = 6;
    static constexpr int32_t kIgnoreUnknownAuthority = 0x0100;  // certificate errors to ignore
    static constexpr int32_t kIgnoreWrongUsage = 0x0200;
    static constexpr int32_t kIgnoreNameMismatch = 0x1000;
    static constexpr int32_t kIgnoreDateInvalid = 0x2000;
    static constexpr int32_t kIgnoreAllCertificateErrors =
        kIgnoreUnknownAuthority | kIgnoreWrongUsage | kIgnoreNameMismatch | kIgnoreDateInvalid;
    static constexpr int32_t kCredentialsForProxy = 1;  // SetCredentials: 0 server, 1 proxy

    // False when the object could not be made ready; every member then fails.
    bool Created() const;

    // Milliseconds, 0 meaning no limit. Resolve and connect form one budget for reaching the
    // host. Send and receive limit the time in which no byte moves, never a whole transfer.
    // A new object has 0 (resolve), 60000, 30000 and 30000.
    bool SetTimeouts(int32_t resolve, int32_t connect, int32_t send, int32_t receive);

    // Setting 2 names a proxy, "host" or "host:port" (port 80 when none is named, "http://"
    // may precede it); settings 0 and 1 go direct. Proxies named by the environment are never
    // used.
    bool SetProxy(int32_t setting, const Text& server = Text());

    // Only synchronous requests, and only to http and https URLs. The URL goes on the wire as
    // UTF-8 with unsafe bytes escaped (see wire_url.hpp).
    bool Open(const Text& method, const Text& url, bool asynchronous = false);

    // Index 4: the certificate errors to ignore (0x0100 unknown authority, 0x0200 wrong usage,
    // 0x1000 name mismatch, 0x2000 date invalid). Index 6: automatic redirects, on unless 0.
    bool Option(int32_t index, int32_t value);

    // Flags 0: the server's credentials; 1: the proxy's.
    bool SetCredentials(const Text& user, const Text& password, int32_t flags);

    // Adds a header to the opened request, replacing one of the same name (letter case
    // ignored). Names and values go on the wire as UTF-8; a Referer value in the URL's wire
    // form. A name that is not a plain token, or a name or value holding a line break, fails.
    bool SetRequestHeader(const Text& name, const Text& value);

    // Performs the opened request and waits for the whole response. Redirects are followed
    // (unless turned off) up to 10 hops, never from https to http, and only to http or https.
    // A text body goes out as its 936 bytes.
    bool Send(const Bytes& body = Bytes());
    bool Send(const Text& body);

    // The response of the last successful Send; empty bytes, empty text and 0 before one.
    const Bytes& ResponseBody() const;
    // Hands the body over without a copy, leaving the object's empty: for the owner of an
    // object that is done with the response.
    Bytes TakeResponseBody();
    // The final response's header lines without the status line, each ended by CR LF, then
    // an empty line.
    Text GetAllResponseHeaders() const;
    int32_t Status() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace kessaro
