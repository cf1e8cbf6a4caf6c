#include "core/text_ops.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kessaro {
namespace {

// Code page 936 bytes: 中 = D6 D0, 文 = CE C4; 95 5C is a character whose trail byte is "\",
// 95 7C one whose trail byte is "|", 81 61 one whose trail byte is "a". A1 A1 is the
// ideographic space.
constexpr const char* kZhong = "\xD6\xD0";
constexpr const char* kBackslashTrail = "\x95\x5C";
constexpr const char* kBarTrail = "\x95\x7C";
constexpr const char* kLetterTrail = "\x81\x61";

TEST(TextTest, KeepsBytesBeforeFirstNulAndOrdersUnsigned) {
    EXPECT_EQ(Text(std::string_view("ab\0cd", 5)).view(), "ab");
    EXPECT_EQ(Text(std::string("x\0y", 3)).size(), 1u);
    EXPECT_EQ(Bytes(std::string_view("ab\0cd", 5)).size(), 5u);
    EXPECT_TRUE(Text("") == Text());
    EXPECT_LT(Text(), Text("a"));
    EXPECT_LT(Text("z"), Text("\x80"));  // unsigned: 0x80 sorts after ASCII
    EXPECT_EQ(Text("a") + "b" + Text("c"), Text("abc"));
}

struct FindCase {
    const char* text;
    const char* what;
    int32_t start;
    bool ignore_case;
    int32_t expected;
};

TEST(TextOpsTest, FindText) {
    const std::string trail = std::string("x") + kBackslashTrail + "\\";
    const std::string bar = std::string(kBarTrail) + "|";
    const std::string letter = std::string(kLetterTrail) + "A";
    const FindCase cases[] = {
        {"hello", "l", 1, false, 3},
        {"hello", "l", 4, false, 4},
        {"hello", "l", 5, false, -1},
        {"hello", "l", -7, false, 3},  // up to 1 means the beginning
        {"hello", "o", 6, false, -1},  // past the end
        {"hello", "", 1, false, 1},    // empty needle found at 1
        {"", "", 1, false, -1},        // empty range
        {"", "a", 1, false, -1},
        {"Hello", "hEL", 1, true, 1},
        {"Hello", "hEL", 1, false, -1},
        {trail.c_str(), "\\", 1, false, 4},  // the 5C trail byte is skipped
        {bar.c_str(), "|", 1, false, 3},
        {letter.c_str(), "a", 1, true, 3},  // a trail byte is never folded into a letter
        {"abcabc", "abcabcd", 1, false, -1},
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(find_text(c.text, c.what, c.start, c.ignore_case), c.expected)
            << c.text << " / " << c.what << " from " << c.start;
    }
    // A match of a double-byte needle only on a character boundary.
    const std::string shifted = std::string("\xB0") + kZhong;  // B0 D6 | D0 ... not a boundary
    EXPECT_EQ(find_text(shifted + "a", kZhong), -1);
    EXPECT_EQ(find_text(std::string("a") + kZhong, kZhong), 2);
}

TEST(TextOpsTest, FindTextBackwards) {
    EXPECT_EQ(find_text_backwards("abcabc", "bc"), 5);
    EXPECT_EQ(find_text_backwards("abcabc", "bc", 7), 5);  // first 6 bytes: whole text
    EXPECT_EQ(find_text_backwards("abcabc", "bc", 6), 2);  // first 5 bytes
    EXPECT_EQ(find_text_backwards("abcabc", "bc", 1), -1);
    EXPECT_EQ(find_text_backwards("abcabc", "bc", 0), -1);
    EXPECT_EQ(find_text_backwards("abcabc", "x"), -1);
    EXPECT_EQ(find_text_backwards("ABCabc", "abc", std::nullopt, true), 4);
    EXPECT_EQ(find_text_backwards(std::string("\\") + kBackslashTrail, "\\"), 1);
}

TEST(TextOpsTest, Parts) {
    EXPECT_EQ(left_part("hello", 2), Text("he"));
    EXPECT_EQ(left_part("hello", 99), Text("hello"));
    EXPECT_EQ(left_part("hello", 0), Text());
    EXPECT_EQ(left_part("hello", -1), Text());
    EXPECT_EQ(right_part("hello", 3), Text("llo"));
    EXPECT_EQ(right_part("hello", 9), Text("hello"));
    EXPECT_EQ(right_part("hello", -2), Text());
    EXPECT_EQ(middle_part("hello", 2, 3), Text("ell"));
    EXPECT_EQ(middle_part("hello", 4, 10), Text("lo"));
    EXPECT_EQ(middle_part("hello", 0, 2), Text());
    EXPECT_EQ(middle_part("hello", 6, 1), Text());
    EXPECT_EQ(middle_part("hello", 1, 0), Text());
    EXPECT_EQ(left_part(kZhong, 1), Text("\xD6"));  // byte-based: a character may be cut
}

TEST(TextOpsTest, TrimBlanks) {
    const std::string ideographic = "\xA1\xA1";
    EXPECT_EQ(trim_blanks("  a b  "), Text("a b"));
    EXPECT_EQ(trim_blanks(ideographic + " a" + ideographic), Text("a"));
    EXPECT_EQ(trim_blanks("\ta\r\n"), Text("\ta\r\n"));
    EXPECT_EQ(trim_blanks("   "), Text());
    EXPECT_EQ(trim_blanks(""), Text());
    // C0 A1 is one character: the A1 A1 that straddles it is no blank.
    EXPECT_EQ(trim_blanks("\xC0\xA1\xA1"), Text("\xC0\xA1\xA1"));
    EXPECT_EQ(trim_blanks("\xB0\xA1\xA1\xA1"), Text("\xB0\xA1"));
}

TEST(TextOpsTest, SplitText) {
    struct Case {
        const char* text;
        const char* separator;
        TextList expected;
    };
    const Case cases[] = {
        {"a; b", "; ", {"a", "b"}}, {"a; b; ", "; ", {"a", "b"}},
        {"; a", "; ", {"", "a"}},   {"a; ; b", "; ", {"a", "", "b"}},
        {"a; ; ", "; ", {"a", ""}}, {"", "; ", {}},
        {"abc", "", {"abc"}},       {"abc", "x", {"abc"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(split_text(c.text, c.separator), c.expected) << c.text;
    // A separator is never matched across a double-byte character.
    EXPECT_EQ(split_text(std::string(kBarTrail) + "|x", "|"),
              (TextList{Text(kBarTrail), Text("x")}));
}

TEST(TextOpsTest, ReplaceText) {
    EXPECT_EQ(replace_text("a-b-c", "-", "+"), Text("a+b+c"));
    EXPECT_EQ(replace_text("a-b-c", "-", "+", 3), Text("a-b+c"));
    EXPECT_EQ(replace_text("a-b-c", "-", "+", 1, 1), Text("a+b-c"));
    EXPECT_EQ(replace_text("a-b-c", "-", "+", 1, 0), Text("a-b-c"));
    EXPECT_EQ(replace_text("aaaa", "aa", "b"), Text("bb"));  // no overlap
    EXPECT_EQ(replace_text("Cookie: a; cookie:b", "cookie:", "", 1, std::nullopt, true),
              Text(" a; b"));
    EXPECT_EQ(replace_text("abc", "", "x"), Text("abc"));
    EXPECT_EQ(replace_text("", "a", "x"), Text());
    EXPECT_EQ(replace_text("abc", "b", "x", 9), Text("abc"));
    EXPECT_EQ(replace_text(std::string(kBackslashTrail) + "\\", "\\", "/"),
              Text(std::string(kBackslashTrail) + "/"));
}

TEST(TextOpsTest, EqualIgnoringAsciiCase) {
    EXPECT_TRUE(equal_ignoring_ascii_case("Content-Type", "content-TYPE"));
    EXPECT_TRUE(equal_ignoring_ascii_case("", ""));
    EXPECT_FALSE(equal_ignoring_ascii_case("Accept", "Accept-Language"));
    EXPECT_FALSE(equal_ignoring_ascii_case("[", "{"));  // 0x5B and 0x7B differ by case bit only
    EXPECT_FALSE(equal_ignoring_ascii_case("\xC3\xA9", "\xC3\x89"));  // non-ASCII bytes exactly
}

TEST(TextOpsTest, UpperCaseAndNumbers) {
    EXPECT_EQ(upper_case("abc-Z1"), Text("ABC-Z1"));
    EXPECT_EQ(upper_case(std::string(kLetterTrail) + "a"), Text(std::string(kLetterTrail) + "A"));
    EXPECT_EQ(int_to_text(0), Text("0"));
    EXPECT_EQ(int_to_text(-1), Text("-1"));
    EXPECT_EQ(int_to_text(INT32_MIN), Text("-2147483648"));
    EXPECT_EQ(bytes_to_text(Bytes(std::string_view("ab\0c", 4))), Text("ab"));
    EXPECT_EQ(bytes_to_text(Bytes()), Text());
}

}  // namespace
}  // namespace kessaro
