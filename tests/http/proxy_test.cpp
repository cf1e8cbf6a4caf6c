// Requests through a proxy: a real one (tinyproxy with Basic authorisation) for what a proxy
// accepts, and the raw responder standing in as a proxy for the exact bytes it is sent.
#include <gtest/gtest.h>
#include <httplib.h>
#include <stdlib.h>

#include <string>

#include "http/http_request.hpp"
#include "tests/http/test_servers.hpp"

namespace kessaro {
namespace {

using test::RawServer;

const std::string kOk = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";

RawServer::Reply fixed(std::string reply) {
    return [reply](const std::string&) { return reply; };
}

// Sets an environment variable for one test and restores it after.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = ::getenv(name))
            old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

class TinyProxyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(proxy_.started()) << "tinyproxy could not be started";
        proxy_text_ = Text("127.0.0.1:" + std::to_string(proxy_.port()));
    }

    test::TinyProxy proxy_{"user", "pass"};
    Text proxy_text_;
    RawServer origin_{fixed(kOk)};
};

TEST_F(TinyProxyTest, BasicAuthorisationIsAccepted) {
    int32_t status = 0;
    Text headers;
    const Bytes body =
        http_request(Text(origin_.base_url() + "/via"), {.returned_headers = &headers,
                                                         .returned_status = &status,
                                                         .proxy = proxy_text_,
                                                         .proxy_user = Text("user"),
                                                         .proxy_password = Text("pass")});
    EXPECT_EQ(status, 200);
    EXPECT_EQ(body.view(), "ok");
    EXPECT_NE(headers.str().find("Via: "), std::string::npos) << headers.str();
}

TEST_F(TinyProxyTest, WithoutCredentialsTheProxyAnswers407) {
    int32_t status = 0;
    const Bytes body = http_request(Text(origin_.base_url() + "/via"),
                                    {.returned_status = &status, .proxy = proxy_text_});
    EXPECT_EQ(status, 407);
    EXPECT_FALSE(body.empty());
    EXPECT_TRUE(origin_.requests().empty());
}

TEST_F(TinyProxyTest, ReusedObjectKeepsProxyAndCredentials) {
    HttpRequestObject object;
    int32_t status = 0;
    http_request(Text(origin_.base_url() + "/1"), {.returned_status = &status,
                                                   .proxy = proxy_text_,
                                                   .proxy_user = Text("user"),
                                                   .proxy_password = Text("pass"),
                                                   .request_object = &object});
    EXPECT_EQ(status, 200);
    // No proxy given: the object still goes through the proxy with its credentials.
    Text headers;
    const Bytes body = http_request(
        Text(origin_.base_url() + "/2"),
        {.returned_headers = &headers, .returned_status = &status, .request_object = &object});
    EXPECT_EQ(status, 200);
    EXPECT_EQ(body.view(), "ok");
    EXPECT_NE(headers.str().find("Via: "), std::string::npos) << headers.str();
}

TEST_F(TinyProxyTest, HttpsOriginNeverSeesProxyAuthorisation) {
    test::SelfSignedCertificate certificate;
    ASSERT_TRUE(certificate.made);
    test::WebServer secure(certificate.certificate_path, certificate.key_path);
    secure.server().Get("/", [](const httplib::Request& request, httplib::Response& response) {
        response.set_content(request.has_header("Proxy-Authorization") ? "leaked" : "clean",
                             "text/plain");
    });
    secure.start();
    int32_t status = 0;
    const Bytes body = http_request(Text(secure.base_url() + "/"),
                                    {.returned_status = &status,
                                     .proxy = proxy_text_,
                                     .proxy_user = Text("user"),
                                     .proxy_password = Text("pass")});
    EXPECT_EQ(status, 200);
    EXPECT_EQ(body.view(), "clean");
}

TEST(ProxyRequestTest, ExactBytesSentToTheProxy) {
    RawServer proxy(fixed(kOk));
    const Text proxy_text = Text("127.0.0.1:" + std::to_string(proxy.port()));
    const std::string url = "http://origin.invalid/p";
    const std::string head = "GET " + url + " HTTP/1.1\r\nHost: origin.invalid\r\n";
    const std::string defaults = "Accept: */*\r\nReferer: " + url +
                                 "\r\nAccept-Language: zh-cn\r\nUser-Agent: Mozilla/4.0 "
                                 "(compatible; MSIE 9.0; Windows NT 6.1)\r\n";
    // The proxy's own header follows the request's headers, and no other is added.
    struct Case {
        const char* what;
        HttpRequestArgs args;
        std::string expected;
    };
    const Case cases[] = {
        {"credentials for the proxy",
         {.proxy = proxy_text, .proxy_user = Text("user"), .proxy_password = Text("pass")},
         head + defaults + "Proxy-Authorization: Basic dXNlcjpwYXNz\r\n\r\n"},
        // Credentials for the server go out only when it asks; no Proxy-Authorization.
        {"credentials target 0",
         {.proxy = proxy_text,
          .proxy_user = Text("user"),
          .proxy_password = Text("pass"),
          .credentials_target = 0},
         head + defaults + "\r\n"},
        {"a user in 936",
         {.proxy = proxy_text, .proxy_user = Text("\xD6\xD0"), .proxy_password = Text("p")},
         head + defaults + "Proxy-Authorization: Basic 1tA6cA==\r\n\r\n"},
    };
    for (const Case& c : cases) {
        int32_t status = 0;
        HttpRequestArgs args = c.args;
        args.returned_status = &status;
        EXPECT_EQ(http_request(Text(url), args).view(), "ok") << c.what;
        EXPECT_EQ(status, 200) << c.what;
        EXPECT_EQ(proxy.requests().back(), c.expected) << c.what;
    }
}

TEST(ProxyRequestTest, ProxyUserWithoutProxyGoesDirect) {
    RawServer origin(fixed(kOk));
    EXPECT_EQ(http_request(Text(origin.base_url() + "/d"),
                           {.proxy_user = Text("user"), .proxy_password = Text("pass")})
                  .view(),
              "ok");
    EXPECT_EQ(origin.requests().back().substr(0, 17), "GET /d HTTP/1.1\r\n");
    EXPECT_EQ(origin.requests().back().find("Proxy-Authorization"), std::string::npos);
}

TEST(ProxyRequestTest, EnvironmentProxySettingsAreIgnored) {
    RawServer origin(fixed(kOk));
    RawServer proxy(fixed(kOk));
    const std::string refused = "http://127.0.0.1:" + std::to_string(test::unused_port());
    {
        // A proxy named by the environment is not used.
        ScopedEnvironment lower("http_proxy", refused);
        ScopedEnvironment upper("HTTP_PROXY", refused);
        ScopedEnvironment all("ALL_PROXY", refused);
        EXPECT_EQ(http_request(Text(origin.base_url() + "/e")).view(), "ok");
    }
    {
        // The environment's no_proxy does not bypass the proxy the caller named.
        ScopedEnvironment lower("no_proxy", "*");
        ScopedEnvironment upper("NO_PROXY", "*");
        EXPECT_EQ(http_request(Text(origin.base_url() + "/n"),
                               {.proxy = Text("127.0.0.1:" + std::to_string(proxy.port()))})
                      .view(),
                  "ok");
        ASSERT_EQ(proxy.requests().size(), 1u);
        EXPECT_EQ(proxy.requests()[0].substr(0, 4 + origin.base_url().size()),
                  "GET " + origin.base_url());
    }
}

}  // namespace
}  // namespace kessaro
