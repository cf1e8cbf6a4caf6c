// Cookie texts: the merge table, its named edge cases, and the pieces taken from Set-Cookie
// lines.
#include "http/cookie_texts.hpp"

#include <gtest/gtest.h>

#include <string>

namespace kessaro {
namespace {

TEST(MergeCookieTextsTest, Table) {
    struct Case {
        const char* sent;
        const char* returned;
        const char* merged;
    };
    const Case cases[] = {
        {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
        {"a=1; b=2", "b=deleted", "a=1"},
        {"a=deleted", "", ""},
        {"a=1; a=2", "", "a=1"},
        {"", "c=4; c=4", "c=4"},
        {"", "c=4; c=5", "c=4; c=5"},
        {"A=1", "a=2", "a=2; A=1"},
        {"a=1;", "", "a=1"},
        {"a=1;b=2", "b=3", "b=3; a=1;b=2"},
        {"x=a=deleted", "", ""},
        {"", "", ""},
        {"; a=1", "", "; a=1"},
        // Spaces around a name do not make another cookie; the returned piece keeps its bytes.
        {" a =1; b=2", "a=9", "a=9; b=2"},
        {"a=1", "a =2", "a =2"},
        // A deletion is seen in the last 8 bytes of a piece only.
        {"a=deleted ; b=2", "", "a=deleted ; b=2"},
        {"a=1;   ", "b=2", "b=2; a=1"},  // blanks after the final ";" are trimmed away
        {"\xA1\xA1"
         "a=1\xA1\xA1",
         "", "a=1"},  // the ideographic space is trimmed too
        // Removing the repeated x leaves the empty piece last and only one separator is cut:
        // the merge keeps its algorithm here; splitting the result drops the empty piece.
        {"", "x; ; x", "x; "},
    };
    for (const Case& c : cases) {
        Text cookies = c.sent;
        Text returned = c.returned;
        const Text merged = merge_cookie_texts(cookies, returned);
        EXPECT_EQ(merged.str(), c.merged) << "[" << c.sent << "] + [" << c.returned << "]";
        EXPECT_EQ(cookies, merged);
    }
}

TEST(MergeCookieTextsTest, LeavesReturnedTidied) {
    Text cookies = "a=1";
    Text returned = "  b=2;  ";
    merge_cookie_texts(cookies, returned);
    EXPECT_EQ(returned.str(), "b=2; ");
}

TEST(CookiePiecesTest, NamesListsAndDuplicates) {
    EXPECT_EQ(cookie_name_of(" a =1").str(), "a");
    EXPECT_EQ(cookie_name_of("flag").str(), "flag");
    EXPECT_EQ(cookie_name_of("=v").str(), "");
    EXPECT_EQ(cookie_name_of("x=a=b").str(), "x");

    const TextList pieces = {"a=1", " b =2", "c"};
    EXPECT_TRUE(has_cookie_named(pieces, "b"));
    EXPECT_TRUE(has_cookie_named(pieces, "c"));
    EXPECT_FALSE(has_cookie_named(pieces, "A"));
    EXPECT_FALSE(has_cookie_named({}, ""));

    EXPECT_EQ(index_of_text(pieces, "c"), 3);
    EXPECT_EQ(index_of_text(pieces, "C"), -1);
    EXPECT_EQ(index_of_text({}, ""), -1);

    EXPECT_EQ(remove_duplicate_pieces("a; b; a; c; b", "; ").str(), "a; b; c");
    EXPECT_EQ(remove_duplicate_pieces("; ; a", "; ").str(), "; a");
    EXPECT_EQ(remove_duplicate_pieces("a,a,b,", ",").str(), "a,b");
    EXPECT_EQ(remove_duplicate_pieces("", "; ").str(), "");
}

TEST(ExtractSetCookiesTest, TakesExactSetCookieLinesOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\nset-cookie: c=3\r\n\r\n", "a=1; b=2"},
        {"Set-Cookie:a=1\r\n", ""},  // no ": " in the line
        {"SET-COOKIE: a=1\r\n", ""},
        {"Content-Type: x\r\nSet-Cookie:  sid=\xD6\xD0 ; HttpOnly\r\n", "sid=\xD6\xD0"},
        {"Set-Cookie: a=1 Set-Cookie: b\r\n", "a=1  b"},  // every "Set-Cookie:" is deleted
        {"Set-Cookie: \r\n", ""},
        {"", ""},
    };
    for (const auto& [headers, expected] : cases) {
        EXPECT_EQ(extract_set_cookies(headers).str(), expected) << headers;
    }
}

}  // namespace
}  // namespace kessaro
