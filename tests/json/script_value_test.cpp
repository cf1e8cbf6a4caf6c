// The conversion rules of the host steps, on values as the engine layer hands them over.
#include "json/script_value.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kessaro {
namespace {

using Kind = ScriptValue::Kind;

ScriptValue string_value(std::string text) {
    return {Kind::string, false, 0, std::move(text)};
}

struct StringCase {
    const char* text;
    bool as_bool;
    double as_number;
};

TEST(ScriptValueTest, StringsConvertOnlyWhenTheyReadAsABooleanWordOrANumeral) {
    const StringCase cases[] = {
        {"true", true, 0},         {"TRUE", true, 0},      {" True ", true, 0},
        {"false", false, 0},       {"12", true, 12},       {"-0.5", true, -0.5},
        {"+3", true, 3},           {" 1.5e1\t", true, 15}, {".5", true, 0.5},
        {"5.", true, 5},           {"0", false, 0},        {"0.000", false, 0},
        {"1e400", true, HUGE_VAL}, {"abc", false, 0},      {"", false, 0},
        {"12abc", false, 0},       {"1e", false, 0},       {"0x10", false, 0},
        {"Infinity", false, 0},    {"1 2", false, 0},      {"-", false, 0},
        {".", false, 0},           {"1,5", false, 0},      {"yes", false, 0},
    };
    for (const auto& c : cases) {
        const ScriptValue value = string_value(c.text);
        EXPECT_EQ(script_value_to_bool(value), c.as_bool) << c.text;
        EXPECT_EQ(script_value_to_number(value), c.as_number) << c.text;
        EXPECT_EQ(script_value_to_text(value), Text(c.text)) << c.text;
    }
}

TEST(ScriptValueTest, BooleansNumbersUndefinedNullAndFailures) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        ScriptValue value;
        bool as_bool;
        const char* as_text;
        double as_number;
    };
    const Case cases[] = {
        {{Kind::boolean, true, 0, ""}, true, "true", -1},
        {{Kind::boolean, false, 0, ""}, false, "false", 0},
        {{Kind::number, false, 2.5, "2.5"}, true, "2.5", 2.5},
        {{Kind::number, false, 0, "0"}, false, "0", 0},
        {{Kind::number, false, -1e21, "-1e+21"}, true, "-1e+21", -1e21},
        {{Kind::undefined, false, 0, ""}, false, "", 0},
        {{Kind::null, false, 0, ""}, false, "", 0},
        {{Kind::failed, false, 0, ""}, false, "", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(script_value_to_bool(c.value), c.as_bool) << c.as_text;
        EXPECT_EQ(script_value_to_text(c.value), Text(c.as_text));
        EXPECT_EQ(script_value_to_number(c.value), c.as_number) << c.as_text;
    }
    // NaN is not zero: true as a boolean, passed on unchanged as a number.
    const ScriptValue not_a_number{Kind::number, false, nan, "NaN"};
    EXPECT_TRUE(script_value_to_bool(not_a_number));
    EXPECT_TRUE(std::isnan(script_value_to_number(not_a_number)));
}

TEST(ScriptValueTest, TextComesBackInCodePage936WithQuestionMarksForTheRest) {
    // 中文, U+2400 (the backslash marker) and U+00E9.
    EXPECT_EQ(script_value_to_text(string_value("\xE4\xB8\xAD\xE6\x96\x87")),
              Text("\xD6\xD0\xCE\xC4"));
    EXPECT_EQ(script_value_to_text(string_value("a\xE2\x90\x80"
                                                "b")),
              Text("a?b"));
    // A surrogate pair as the engine holds it (U+1F600) is one character, so one "?".
    EXPECT_EQ(script_value_to_text(string_value("<\xED\xA0\xBD\xED\xB8\x80>")), Text("<?>"));
}

TEST(ScriptValueTest, SurrogateHalvesJoinIntoOneCodePoint) {
    struct Case {
        const char* cesu8;
        const char* utf8;
    };
    const Case cases[] = {
        {"\xED\xA0\xBD\xED\xB8\x80", "\xF0\x9F\x98\x80"},          // U+1F600
        {"a\xED\xAF\xBF\xED\xBF\xBFz", "a\xF4\x8F\xBF\xBFz"},      // U+10FFFF
        {"\xED\xA0\x80", "\xEF\xBF\xBD"},                          // lone high half
        {"\xED\xB0\x80x", "\xEF\xBF\xBDx"},                        // lone low half
        {"\xED\xB0\x80\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // halves in the wrong order
        {"\xED\x9F\xBF", "\xED\x9F\xBF"},                          // U+D7FF is no surrogate
        {"\xED\xA0", "\xED\xA0"},  // cut short: left to the converter
        {"plain", "plain"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cesu8_to_utf8(c.cesu8), std::string(c.utf8)) << c.cesu8;
}

}  // namespace
}  // namespace kessaro
