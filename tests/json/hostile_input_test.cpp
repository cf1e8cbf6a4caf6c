// Search replies are evaluated as script: a hostile or broken one must neither hang nor exhaust
// the tool. Each case returns within its bound with the empty result, and the next parse works.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "json/json_doc.hpp"

namespace kessaro {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Generous: a step is bounded at a few seconds, and a parse makes a handful of steps.
constexpr auto kBound = 20s;

void expect_next_parse_works(JsonDoc& doc) {
    EXPECT_TRUE(doc.parse(R"({"data":{"list":[{"url":"u1"}]}})"));
    EXPECT_EQ(doc.get_text("data.list[0].url"), Text("u1"));
}

struct HostileReply {
    const char* what;
    std::string text;
};

TEST(HostileInputTest, HostileRepliesFailWithinTheirBound) {
    const std::string deep = std::string(200000, '[') + std::string(200000, ']');
    const std::string deep_object = [] {
        std::string text;
        for (int i = 0; i < 100000; ++i)
            text += R"({"a":)";
        return text + "1" + std::string(100000, '}');
    }();
    const HostileReply replies[] = {
        {"endless loop", "\"while (1) {}\""},
        {"endless loop, expression form", "(function () { while (1) {} })()"},
        {"string doubling", "\"var a = 'x'; while (1) { a += a; }\""},
        {"object flood", "\"var b = []; while (1) { b.push({ q: [1, 2, 3] }); }\""},
        {"catastrophic regexp", "\"/(a+)+$/.test('" + std::string(40, 'a') + "b')\""},
        {"deep array nesting", deep},
        {"deep object nesting", deep_object},
        {"50 MB string run as script", "\"" + std::string(50 << 20, 'x') + "\""},
        {"50 MB of unbalanced brackets", std::string(50 << 20, '[')},
    };
    JsonDoc doc;
    for (const auto& reply : replies) {
        const auto start = Clock::now();
        const bool as_expression = reply.text.front() == '(';
        EXPECT_FALSE(doc.parse(reply.text, as_expression)) << reply.what;
        EXPECT_EQ(doc.member_count("data.list"), 0) << reply.what;
        EXPECT_LT(Clock::now() - start, kBound) << reply.what;
        expect_next_parse_works(doc);
    }
}

TEST(HostileInputTest, ALarge50MBStringValueLoadsAndReadsWithinTheBound) {
    const std::string json = R"({"s":")" + std::string(50 << 20, 'x') + R"(","n":1})";
    JsonDoc doc;
    auto start = Clock::now();
    EXPECT_TRUE(doc.parse(json));
    EXPECT_EQ(doc.value_type("s"), 6);
    EXPECT_EQ(doc.get_number("s.length"), 50 << 20);
    EXPECT_LT(Clock::now() - start, kBound);
    start = Clock::now();
    doc.get_text("s");  // too long for the marker step's regexp budget, but it returns
    EXPECT_LT(Clock::now() - start, kBound);
    EXPECT_EQ(doc.get_text("n"), Text("1"));
    expect_next_parse_works(doc);
}

TEST(HostileInputTest, PathsAreBoundedToo) {
    JsonDoc doc;
    ASSERT_TRUE(doc.parse(R"({"a":1})"));
    const auto start = Clock::now();
    EXPECT_EQ(doc.get_text("constructor.constructor('while (1) {}')()"), Text());
    EXPECT_LT(Clock::now() - start, kBound);
    EXPECT_EQ(doc.get_text("a"), Text("1"));
}

}  // namespace
}  // namespace kessaro
