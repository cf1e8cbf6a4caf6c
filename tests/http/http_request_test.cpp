// http_request against servers on 127.0.0.1: the exact request that arrives, what comes back,
// redirects, failures and time-outs, large bodies and https.
#include "http/http_request.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include <string>
#include <thread>

#include "encoding/code_page.hpp"
#include "tests/http/test_servers.hpp"

namespace kessaro {
namespace {

using namespace std::chrono_literals;
using test::RawServer;
using test::seconds_since;
using test::WebServer;

const std::string kUserAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
const std::string kOk = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";

RawServer::Reply fixed(std::string reply) {
    return [reply](const std::string&) { return reply; };
}

std::string host_line(const RawServer& server) {
    return "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n";
}

// The default lines, as they arrive for a request whose Referer is `referer`.
std::string default_lines(const std::string& referer) {
    return "Accept: */*\r\nReferer: " + referer + "\r\nAccept-Language: zh-cn\r\n" + kUserAgent +
           "\r\n";
}

TEST(HttpRequestTest, PlainGetSendsTheDefaultHeadersInOrder) {
    RawServer server(fixed(kOk));
    const std::string url = server.base_url() + "/p?q=1";
    const Bytes body = http_request(Text(url));
    EXPECT_EQ(body.view(), "ok");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0],
              "GET /p?q=1 HTTP/1.1\r\n" + host_line(server) + default_lines(url) + "\r\n");
}

TEST(HttpRequestTest, RequestShapes) {
    RawServer server(fixed(kOk));
    const std::string url = server.base_url() + "/p";
    const std::string host = host_line(server);
    const std::string defaults = default_lines(url);
    const std::string form = "Content-Type: application/x-www-form-urlencoded\r\n";
    struct Case {
        const char* what;
        HttpRequestArgs args;
        std::string expected;
    };
    const Case cases[] = {
        {"method 8 is GET", {.method = 8}, "GET /p HTTP/1.1\r\n" + host + defaults + "\r\n"},
        {"method -1 is GET", {.method = -1}, "GET /p HTTP/1.1\r\n" + host + defaults + "\r\n"},
        {"POST gets the form Content-Type",
         {.method = 1, .body_text = Text("a=1&b=2")},
         "POST /p HTTP/1.1\r\n" + host + defaults + form + "Content-Length: 7\r\n\r\na=1&b=2"},
        {"PUT gets no Content-Type",
         {.method = 3, .body_text = Text("x")},
         "PUT /p HTTP/1.1\r\n" + host + defaults + "Content-Length: 1\r\n\r\nx"},
        {"DELETE without a body",
         {.method = 5},
         "DELETE /p HTTP/1.1\r\n" + host + defaults + "\r\n"},
        {"the bytes win over the text",
         {.method = 1,
          .body_text = Text("text"),
          .body_bytes = Bytes(std::string_view("b\0\xFF", 3))},
         "POST /p HTTP/1.1\r\n" + host + defaults + form + "Content-Length: 3\r\n\r\nb" +
             std::string("\0\xFF", 2)},
        {"an empty byte body sends the text",
         {.method = 1, .body_text = Text("t"), .body_bytes = Bytes()},
         "POST /p HTTP/1.1\r\n" + host + defaults + form + "Content-Length: 1\r\n\r\nt"},
        {"extra headers: names capitalised, values in UTF-8, keep-alive dropped",
         {.extra_headers = Text("x-word: \xD6\xD0\xCE\xC4\r\nconnection: keep-alive\r\n"
                                "accept: text/html\r\nConnection: close")},
         "GET /p HTTP/1.1\r\n" + host + "X-Word: \xE4\xB8\xAD\xE6\x96\x87\r\n" +
             "Accept: text/html\r\nConnection: close\r\nReferer: " + url +
             "\r\nAccept-Language: zh-cn\r\n" + kUserAgent + "\r\n\r\n"},
        {"no defaults, no normalisation",
         {.extra_headers = Text("x-a: 1"),
          .add_default_headers = false,
          .normalise_header_names = false},
         "GET /p HTTP/1.1\r\n" + host + "x-a: 1\r\n\r\n"},
        {"a line break inside a value never reaches the wire",
         {.extra_headers = Text("X-A: 1\nInjected: yes\r\nX-B: 2"), .add_default_headers = false},
         "GET /p HTTP/1.1\r\n" + host + "X-B: 2\r\n\r\n"},
        {"a POST's own Content-Type stays",
         {.method = 1,
          .body_text = Text("{}"),
          .extra_headers = Text("content-type: application/json"),
          .add_default_headers = false},
         "POST /p HTTP/1.1\r\n" + host +
             "Content-Type: application/json\r\nContent-Length: 2\r\n\r\n{}"},
    };
    for (const Case& c : cases) {
        const std::size_t before = server.requests().size();
        EXPECT_EQ(http_request(Text(url), c.args).view(), "ok") << c.what;
        ASSERT_EQ(server.requests().size(), before + 1) << c.what;
        EXPECT_EQ(server.requests().back(), c.expected) << c.what;
    }
}

TEST(HttpRequestTest, CookieHeaderForms) {
    RawServer server(fixed(kOk));
    const std::string url = server.base_url() + "/c";
    const std::string head = "GET /c HTTP/1.1\r\n" + host_line(server);
    const std::string tail = default_lines(url) + "\r\n";

    // "Cookie:" is removed in any letter case; the blank that follows it stays, until the
    // merge trims the text.
    Text cookies = "cookie: a=1; COOKIE:b=2";
    http_request(Text(url), {.cookies = &cookies, .merge_cookies = false});
    EXPECT_EQ(cookies.str(), " a=1; b=2");
    EXPECT_EQ(server.requests().back(), head + "Cookie:  a=1; b=2\r\n" + tail);
    http_request(Text(url), {.cookies = &cookies});
    EXPECT_EQ(cookies.str(), "a=1; b=2");

    Text empty;
    http_request(Text(url), {.cookies = &empty});
    EXPECT_EQ(server.requests().back(), head + "Cookie:\r\n" + tail);

    http_request(Text(url));
    EXPECT_EQ(server.requests().back(), head + tail);
}

TEST(HttpRequestTest, UrlAndRefererGoOutEscaped) {
    RawServer server(fixed(kOk));
    // The collect workflow's URL shape, with a search word holding 中文, "#" and a blank.
    const Text url = Text(server.base_url() + "/intf/search?content=%") + "\xD6\xD0\xCE\xC4#1 x" +
                     "&pageno=1&count=10000000000000";
    http_request(url, {.method = 0});
    const std::string target =
        "/intf/search?content=%%E4%B8%AD%E6%96%87%231%20x&pageno=1"
        "&count=10000000000000";
    EXPECT_EQ(server.requests().back(), "GET " + target + " HTTP/1.1\r\n" + host_line(server) +
                                            default_lines(server.base_url() + target) + "\r\n");
}

TEST(HttpRequestTest, HeadReturnsWithoutWaitingForABody) {
    RawServer server(fixed("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n"));
    int32_t status = 0;
    const auto start = std::chrono::steady_clock::now();
    const Bytes body =
        http_request(Text(server.base_url() + "/h"), {.method = 2, .returned_status = &status});
    EXPECT_LT(seconds_since(start), 10.0);
    EXPECT_EQ(status, 200);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(server.requests().back().substr(0, 17), "HEAD /h HTTP/1.1\r");
}

TEST(HttpRequestTest, ReturnedHeadersStatusAndCookies) {
    // An interim response first: only the final response's lines come back, as sent.
    const std::string final_headers =
        "Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\nset-cookie: c=3\r\nSet-Cookie:d=4\r\n"
        "X-Odd:  spaced \r\nContent-Length: 4\r\n\r\n";
    RawServer server(
        fixed("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\n" + final_headers + "body"));
    Text headers = "stale";
    Text returned = "stale";
    int32_t status = -1;
    const Bytes body = http_request(
        Text(server.base_url() + "/r"),
        {.returned_cookies = &returned, .returned_headers = &headers, .returned_status = &status});
    EXPECT_EQ(body.view(), "body");
    EXPECT_EQ(status, 201);
    EXPECT_EQ(headers.str(), final_headers);
    EXPECT_EQ(returned.str(), "a=1; b=2");
}

TEST(HttpRequestTest, SentCookiesMergeWithReturnedOnes) {
    RawServer server(
        fixed("HTTP/1.1 200 OK\r\nSet-Cookie: b=2; path=/\r\n"
              "Set-Cookie: c=deleted; expires=Thu, 01 Jan 1970 00:00:00 GMT\r\n"
              "Content-Length: 2\r\n\r\nok"));
    const Text url = Text(server.base_url() + "/m");

    Text cookies = "a=1; b=9; c=3";
    Text returned;
    http_request(url, {.cookies = &cookies, .returned_cookies = &returned});
    EXPECT_EQ(returned.str(), "b=2; a=1");
    EXPECT_EQ(cookies.str(), "b=2; a=1");

    cookies = "a=1";
    http_request(url, {.cookies = &cookies, .returned_cookies = &returned, .merge_cookies = false});
    EXPECT_EQ(returned.str(), "b=2; c=deleted");
    EXPECT_EQ(cookies.str(), "a=1");

    // Without a response the merge runs with nothing returned.
    const std::string refused = "http://127.0.0.1:" + std::to_string(test::unused_port()) + "/";
    cookies = "a=1; a=2; x=deleted";
    returned = "stale";
    http_request(Text(refused), {.cookies = &cookies, .returned_cookies = &returned});
    EXPECT_EQ(returned.str(), "a=1");
    EXPECT_EQ(cookies.str(), "a=1");
}

// Endpoints for the redirect and body tests.
class WebServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto& s = server_.server();
        s.Get(R"(/hop/(\d+))", [](const httplib::Request& request, httplib::Response& response) {
            const int left = std::stoi(request.matches[1]);
            if (left == 0) {
                response.set_content("arrived", "text/plain");
                return;
            }
            response.status = 302;
            response.set_header("Location", "/hop/" + std::to_string(left - 1));
            response.set_content("moving", "text/plain");
        });
        s.Get("/relative/page", [](const httplib::Request&, httplib::Response& response) {
            response.status = 301;
            response.set_header("Location", "../hop/0");
        });
        const auto echo = [](const httplib::Request& request, httplib::Response& response) {
            response.set_content(request.method + " [" + request.body + "] " +
                                     request.get_header_value("Content-Type"),
                                 "text/plain");
        };
        s.Get("/method", echo);
        s.Post("/method", echo);
        for (const int code : {301, 302, 303, 307, 308}) {
            s.Post("/redirect/" + std::to_string(code),
                   [code](const httplib::Request&, httplib::Response& response) {
                       response.status = code;
                       response.set_header("Location", "/method");
                   });
        }
        s.Get("/to-file", [](const httplib::Request&, httplib::Response& response) {
            response.status = 302;
            response.set_header("Location", "file:///etc/passwd");
        });
        s.Get("/missing", [](const httplib::Request&, httplib::Response& response) {
            response.status = 404;
            response.set_content("no such page", "text/plain");
        });
        s.Get("/broken", [](const httplib::Request&, httplib::Response& response) {
            response.status = 500;
            response.set_content("it broke", "text/plain");
        });
        s.Get("/big", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(big_body_, "application/octet-stream");
        });
        s.Get("/slow", [](const httplib::Request&, httplib::Response& response) {
            // Six pieces 300 ms apart: longer in all than the 1 s limit, never idle that long.
            response.set_chunked_content_provider("text/plain",
                                                  [](size_t offset, httplib::DataSink& sink) {
                                                      if (offset >= 6) {
                                                          sink.done();
                                                          return true;
                                                      }
                                                      std::this_thread::sleep_for(300ms);
                                                      sink.write("x", 1);
                                                      return true;
                                                  });
        });
        server_.start();
    }

    Text url(const std::string& path) const { return Text(server_.base_url() + path); }

    WebServer server_;
    std::string big_body_ = [] {
        std::string body(20 * 1024 * 1024, '\0');
        for (std::size_t i = 0; i < body.size(); ++i)
            body[i] = static_cast<char>(i * 7 % 251);
        return body;
    }();
};

TEST_F(WebServerTest, ErrorStatusesReturnTheirBodies) {
    int32_t status = 0;
    EXPECT_EQ(http_request(url("/missing"), {.returned_status = &status}).view(), "no such page");
    EXPECT_EQ(status, 404);
    EXPECT_EQ(http_request(url("/broken"), {.returned_status = &status}).view(), "it broke");
    EXPECT_EQ(status, 500);
}

TEST_F(WebServerTest, RedirectsAreFollowedUpToTenHops) {
    struct Case {
        const char* path;
        std::optional<bool> no_redirect;
        const char* body;
        int32_t status;
    };
    const Case cases[] = {
        {"/hop/3", std::nullopt, "arrived", 200},
        {"/hop/10", false, "arrived", 200},
        {"/hop/11", std::nullopt, "", 0},  // one hop too many fails like a broken transfer
        {"/hop/1", true, "moving", 302},   // not followed: the 3xx with its body
        {"/relative/page", std::nullopt, "arrived", 200},
        {"/to-file", std::nullopt, "", 0},  // only http and https, for redirects too
    };
    for (const Case& c : cases) {
        int32_t status = -1;
        Text headers;
        const Bytes body = http_request(url(c.path), {.returned_headers = &headers,
                                                      .returned_status = &status,
                                                      .no_redirect = c.no_redirect});
        EXPECT_EQ(body.view(), c.body) << c.path;
        EXPECT_EQ(status, c.status) << c.path;
        if (c.status == 302) {
            EXPECT_NE(headers.str().find("Location: /hop/0\r\n"), std::string::npos);
        }
        if (c.status == 0) {
            EXPECT_EQ(headers.str(), "") << c.path;
        }
    }
}

TEST_F(WebServerTest, RedirectsAfterPostChangeToGetWhereTheyShould) {
    const std::string form = "application/x-www-form-urlencoded";
    const std::pair<const char*, std::string> cases[] = {
        {"/redirect/301", "GET [] "},
        {"/redirect/302", "GET [] "},
        {"/redirect/303", "GET [] "},
        {"/redirect/307", "POST [a=1] " + form},
        {"/redirect/308", "POST [a=1] " + form},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(http_request(url(path), {.method = 1, .body_text = Text("a=1")}).view(), expected)
            << path;
    }
}

TEST_F(WebServerTest, LargeBodyArrivesIntact) {
    const Bytes body = http_request(url("/big"));
    ASSERT_EQ(body.size(), big_body_.size());
    EXPECT_TRUE(body.view() == big_body_);
}

TEST_F(WebServerTest, IdleLimitNeverCutsALongDownload) {
    int32_t status = 0;
    const Bytes body =
        http_request(url("/slow"), {.returned_status = &status, .timeout_seconds = 1});
    EXPECT_EQ(body.view(), "xxxxxx");
    EXPECT_EQ(status, 200);
}

TEST(HttpRequestFailureTest, RefusedPortAndSilentServerGiveEmptyResults) {
    test::SilentServer silent;
    const std::string refused = "http://127.0.0.1:" + std::to_string(test::unused_port()) + "/";
    for (const std::string& target : {refused, silent.base_url() + "/"}) {
        Text headers = "stale";
        int32_t status = -1;
        const auto start = std::chrono::steady_clock::now();
        const Bytes body = http_request(
            Text(target),
            {.returned_headers = &headers, .returned_status = &status, .timeout_seconds = 1});
        // A 1 s limit fires after 1-2 s; the bound is generous for a busy machine.
        EXPECT_LT(seconds_since(start), 10.0) << target;
        EXPECT_TRUE(body.empty()) << target;
        EXPECT_EQ(headers.str(), "") << target;
        EXPECT_EQ(status, 0) << target;
    }
}

TEST(HttpRequestFailureTest, InvalidUrlsFailSilently) {
    for (const char* url :
         {"", "not a url", "file:///etc/passwd", "ftp://127.0.0.1/", "http://", "http://[::1"}) {
        int32_t status = -1;
        EXPECT_TRUE(http_request(url, {.returned_status = &status}).empty()) << url;
        EXPECT_EQ(status, 0) << url;
    }
}

TEST(HttpRequestFailureTest, BodyPast512MiBFails) {
    // Announced past the limit: refused before anything is stored.
    RawServer server(fixed("HTTP/1.1 200 OK\r\nContent-Length: 600000000\r\n\r\nsome bytes"));
    int32_t status = -1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(http_request(Text(server.base_url() + "/huge"),
                             {.returned_status = &status, .timeout_seconds = 5})
                    .empty());
    EXPECT_EQ(status, 0);
    EXPECT_LT(seconds_since(start), 10.0);
}

TEST(HttpRequestReuseTest, ReusedObjectKeepsItsTimeouts) {
    RawServer fast(fixed(kOk));
    test::SilentServer silent;
    HttpRequestObject object;
    EXPECT_EQ(
        http_request(Text(fast.base_url() + "/"), {.timeout_seconds = 1, .request_object = &object})
            .view(),
        "ok");
    // -1 keeps the 1 s set by the first call; the object's own would wait 30 s.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(http_request(Text(silent.base_url() + "/"),
                             {.timeout_seconds = -1, .request_object = &object})
                    .empty());
    EXPECT_LT(seconds_since(start), 10.0);
    // The caller's object serves further calls.
    EXPECT_EQ(http_request(Text(fast.base_url() + "/"), {.request_object = &object}).view(), "ok");
}

class HttpsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(certificate_.made) << "openssl could not make a certificate";
        secure_ = std::make_unique<WebServer>(certificate_.certificate_path, certificate_.key_path);
        plain_.server().Get("/", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("plain", "text/plain");
        });
        plain_.start();
        secure_->server().Get("/data", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("secret", "text/plain");
        });
        secure_->server().Get("/down",
                              [this](const httplib::Request&, httplib::Response& response) {
                                  response.status = 302;
                                  response.set_header("Location", plain_.base_url() + "/");
                                  response.set_content("not taken", "text/plain");
                              });
        secure_->start();
    }

    test::SelfSignedCertificate certificate_;
    WebServer plain_;
    std::unique_ptr<WebServer> secure_;
};

TEST_F(HttpsTest, SelfSignedCertificateIsAccepted) {
    int32_t status = 0;
    EXPECT_EQ(
        http_request(Text(secure_->base_url() + "/data"), {.returned_status = &status}).view(),
        "secret");
    EXPECT_EQ(status, 200);
}

TEST_F(HttpsTest, RedirectFromHttpsToHttpIsNotTaken) {
    int32_t status = 0;
    EXPECT_EQ(
        http_request(Text(secure_->base_url() + "/down"), {.returned_status = &status}).view(),
        "not taken");
    EXPECT_EQ(status, 302);
}

}  // namespace
}  // namespace kessaro
