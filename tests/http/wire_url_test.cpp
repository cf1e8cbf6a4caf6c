// What goes on the wire for a URL, and the small decisions of the request function.
#include "http/wire_url.hpp"

#include <gtest/gtest.h>

#include "http/http_request.hpp"

namespace kessaro {
namespace {

TEST(WireUrlTest, EscapesUnsafeBytesAndKeepsPercent) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://h/a b", "http://h/a%20b"},
        // 中文 in 936 becomes UTF-8 and is escaped; the "%" before it stays.
        {"http://h/s?content=%\xD6\xD0\xCE\xC4&n=1", "http://h/s?content=%%E4%B8%AD%E6%96%87&n=1"},
        // A "#" in a search word reaches the service whole.
        {"http://h/s?content=C#&n=1", "http://h/s?content=C%23&n=1"},
        {"http://h/\"<>\\^`{|}", "http://h/%22%3C%3E%5C%5E%60%7B%7C%7D"},
        {"http://h/\t\r\n\x7F", "http://h/%09%0D%0A%7F"},
        {"http://h/a%20b?x=%2F", "http://h/a%20b?x=%2F"},  // escaping twice changes nothing
        {"http://h/~!$&'()*+,;=:@[]", "http://h/~!$&'()*+,;=:@[]"},
    };
    for (const auto& [url, wire] : cases) {
        EXPECT_EQ(url_wire_form(url), wire) << url;
    }
    EXPECT_EQ(escape_url_bytes("/\xE4\xB8\xAD"), "/%E4%B8%AD");  // bytes already UTF-8
}

TEST(WireUrlTest, OnlyWebSchemes) {
    EXPECT_TRUE(has_web_scheme("http://h/"));
    EXPECT_TRUE(has_web_scheme("HTTPS://h/"));
    EXPECT_FALSE(has_web_scheme("file:///etc/passwd"));
    EXPECT_FALSE(has_web_scheme("ftp://h/"));
    EXPECT_FALSE(has_web_scheme("http:/h"));
    EXPECT_FALSE(has_web_scheme(""));
    EXPECT_TRUE(has_secure_scheme("https://h"));
    EXPECT_FALSE(has_secure_scheme("http://h"));
}

TEST(RequestSettingsTest, TimeoutMillisecondsAndMethodTexts) {
    const std::pair<std::optional<int32_t>, std::optional<int32_t>> cases[] = {
        {30, 30000},
        {1, 1000},
        {0, 15000},
        {std::nullopt, 15000},
        {-5, 15000},
        {-1, std::nullopt},  // the object's own time-outs stay
        {2147483, 2147483000},
        {2147484, 2147483000},  // clamped, never an overflow
        {INT32_MAX, 2147483000},
        {INT32_MIN, 15000},
    };
    for (const auto& [seconds, milliseconds] : cases) {
        EXPECT_EQ(request_timeout_ms(seconds), milliseconds) << seconds.value_or(-999);
    }

    const char* texts[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
    for (int32_t method = 0; method < 8; ++method) {
        EXPECT_EQ(http_method_text(method).str(), texts[method]);
    }
    EXPECT_EQ(http_method_text(8).str(), "GET");
    EXPECT_EQ(http_method_text(-1).str(), "GET");
}

}  // namespace
}  // namespace kessaro
