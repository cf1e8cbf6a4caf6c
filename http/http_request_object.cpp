// The request object over libcurl: the only file that speaks to libcurl.
#include "http/http_request_object.hpp"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/text_ops.hpp"
#include "encoding/code_page.hpp"
#include "http/wire_url.hpp"

namespace kessaro {
namespace {

using Clock = std::chrono::steady_clock;

// A bigger body ends the transfer like a broken one: one reply must not take all memory.
constexpr curl_off_t kMaxBodyBytes = curl_off_t{512} * 1024 * 1024;
// The same guard for the header lines of one response.
constexpr std::size_t kMaxHeaderBytes = std::size_t{1} * 1024 * 1024;
constexpr int kMaxRedirects = 10;

struct CurlHandleDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlHandleDeleter>;

struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, HeaderListDeleter>;

// An HTTP token: visible ASCII without separators that would change the request's shape.
bool is_token(std::string_view text) {
    if (text.empty())
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte > 0x20 && byte < 0x7F && c != ':' && c != '(' && c != ')' && c != ',' &&
               c != ';' && c != '"' && c != '/' && c != '[' && c != ']' && c != '?' && c != '=' &&
               c != '{' && c != '}' && c != '\\' && c != '@' && c != '<' && c != '>';
    });
}

bool has_line_break(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// "scheme://host:port" of a wire URL, letter case kept; used to keep server credentials
// from following a redirect to another origin.
std::string origin_of(std::string_view url) {
    const std::size_t scheme_end = url.find("://");
    if (scheme_end == std::string_view::npos)
        return std::string(url);
    const std::size_t end = url.find_first_of("/?", scheme_end + 3);
    return std::string(url.substr(0, end));
}

// The trimmed value of a Content-Length line, empty for any other line.
std::string_view content_length_of(std::string_view line) {
    constexpr std::string_view name = "Content-Length:";
    if (line.size() < name.size() || !equal_ignoring_ascii_case(line.substr(0, name.size()), name))
        return {};
    std::string_view value = line.substr(name.size());
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.remove_suffix(1);
    return value;
}

struct Header {
    std::string name;  // UTF-8
    std::string value;
};

// Finds a header by name (letter case ignored) in an ordered list.
Header* find_header(std::vector<Header>& headers, std::string_view name) {
    for (Header& header : headers) {
        if (equal_ignoring_ascii_case(header.name, name))
            return &header;
    }
    return nullptr;
}

void put_header(std::vector<Header>& headers, std::string name, std::string value) {
    if (Header* existing = find_header(headers, name)) {
        existing->value = std::move(value);
    } else {
        headers.push_back({std::move(name), std::move(value)});
    }
}

// "Name;" is libcurl's way to send a header with an empty value ("Name:" would remove it).
std::string header_line(const Header& header) {
    return header.value.empty() ? header.name + ";" : header.name + ": " + header.value;
}

// A line that cannot be added (no memory) is left out, like any failed header.
void append_line(HeaderList& list, const std::string& line) {
    curl_slist* head = list.release();
    if (curl_slist* grown = curl_slist_append(head, line.c_str()))
        head = grown;
    list.reset(head);
}

enum class Phase { fresh, opened, sent };

}  // namespace

void http_global_init() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct HttpRequestObject::State {
    // Settings: they outlive each request.
    int32_t resolve_ms = 0;
    int32_t connect_ms = 60000;
    int32_t send_ms = 30000;
    int32_t receive_ms = 30000;
    std::string proxy;  // empty: direct
    bool has_server_credentials = false;
    std::string server_user, server_password;
    bool has_proxy_credentials = false;
    std::string proxy_user, proxy_password;
    bool follow_redirects = true;
    int32_t ignored_certificate_errors = 0;

    // The request being built by Open and SetRequestHeader.
    Phase phase = Phase::fresh;
    std::string method;
    std::string url;
    std::vector<Header> headers;
    std::vector<Header> proxy_headers;

    // The response of the last successful Send.
    Bytes body;
    std::string response_headers;
    int32_t status = 0;

    // One transfer handle for the object's life, so a reused object can keep its connection.
    CurlHandle handle{curl_easy_init()};

    // Progress of the hop in flight, for the idle limits.
    Clock::time_point last_activity;
    curl_off_t last_down = 0;
    curl_off_t last_up = 0;
    bool connected = false;
    bool header_overflow = false;
    // The first Content-Length value of the response in flight.
    std::string content_length;

    bool send(std::string_view body_bytes);
    bool perform_hop(const std::string& hop_url, const std::string& hop_method,
                     std::string_view hop_body, bool with_server_credentials);
    HeaderList build_header_list(bool drop_content_type) const;
    HeaderList build_proxy_header_list() const;
    long connect_budget_ms() const;

    static size_t on_body(char* data, size_t size, size_t count, void* self);
    static size_t on_header(char* data, size_t size, size_t count, void* self);
    static int on_connected(void* self, char*, char*, int, int);
    static int on_progress(void* self, curl_off_t down_total, curl_off_t down_now,
                           curl_off_t up_total, curl_off_t up_now);
};

size_t HttpRequestObject::State::on_body(char* data, size_t size, size_t count, void* self) {
    auto& state = *static_cast<State*>(self);
    std::string& body = state.body.storage();
    const size_t length = size * count;
    if (body.size() + length > static_cast<size_t>(kMaxBodyBytes))
        return 0;
    if (body.empty()) {
        // One allocation for a body of announced length.
        curl_off_t announced = -1;
        curl_easy_getinfo(state.handle.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        if (announced > 0)
            body.reserve(static_cast<size_t>(std::min(announced, kMaxBodyBytes)));
    }
    body.append(data, length);
    return length;
}

size_t HttpRequestObject::State::on_header(char* data, size_t size, size_t count, void* self) {
    auto& state = *static_cast<State*>(self);
    const size_t length = size * count;
    std::string_view line(data, length);
    // Every status line starts a response of its own: interim (1xx) and proxy replies vanish.
    if (line.substr(0, 5) == "HTTP/") {
        state.response_headers.clear();
        state.content_length.clear();
        return length;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    if (state.response_headers.size() + line.size() + 2 > kMaxHeaderBytes) {
        state.header_overflow = true;
        return 0;
    }
    // Lengths that disagree leave the body's end unknown (libcurl would take the last one and
    // hand on a cut body as complete): the response fails whole instead.
    if (const std::string_view announced = content_length_of(line); !announced.empty()) {
        if (!state.content_length.empty() && state.content_length != announced)
            return 0;
        state.content_length = announced;
    }
    state.response_headers.append(line);
    state.response_headers.append("\r\n");
    return length;
}

int HttpRequestObject::State::on_connected(void* self, char*, char*, int, int) {
    auto& state = *static_cast<State*>(self);
    state.connected = true;
    state.last_activity = Clock::now();
    return CURL_PREREQFUNC_OK;
}

int HttpRequestObject::State::on_progress(void* self, curl_off_t, curl_off_t down_now,
                                          curl_off_t up_total, curl_off_t up_now) {
    auto& state = *static_cast<State*>(self);
    const Clock::time_point now = Clock::now();
    // Reaching the host has a budget of its own; the idle clock starts once connected.
    if (!state.connected)
        return 0;
    if (down_now != state.last_down || up_now != state.last_up) {
        state.last_down = down_now;
        state.last_up = up_now;
        state.last_activity = now;
        return 0;
    }
    const bool sending = up_total > 0 && up_now < up_total;
    const int32_t limit_ms = sending ? state.send_ms : state.receive_ms;
    if (limit_ms <= 0)
        return 0;
    return now - state.last_activity > std::chrono::milliseconds(limit_ms) ? 1 : 0;
}

long HttpRequestObject::State::connect_budget_ms() const {
    // 0 means no limit; libcurl reads 0 as 300 s, so "no limit" becomes the largest budget.
    if (connect_ms <= 0)
        return std::numeric_limits<int32_t>::max();
    const int64_t budget = int64_t{connect_ms} + std::max(resolve_ms, int32_t{0});
    return static_cast<long>(std::min<int64_t>(budget, std::numeric_limits<int32_t>::max()));
}

HeaderList HttpRequestObject::State::build_header_list(bool drop_content_type) const {
    HeaderList list;
    bool has_content_type = false;
    bool has_expect = false;
    bool has_accept = false;
    for (const Header& header : headers) {
        if (equal_ignoring_ascii_case(header.name, "Content-Type")) {
            if (drop_content_type)
                continue;
            has_content_type = true;
        }
        has_expect = has_expect || equal_ignoring_ascii_case(header.name, "Expect");
        has_accept = has_accept || equal_ignoring_ascii_case(header.name, "Accept");
        append_line(list, header_line(header));
    }
    // libcurl's own additions go unless the caller asked for them.
    if (!has_content_type)
        append_line(list, "Content-Type:");
    if (!has_expect)
        append_line(list, "Expect:");
    if (!has_accept)
        append_line(list, "Accept:");
    return list;
}

HeaderList HttpRequestObject::State::build_proxy_header_list() const {
    HeaderList list;
    for (const Header& header : proxy_headers)
        append_line(list, header_line(header));
    // libcurl's own addition for a proxy goes as well.
    append_line(list, "Proxy-Connection:");
    return list;
}

bool HttpRequestObject::State::perform_hop(const std::string& hop_url,
                                           const std::string& hop_method, std::string_view hop_body,
                                           bool with_server_credentials) {
    CURL* curl = handle.get();
    curl_easy_reset(curl);
    body = Bytes();
    response_headers.clear();
    status = 0;
    last_down = 0;
    last_up = 0;
    connected = false;
    header_overflow = false;
    content_length.clear();

    curl_easy_setopt(curl, CURLOPT_URL, hop_url.c_str());
    // Only web schemes, also for anything libcurl might follow by itself.
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // Redirects are followed by hand: libcurl's own following drops 3xx bodies and would go
    // from https to http.
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    // HTTP/2 would lower-case header names.
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, long{CURL_HTTP_VERSION_1_1});
    // Time-outs must not use signals: several threads request at once.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);

    // An empty proxy text and an empty no-proxy list keep http_proxy and no_proxy from the
    // environment out of the request.
    curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "");
    if (!proxy.empty()) {
        curl_easy_setopt(curl, CURLOPT_PROXYTYPE, long{CURLPROXY_HTTP});
        // libcurl's default proxy port is 1080; a port in the proxy text still wins.
        curl_easy_setopt(curl, CURLOPT_PROXYPORT, 80L);
    }
    if (has_proxy_credentials) {
        curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, proxy_user.c_str());
        curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, proxy_password.c_str());
    }
    if (has_server_credentials && with_server_credentials) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, server_user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, server_password.c_str());
        // Credentials go out only when the server asks for them.
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH,
                         static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
    }

    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connect_budget_ms());
    // Called once the connection (TLS included) is made or reused, before the request goes.
    curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, &State::on_connected);
    curl_easy_setopt(curl, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &State::on_progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &State::on_body);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &State::on_header);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, kMaxBodyBytes);

    const bool ignore_authority =
        (ignored_certificate_errors &
         (kIgnoreUnknownAuthority | kIgnoreWrongUsage | kIgnoreDateInvalid)) != 0;
    const bool ignore_name = (ignored_certificate_errors & kIgnoreNameMismatch) != 0;
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, ignore_authority ? 0L : 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, ignore_name ? 0L : 2L);

    const bool head = hop_method == "HEAD";
    const bool with_body =
        !head && (!hop_body.empty() || hop_method == "POST" || hop_method == "PUT");
    if (head) {
        // A HEAD sent as a custom method would wait for a body that never comes.
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    } else if (with_body) {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(hop_body.size()));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, hop_body.data());
        if (hop_method != "POST") {
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, hop_method.c_str());
        }
    } else {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
        if (hop_method != "GET")
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, hop_method.c_str());
    }

    const HeaderList header_list = build_header_list(!with_body && hop_method != method);
    const HeaderList proxy_header_list = build_proxy_header_list();
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, header_list.get());
    // Proxy headers reach the proxy only, never an https origin behind it.
    curl_easy_setopt(curl, CURLOPT_PROXYHEADER, proxy_header_list.get());
    curl_easy_setopt(curl, CURLOPT_HEADEROPT, long{CURLHEADER_SEPARATE});

    const CURLcode result = curl_easy_perform(curl);
    long code = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
    if (result != CURLE_OK || code <= 0 || header_overflow) {
        body = Bytes();
        response_headers.clear();
        return false;
    }
    status = static_cast<int32_t>(code);
    return true;
}

bool HttpRequestObject::State::send(std::string_view request_body) {
    if (!handle || phase != Phase::opened)
        return false;
    std::string hop_url = url;
    std::string hop_method = method;
    std::string_view hop_body = request_body;
    const std::string first_origin = origin_of(url);
    for (int hop = 0;; ++hop) {
        if (!perform_hop(hop_url, hop_method, hop_body, origin_of(hop_url) == first_origin)) {
            break;
        }
        const bool redirect =
            status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
        char* location = nullptr;
        curl_easy_getinfo(handle.get(), CURLINFO_REDIRECT_URL, &location);
        if (!follow_redirects || !redirect || !location) {
            phase = Phase::sent;
            return true;
        }
        const std::string target = escape_url_bytes(location);
        // A redirect to another scheme fails like an invalid URL; one from https to http is
        // not taken, and the 3xx is the response.
        if (!has_web_scheme(target))
            break;
        if (has_secure_scheme(hop_url) && !has_secure_scheme(target)) {
            phase = Phase::sent;
            return true;
        }
        if (hop == kMaxRedirects)
            break;
        if (hop_method != "HEAD" &&
            (status == 303 || ((status == 301 || status == 302) && hop_method == "POST"))) {
            hop_method = "GET";
            hop_body = {};
        }
        hop_url = target;
    }
    body = Bytes();
    response_headers.clear();
    status = 0;
    return false;
}

HttpRequestObject::HttpRequestObject() {
    http_global_init();
    state_ = std::make_unique<State>();
}

HttpRequestObject::~HttpRequestObject() = default;

bool HttpRequestObject::Created() const {
    return state_->handle != nullptr;
}

bool HttpRequestObject::SetTimeouts(int32_t resolve, int32_t connect, int32_t send,
                                    int32_t receive) {
    if (!Created())
        return false;
    state_->resolve_ms = resolve;
    state_->connect_ms = connect;
    state_->send_ms = send;
    state_->receive_ms = receive;
    return true;
}

bool HttpRequestObject::SetProxy(int32_t setting, const Text& server) {
    if (!Created())
        return false;
    if (setting != kProxySettingNamed) {
        state_->proxy.clear();
        return true;
    }
    std::string name = cp936_to_utf8(server);
    // Only a plain HTTP proxy: another scheme would change how the request travels.
    const std::size_t scheme_end = name.find("://");
    if (scheme_end != std::string::npos &&
        !equal_ignoring_ascii_case(std::string_view(name).substr(0, scheme_end), "http")) {
        return false;
    }
    if (name.empty() || has_line_break(name))
        return false;
    state_->proxy = std::move(name);
    return true;
}

bool HttpRequestObject::Open(const Text& method, const Text& url, bool asynchronous) {
    if (!Created())
        return false;
    State& s = *state_;
    s.phase = Phase::fresh;
    s.headers.clear();
    s.proxy_headers.clear();
    s.body = Bytes();
    s.response_headers.clear();
    s.status = 0;
    const std::string wire_url = url_wire_form(url);
    if (asynchronous || !is_token(method.view()) || !has_web_scheme(wire_url))
        return false;
    s.method = method.str();
    s.url = wire_url;
    s.phase = Phase::opened;
    return true;
}

bool HttpRequestObject::Option(int32_t index, int32_t value) {
    if (!Created())
        return false;
    if (index == kOptionIgnoreCertificateErrors) {
        state_->ignored_certificate_errors = value;
        return true;
    }
    if (index == kOptionEnableRedirects) {
        state_->follow_redirects = value != 0;
        return true;
    }
    return false;
}

bool HttpRequestObject::SetCredentials(const Text& user, const Text& password, int32_t flags) {
    if (!Created() || flags < 0 || flags > kCredentialsForProxy)
        return false;
    if (flags == kCredentialsForProxy) {
        state_->has_proxy_credentials = true;
        state_->proxy_user = cp936_to_utf8(user);
        state_->proxy_password = cp936_to_utf8(password);
    } else {
        state_->has_server_credentials = true;
        state_->server_user = cp936_to_utf8(user);
        state_->server_password = cp936_to_utf8(password);
    }
    return true;
}

bool HttpRequestObject::SetRequestHeader(const Text& name, const Text& value) {
    if (!Created() || state_->phase != Phase::opened)
        return false;
    std::string wire_name = cp936_to_utf8(name);
    if (!is_token(wire_name))
        return false;
    std::string wire_value = equal_ignoring_ascii_case(wire_name, "Referer") ? url_wire_form(value)
                                                                             : cp936_to_utf8(value);
    if (has_line_break(wire_value))
        return false;
    // Proxy-Authorization travels in the proxy's own header list.
    auto& list = equal_ignoring_ascii_case(wire_name, "Proxy-Authorization") ? state_->proxy_headers
                                                                             : state_->headers;
    put_header(list, std::move(wire_name), std::move(wire_value));
    return true;
}

bool HttpRequestObject::Send(const Bytes& body) {
    return Created() && state_->send(body.view());
}

bool HttpRequestObject::Send(const Text& body) {
    return Created() && state_->send(body.view());
}

const Bytes& HttpRequestObject::ResponseBody() const {
    return state_->body;
}

Bytes HttpRequestObject::TakeResponseBody() {
    return std::exchange(state_->body, Bytes());
}

Text HttpRequestObject::GetAllResponseHeaders() const {
    return state_->phase == Phase::sent ? Text(state_->response_headers) : Text();
}

int32_t HttpRequestObject::Status() const {
    return state_->phase == Phase::sent ? state_->status : 0;
}

}  // namespace kessaro
