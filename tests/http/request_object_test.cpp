// The request object on its own: its state machine, certificate checks, header replacement
// and server credentials.
#include "http/http_request_object.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include "tests/http/test_servers.hpp"

namespace kessaro {
namespace {

using test::RawServer;

const std::string kOk = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";

TEST(RequestObjectTest, ReadsFailBeforeASuccessfulSend) {
    RawServer server([](const std::string&) { return kOk; });
    HttpRequestObject object;
    ASSERT_TRUE(object.Created());
    EXPECT_FALSE(object.Send());  // not opened
    EXPECT_FALSE(object.SetRequestHeader("A", "1"));
    EXPECT_TRUE(object.ResponseBody().empty());
    EXPECT_EQ(object.GetAllResponseHeaders().str(), "");
    EXPECT_EQ(object.Status(), 0);

    const Text url = Text(server.base_url() + "/");
    EXPECT_FALSE(object.Open("GET", url, true));  // only synchronous requests
    EXPECT_FALSE(object.Open("GET X", url));      // a method must be one token
    EXPECT_FALSE(object.Open("GET", "ftp://127.0.0.1/"));
    EXPECT_FALSE(object.Send());

    ASSERT_TRUE(object.Open("GET", url));
    ASSERT_TRUE(object.Send());
    EXPECT_EQ(object.ResponseBody().view(), "ok");
    EXPECT_EQ(object.Status(), 200);
    EXPECT_FALSE(object.Send());  // already sent: Open starts the next request

    // A failed Open drops the previous response.
    EXPECT_FALSE(object.Open("GET", "file:///etc/passwd"));
    EXPECT_TRUE(object.ResponseBody().empty());
    EXPECT_EQ(object.Status(), 0);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST(RequestObjectTest, HeadersReplaceByNameAndRefuseLineBreaks) {
    RawServer server([](const std::string&) { return kOk; });
    HttpRequestObject object;
    ASSERT_TRUE(object.Open("GET", Text(server.base_url() + "/")));
    EXPECT_TRUE(object.SetRequestHeader("X-A", "1"));
    EXPECT_TRUE(object.SetRequestHeader("x-a", "2"));
    EXPECT_FALSE(object.SetRequestHeader("", "v"));
    EXPECT_FALSE(object.SetRequestHeader("X B", "v"));
    EXPECT_FALSE(object.SetRequestHeader("X-C", "1\r\nX-D: 2"));
    EXPECT_TRUE(object.SetRequestHeader("Referer", "http://h/\xD6\xD0 x"));
    ASSERT_TRUE(object.Send());
    const std::string host = "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n";
    EXPECT_EQ(server.requests().back(),
              "GET / HTTP/1.1\r\n" + host + "X-A: 2\r\nReferer: http://h/%E4%B8%AD%20x\r\n\r\n");

    // Open starts afresh: no header of the last request is left.
    ASSERT_TRUE(object.Open("GET", Text(server.base_url() + "/")));
    ASSERT_TRUE(object.Send());
    EXPECT_EQ(server.requests().back(), "GET / HTTP/1.1\r\n" + host + "\r\n");
}

TEST(RequestObjectTest, CertificatesAreCheckedUnlessOptionFourSaysOtherwise) {
    test::SelfSignedCertificate certificate;
    ASSERT_TRUE(certificate.made);
    test::WebServer server(certificate.certificate_path, certificate.key_path);
    server.server().Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("secret", "text/plain");
    });
    server.start();

    HttpRequestObject object;
    ASSERT_TRUE(object.Open("GET", Text(server.base_url() + "/")));
    EXPECT_FALSE(object.Send());
    EXPECT_TRUE(object.ResponseBody().empty());

    // The name mismatch alone still fails; the unknown authority alone as well.
    for (const int32_t flags : {0x1000, 0x0100}) {
        ASSERT_TRUE(object.Open("GET", Text(server.base_url() + "/")));
        EXPECT_TRUE(object.Option(4, flags));
        EXPECT_FALSE(object.Send()) << flags;
    }

    ASSERT_TRUE(object.Open("GET", Text(server.base_url() + "/")));
    EXPECT_TRUE(object.Option(4, 0x3300));
    ASSERT_TRUE(object.Send());
    EXPECT_EQ(object.ResponseBody().view(), "secret");
    EXPECT_FALSE(object.Option(99, 1));
}

TEST(RequestObjectTest, ServerCredentialsAnswerAChallenge) {
    test::WebServer server;
    server.server().Get("/private",
                        [](const httplib::Request& request, httplib::Response& response) {
                            // user:pass
                            if (request.get_header_value("Authorization") == "Basic dXNlcjpwYXNz") {
                                response.set_content("welcome", "text/plain");
                                return;
                            }
                            response.status = 401;
                            response.set_header("WWW-Authenticate", "Basic realm=\"test\"");
                        });
    server.start();

    HttpRequestObject object;
    ASSERT_TRUE(object.Open("GET", Text(server.base_url() + "/private")));
    ASSERT_TRUE(object.Send());
    EXPECT_EQ(object.Status(), 401);

    EXPECT_TRUE(object.SetCredentials("user", "pass", 0));
    ASSERT_TRUE(object.Open("GET", Text(server.base_url() + "/private")));
    ASSERT_TRUE(object.Send());
    EXPECT_EQ(object.Status(), 200);
    EXPECT_EQ(object.ResponseBody().view(), "welcome");
    EXPECT_FALSE(object.SetCredentials("user", "pass", 2));
}

}  // namespace
}  // namespace kessaro
