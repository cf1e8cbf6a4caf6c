#include "encoding/code_page.hpp"

#include <gtest/gtest.h>

#include <string>

namespace kessaro {
namespace {

Bytes units(std::u16string_view text) {
    std::string buffer;
    for (const char16_t unit : text) {
        buffer.push_back(static_cast<char>(unit & 0xFF));
        buffer.push_back(static_cast<char>(unit >> 8));
    }
    buffer.append(2, '\0');
    return Bytes(std::move(buffer));
}

TEST(CodePageTest, Utf8ToAnsi) {
    struct Case {
        const char* name;
        std::string utf8;
        std::string expected;
    };
    const Case cases[] = {
        {"empty", "", ""},
        {"ascii", "{\"a\":[1, 2], \"b\":\"x y\"}", "{\"a\":[1, 2], \"b\":\"x y\"}"},
        {"chinese", "\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},
        {"euro sign", "\xE2\x82\xAC", "\x80"},
        {"U+F8F5 is byte FF", "\xEF\xA3\xB5", "\xFF"},
        {"private use U+E000", "\xEE\x80\x80", "\xAA\xA1"},
        {"ideographic space", "\xE3\x80\x80", "\xA1\xA1"},
        {"fullwidth backslash is a real mapping", "\xEF\xBC\xBC", "\xA3\xDC"},
        {"missing character U+2400", "a\xE2\x90\x80z", "a?z"},
        {"emoji is one ?", "\xF0\x9F\x98\x80", "?"},
        {"default-ignorable U+200B",
         "a\xE2\x80\x8B"
         "b",
         "a?b"},
        {"default-ignorable U+FEFF",
         "\xEF\xBB\xBF"
         "x",
         "?x"},
        {"variation selector U+FE0F", "\xEF\xB8\x8F", "?"},
        {"default-ignorable U+00AD", "a\xC2\xAD", "a?"},
        {"look-alike set minus U+2216", "\xE2\x88\x96", "?"},
        {"look-alike U+02BA", "\xCA\xBA", "?"},
        {"lone continuation byte",
         "a\x80"
         "b",
         "a?b"},
        {"truncated sequence is one ?",
         "\xE4\xB8"
         "x",
         "?x"},
        {"truncated at the end", "x\xE4\xB8", "x?"},
        {"invalid lead bytes", "\xC0\x80\xFF", "???"},
        {"encoded surrogate", "\xED\xA0\x80", "???"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8_to_ansi(Text(c.utf8)).view(), c.expected) << c.name;
    }
}

TEST(CodePageTest, StopsAtTheFirstNul) {
    EXPECT_EQ(utf8_to_ansi(Text(std::string_view("ab\0\xE4\xB8\xAD", 6))), Text("ab"));
    EXPECT_EQ(utf16_to_multibyte(Bytes(std::string_view("a\0\0\0b\0", 6))), Text("a"));
    EXPECT_EQ(utf16_to_cp936(std::u16string_view(u"x\0y", 3)), Text("x"));
}

TEST(CodePageTest, Utf16Buffers) {
    // An empty text gives only the zero terminator; back again it is the empty text.
    EXPECT_EQ(multibyte_to_utf16(Text()), Bytes(std::string_view("\0\0", 2)));
    EXPECT_EQ(utf16_to_multibyte(multibyte_to_utf16(Text())), Text());
    EXPECT_EQ(utf16_to_multibyte(Bytes()), Text());

    // With use_code_page false the code page number is ignored and the text read as UTF-8.
    EXPECT_EQ(multibyte_to_utf16(Text("\xE4\xB8\xAD"), 936, false), units(u"\u4E2D"));
    EXPECT_EQ(multibyte_to_utf16(Text("\xD6\xD0"), 936, true), units(u"\u4E2D"));
    EXPECT_EQ(multibyte_to_utf16(Text("\xD6\xD0"), 0, true), units(u"\u4E2D"));
    EXPECT_EQ(utf16_to_multibyte(units(u"\u4E2D\u2400"), 0, false), Text("\xD6\xD0?"));
    EXPECT_EQ(utf16_to_multibyte(units(u"\u4E2D"), 65001, true), Text("\xE4\xB8\xAD"));
    // A lone surrogate has no mapping anywhere.
    EXPECT_EQ(utf16_to_multibyte(units(u"a\xD800"
                                       u"b"),
                                 936, true),
              Text("a?b"));
    // An unknown code page gives the empty result.
    EXPECT_EQ(multibyte_to_utf16(Text("a"), 99999, true), Bytes());
    EXPECT_EQ(utf16_to_multibyte(units(u"a"), 99999, true), Text());

    // UTF-8 read from 936 bytes takes more units than the 936 reading: nothing is cut short.
    const Text gbk("\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4");
    EXPECT_EQ(multibyte_to_utf16(gbk, 0, false),
              units(u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"));
}

// Every double-byte code of the table survives 936 -> UTF-16 -> 936 unchanged, and every
// single byte too.
TEST(CodePageTest, TableRoundTrip) {
    int mapped = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            const std::u16string wide = cp936_to_utf16(Text(bytes));
            ASSERT_EQ(wide.size(), 1u) << std::hex << lead << " " << trail;
            if (wide[0] == u'\uFFFD')
                continue;
            ++mapped;
            EXPECT_EQ(utf16_to_cp936(wide).view(), bytes) << std::hex << lead << " " << trail;
        }
    }
    EXPECT_GT(mapped, 23000);
    for (int byte = 1; byte <= 0xFF; ++byte) {
        if (byte >= 0x81 && byte <= 0xFE)
            continue;  // lead bytes
        const std::string one(1, static_cast<char>(byte));
        EXPECT_EQ(utf16_to_cp936(cp936_to_utf16(Text(one))).view(), one) << byte;
    }
}

TEST(CodePageTest, EdgeConversions) {
    EXPECT_EQ(cp936_to_utf8(Text("a\xD6\xD0\x80")), "a\xE4\xB8\xAD\xE2\x82\xAC");
    EXPECT_EQ(utf8_to_cp936("\xE4\xB8\xAD"), Text("\xD6\xD0"));
    EXPECT_EQ(cp936_to_utf16(Text("\xA1\xA1")), u"\u3000");
    // A lead byte without its trail byte at the end is malformed.
    EXPECT_EQ(cp936_to_utf8(Text("x\xD6")), "x\xEF\xBF\xBD");
}

}  // namespace
}  // namespace kessaro
