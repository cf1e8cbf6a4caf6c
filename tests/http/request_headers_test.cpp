// The header text: defaults, capitalised names, lines handed to the request object, Base64
// and the two cutting operations used on response lines.
#include "http/request_headers.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/text_ops.hpp"
#include "encoding/code_page.hpp"
#include "http/base64.hpp"
#include "http/text_cutting.hpp"

namespace kessaro {
namespace {

const std::string kUserAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// Watches the calls apply_header_lines makes.
struct RecordingRequest {
    std::vector<std::pair<std::string, std::string>> calls;
    void SetRequestHeader(const Text& name, const Text& value) {
        calls.emplace_back(name.str(), value.str());
    }
};

using Calls = std::vector<std::pair<std::string, std::string>>;

Calls applied(const Text& header_text) {
    RecordingRequest request;
    apply_header_lines(request, header_text);
    return request.calls;
}

TEST(DefaultHeadersTest, CompletesMissingLinesInOrder) {
    struct Case {
        const char* given;
        int32_t method;
        std::string expected;
    };
    const std::string url = "http://h/p?q=1";
    const std::string tail = "\r\nAccept-Language: zh-cn\r\n" + kUserAgent;
    const Case cases[] = {
        {"", 0, "\r\nAccept: */*\r\nReferer: " + url + tail},
        // The search ignores letter case; "Accept:" is not satisfied by Accept-Language.
        {"accept: text/html", 0, "accept: text/html\r\nReferer: " + url + tail},
        {"Accept-Language: en", 0,
         "Accept-Language: en\r\nAccept: */*\r\nReferer: " + url + "\r\n" + kUserAgent},
        // A searched text inside another header's value counts as found.
        {"X-Note: Referer: none", 0, "X-Note: Referer: none\r\nAccept: */*" + tail},
        {"", 1,
         "\r\nAccept: */*\r\nReferer: " + url + tail +
             "\r\nContent-Type: application/x-www-form-urlencoded"},
        {"content-type: application/json", 1,
         "content-type: application/json\r\nAccept: */*\r\nReferer: " + url + tail},
        {"", 3, "\r\nAccept: */*\r\nReferer: " + url + tail},  // PUT gets no Content-Type
    };
    for (const Case& c : cases) {
        Text header_text = c.given;
        complete_default_headers(header_text, Text(url), c.method);
        EXPECT_EQ(header_text.str(), c.expected) << c.given << " / method " << c.method;
    }
}

TEST(NormaliseHeaderLinesTest, CapitalisesNamesAndDropsLinesWithoutColon) {
    const std::pair<const char*, const char*> cases[] = {
        {"content-type: text/plain", "Content-Type: text/plain"},
        {"x-my-HEADER: 1", "X-My-HEADER: 1"},
        {" accept: x", " accept: x"},  // a name that begins with a blank stays
        {"no colon here", ""},
        {"\r\naccept: */*\r\n\r\nbad\r\nuser-agent: a-b: c-d",
         "Accept: */*\r\nUser-Agent: a-b: c-d"},
        {"x-: 1", "X-: 1"},  // the trailing empty part of the name keeps its "-"
        {"-x--y: 1", "-X--Y: 1"},
        {": empty name", ": empty name"},
        {"\xD6\xD0-a: v", "\xD6\xD0-A: v"},  // a double-byte name part stays as it is
        {"", ""},
    };
    for (const auto& [given, expected] : cases) {
        EXPECT_EQ(normalise_header_lines(given).str(), expected) << given;
    }
}

TEST(HeaderLineTest, CapitaliseNameAndValue) {
    EXPECT_EQ(capitalise_first("abc").str(), "Abc");
    EXPECT_EQ(capitalise_first("1bc").str(), "1bc");
    EXPECT_EQ(capitalise_first("").str(), "");
    EXPECT_EQ(capitalise_first("\xD6\xD0").str(), "\xD6\xD0");

    const std::pair<const char*, std::pair<const char*, const char*>> lines[] = {
        {"X-A: b: c", {"X-A", "b: c"}},
        {"  Name  :  value  ", {"Name", "value"}},
        {"Name:\tv\t", {"Name", "\tv\t"}},  // tabs are not blanks
        {"no colon", {"", ""}},
        {":", {"", ""}},
        {"\xA1\xA1N\xA1\xA1: \xA1\xA1v", {"N", "v"}},  // the ideographic space is a blank
    };
    for (const auto& [line, expected] : lines) {
        EXPECT_EQ(header_name_of(line).str(), expected.first) << line;
        EXPECT_EQ(header_value_of(line).str(), expected.second) << line;
    }
}

TEST(ApplyHeaderLinesTest, OneCallPerLineWithKeepAliveSkipped) {
    EXPECT_EQ(applied("A: 1\r\nConnection: keep-alive\r\n\r\nB: 2\r\nConnection: close\r\nodd"),
              (Calls{{"A", "1"}, {"B", "2"}, {"Connection", "close"}, {"", ""}}));
    // Compared with letter case: only the exact pair is skipped.
    EXPECT_EQ(applied("connection: keep-alive\r\nConnection: Keep-Alive"),
              (Calls{{"connection", "keep-alive"}, {"Connection", "Keep-Alive"}}));
    // Without CR LF the text is one line, even an empty one or a keep-alive line.
    EXPECT_EQ(applied(""), (Calls{{"", ""}}));
    EXPECT_EQ(applied("Connection: keep-alive"), (Calls{{"Connection", "keep-alive"}}));
}

TEST(ApplyHeaderLinesTest, DefaultsThenNormalisationGiveFourCalls) {
    Text header_text;
    complete_default_headers(header_text, "http://h/", 0);
    EXPECT_EQ(applied(normalise_header_lines(header_text)),
              (Calls{{"Accept", "*/*"},
                     {"Referer", "http://h/"},
                     {"Accept-Language", "zh-cn"},
                     {"User-Agent", "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"}}));

    header_text = "connection: keep-alive\r\naccept: text/html";
    complete_default_headers(header_text, "u", 0);
    const Calls calls = applied(normalise_header_lines(header_text));
    ASSERT_EQ(calls.size(), 4u);  // keep-alive was capitalised, then skipped
    EXPECT_EQ(calls[0], (std::pair<std::string, std::string>{"Accept", "text/html"}));
}

TEST(Base64Test, EncodesGroupsWithFiller) {
    const std::pair<std::string, const char*> cases[] = {
        {"abc", "YWJj"},
        {"ab", "YWI="},
        {"a", "YQ=="},
        {"", ""},
        {"user:pass", "dXNlcjpwYXNz"},
        {std::string("\0\xFF\xFE", 3), "AP/+"},  // NUL and high bytes are bytes like others
        {"\xD6\xD0\xCE\xC4:p", "1tDOxDpw"},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(base64_encode(Bytes(std::string_view(bytes))).str(), expected);
    }
}

TEST(TextCuttingTest, TextLeftOf) {
    struct Case {
        const char* text;
        const char* marker;
        int32_t start;
        bool ignore_case;
        const char* expected;
    };
    const Case cases[] = {
        {"Set-Cookie: a=1", ": ", 0, false, "Set-Cookie"},
        {"Set-Cookie:a=1", ": ", 0, false, ""},
        {"a:b:c", ":", 1, false, "a"},
        {"a:b:c", ":", 3, false, "a:b"},   // from position 3 on
        {"a:b:c", ":", 6, false, ""},      // past the end
        {"a:b:c", ":", -1, false, "a:b"},  // the last occurrence
        {"a:b:c", ":", -2, false, "a"},    // within the first 3 bytes: the one at 2
        {"a:b:c", ":", -3, false, "a"},    // within the first 2 bytes
        {"a:b:c", ":", -4, false, ""},     // within the first byte: none
        {"a:b:c", ":", -9, false, ""},
        {"aXbxc", "x", 0, true, "a"},
        {"aXbxc", "x", 0, false, "aXb"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text_left_of(c.text, c.marker, c.start, c.ignore_case).str(), c.expected)
            << c.text << " " << c.marker << " " << c.start;
    }
}

TEST(TextCuttingTest, TextBetween) {
    EXPECT_EQ(text_between("Set-Cookie: a=1; path=/", "Set-Cookie:", ";").str(), " a=1");
    EXPECT_EQ(text_between("Set-Cookie: a=1", "Set-Cookie:", ";").str(), "");
    EXPECT_EQ(text_between("x<>y", "<", ">").str(), "");  // the markers touch
    EXPECT_EQ(text_between("ab", "b", "").str(), "");     // the start marker ends the text
    EXPECT_EQ(text_between("[1][2]", "[", "]", 3).str(), "2");
    EXPECT_EQ(text_between("<A>x</a>", "<a>", "</A>", 0, true).str(), "x");
    // "#引号" names a double quote in either marker.
    const Text quote = utf8_to_ansi("#引号");
    EXPECT_EQ(text_between("k=\"v\";", "k=" + quote, quote).str(), "v");
}

}  // namespace
}  // namespace kessaro
