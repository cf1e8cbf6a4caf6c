#include "http/http_request.hpp"

#include <algorithm>
#include <string>

#include "core/text_ops.hpp"
#include "http/base64.hpp"
#include "http/cookie_texts.hpp"
#include "http/request_headers.hpp"

namespace kessaro {
namespace {

constexpr int32_t kDefaultTimeoutMs = 15000;
// The largest number of seconds whose milliseconds fit a 32-bit signed integer.
constexpr int32_t kMaxTimeoutSeconds = 2147483;
using Request = HttpRequestObject;

}  // namespace

Text http_method_text(int32_t method) {
    static constexpr const char* kTexts[] = {"GET",     "POST",   "HEAD",  "PUT",
                                             "OPTIONS", "DELETE", "TRACE", "CONNECT"};
    return kTexts[method >= 0 && method <= 7 ? method : 0];
}

std::optional<int32_t> request_timeout_ms(std::optional<int32_t> timeout_seconds) {
    const int32_t seconds = timeout_seconds.value_or(0);
    if (seconds == -1)
        return std::nullopt;
    if (seconds < 1)
        return kDefaultTimeoutMs;
    return std::min(seconds, kMaxTimeoutSeconds) * 1000;
}

Bytes http_request(const Text& url, const HttpRequestArgs& args) {
    const bool merge_cookies = args.merge_cookies.value_or(true);
    const bool add_default_headers = args.add_default_headers.value_or(true);
    const bool normalise_header_names = args.normalise_header_names.value_or(true);

    const int32_t raw_method = args.method.value_or(0);
    const int32_t method = raw_method >= 0 && raw_method <= 7 ? raw_method : 0;

    std::optional<HttpRequestObject> own_object;
    HttpRequestObject* request = args.request_object;
    if (!request) {
        own_object.emplace();
        if (!own_object->Created())
            return {};
        request = &*own_object;
    }

    if (const auto timeout = request_timeout_ms(args.timeout_seconds)) {
        request->SetTimeouts(*timeout, *timeout, *timeout, *timeout);
    }
    const Text proxy = args.proxy.value_or(Text());
    if (!proxy.empty())
        request->SetProxy(Request::kProxySettingNamed, proxy);
    request->Open(http_method_text(method), url, false);
    if (args.no_redirect.value_or(false))
        request->Option(Request::kOptionEnableRedirects, 0);
    request->Option(Request::kOptionIgnoreCertificateErrors, Request::kIgnoreAllCertificateErrors);

    Text header_text = args.extra_headers.value_or(Text());
    if (add_default_headers)
        complete_default_headers(header_text, url, method);
    if (normalise_header_names)
        header_text = normalise_header_lines(header_text);

    const Text proxy_user = args.proxy_user.value_or(Text());
    if (!proxy.empty() && !proxy_user.empty()) {
        const Text proxy_password = args.proxy_password.value_or(Text());
        const int32_t target = args.credentials_target.value_or(Request::kCredentialsForProxy);
        request->SetCredentials(proxy_user, proxy_password, target);
        if (target == Request::kCredentialsForProxy) {
            const Text pair = proxy_user + ":" + proxy_password;
            request->SetRequestHeader("Proxy-Authorization",
                                      "Basic " + base64_encode(Bytes(pair.view())));
        }
    }

    if (args.cookies) {
        *args.cookies = replace_text(*args.cookies, "Cookie:", "", 1, std::nullopt, true);
        request->SetRequestHeader("Cookie", *args.cookies);
    }

    apply_header_lines(*request, header_text);

    if (args.body_bytes && !args.body_bytes->empty()) {
        request->Send(*args.body_bytes);
    } else {
        request->Send(args.body_text.value_or(Text()));
    }

    // The body is copied once into the result; a request object of this call's own hands it
    // over instead.
    Bytes body = own_object ? request->TakeResponseBody() : request->ResponseBody();
    const Text headers = request->GetAllResponseHeaders();
    if (args.returned_headers)
        *args.returned_headers = headers;
    if (args.returned_status)
        *args.returned_status = request->Status();

    Text returned_cookies = extract_set_cookies(headers);
    if (merge_cookies && args.cookies) {
        returned_cookies = merge_cookie_texts(*args.cookies, returned_cookies);
    }
    if (args.returned_cookies)
        *args.returned_cookies = returned_cookies;

    return body;
}

}  // namespace kessaro
