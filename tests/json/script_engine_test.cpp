// The engine layer: evaluation semantics, conversions of real script values, texts crossing in
// code page 936, the JSON loader, the bounds, and the bootstrap script's polyfill.
#include "json/script_engine.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "json/bootstrap_script.hpp"

namespace kessaro {
namespace {

using namespace std::chrono_literals;

std::shared_ptr<ScriptEngine> make_engine(ScriptLimits limits = {}) {
    auto engine = ScriptEngine::create(limits);
    EXPECT_NE(engine, nullptr);
    return engine;
}

TEST(ScriptEngineTest, EvalAnswersTheLastExpressionAndDeclarationsPersist) {
    auto engine = make_engine();
    EXPECT_EQ(engine->eval_text("var x = 5; if (x > 1) { x = x * 2 } x + 1"), Text("11"));
    EXPECT_EQ(engine->eval_number("x"), 10);
    engine->eval_discard("var y = x + 1");
    engine->add_code("function twice(v) { return v * 2; } var z = twice(y);");
    EXPECT_EQ(engine->eval_number("z"), 22);
    // A script error fails the step and leaves the engine as it was.
    EXPECT_EQ(engine->eval("x = 1; throw new Error('no')").kind, ScriptValue::Kind::failed);
    EXPECT_EQ(engine->eval("(").kind, ScriptValue::Kind::failed);
    engine->add_code("z = 0; )");
    EXPECT_EQ(engine->eval_number("x + z"), 23);
    EXPECT_EQ(engine->eval("missing_global").kind, ScriptValue::Kind::failed);
}

// Objects and arrays convert through their default value: "[object Object]" for a plain object,
// the elements joined by "," for an array; that text then converts as any string does.
TEST(ScriptEngineTest, ScriptValuesConvertByTheHostRules) {
    struct Case {
        const char* script;
        bool as_bool;
        const char* as_text;
        double as_number;
    };
    const Case cases[] = {
        {"true", true, "true", -1},
        {"1 == 2", false, "false", 0},
        {"7 / 2", true, "3.5", 3.5},
        {"0", false, "0", 0},
        {"'12'", true, "12", 12},
        {"'true'", true, "true", 0},
        {"'abc'", false, "abc", 0},
        {"''", false, "", 0},
        {"undefined", false, "", 0},
        {"null", false, "", 0},
        {"({a: 1})", false, "[object Object]", 0},
        {"[7]", true, "7", 7},
        {"[1, 2]", false, "1,2", 0},
        {"[]", false, "", 0},
        {"new Boolean(false)", false, "false", 0},
        {"({ valueOf: function () { return 3; } })", true, "3", 3},
        {"({ toString: function () { throw 1; } })", false, "", 0},
        {"1e21", true, "1e+21", 1e21},
    };
    auto engine = make_engine();
    for (const auto& c : cases) {
        EXPECT_EQ(engine->eval_bool(c.script), c.as_bool) << c.script;
        EXPECT_EQ(engine->eval_text(c.script), Text(c.as_text)) << c.script;
        EXPECT_EQ(engine->eval_number(c.script), c.as_number) << c.script;
    }
}

TEST(ScriptEngineTest, TextsCrossAsCodePage936) {
    auto engine = make_engine();
    // 中文 goes in as 936, is two characters inside the engine, and comes back as 936.
    engine->eval_discard("var s = '\xD6\xD0\xCE\xC4'");
    EXPECT_EQ(engine->eval_number("s.length"), 2);
    EXPECT_EQ(engine->eval_number("s.charCodeAt(0)"), 0x4E2D);
    EXPECT_EQ(engine->eval_text("s + 'x'"), Text("\xD6\xD0\xCE\xC4x"));
    // Characters that 936 lacks come back as one "?" each, beyond 16 bits too.
    EXPECT_EQ(engine->eval_text("'a' + String.fromCharCode(9216) + 'b'"), Text("a?b"));
    EXPECT_EQ(engine->eval_text("'<\\ud83d\\ude00>'"), Text("<?>"));
    EXPECT_EQ(engine->eval_text("'<\\ud800>'"), Text("<?>"));
    // The text ends at a NUL the engine's string holds.
    EXPECT_EQ(engine->eval_text("'ab\\u0000cd'"), Text("ab"));
}

TEST(ScriptEngineTest, LoadJsonTakesOnlyWholeJsonTexts) {
    auto engine = make_engine();
    EXPECT_TRUE(engine->load_json("v", R"({"a":[1,"\u4e2d",{"__proto__":2}],"1":true})"));
    EXPECT_EQ(engine->eval_text("JSON.stringify(v)"), Text(R"({"1":true,"a":[1,")"
                                                           "\xD6\xD0"
                                                           R"(",{"__proto__":2}]})"));
    const char* rejected[] = {"{a:1}", R"({"a":1} x)", R"({"a":1};)", "[1,]", "", "'x'"};
    for (const char* json : rejected) {
        EXPECT_FALSE(engine->load_json("v", json)) << json;
        EXPECT_EQ(engine->eval_text("typeof v.a"), Text("object")) << json;
    }
}

TEST(ScriptEngineTest, StepsThatOutrunTheirTimeFailAndTheEngineStaysUsable) {
    auto engine = make_engine({300ms, std::size_t{64} << 20});
    const char* loops[] = {
        "while (true) {}",
        // A caught time-out is thrown again at once: catch blocks cannot keep the step alive.
        "while (true) { try { while (true) {} } catch (e) {} }",
        // Native code that runs long without script instructions.
        "Array.prototype.indexOf.call({ length: 1e9 }, 1)",
        "/(a+)+$/.test('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab')",
    };
    for (const char* loop : loops) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(engine->eval(loop).kind, ScriptValue::Kind::failed) << loop;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << loop;
        EXPECT_EQ(engine->eval_number("6 * 7"), 42) << loop;
    }
    // The bound holds for each step anew.
    engine->add_code("var n = 0; while (true) { n++; }");
    EXPECT_GT(engine->eval_number("n"), 0);
}

TEST(ScriptEngineTest, TheHeapCapFailsAStepAndTheEngineStaysUsable) {
    auto engine = make_engine({3000ms, std::size_t{16} << 20});
    EXPECT_EQ(engine->eval("var big = 'x'.repeat(8e6); big.length").number, 8e6);
    EXPECT_EQ(engine->eval("var bigger = big + big; bigger.length").kind,
              ScriptValue::Kind::failed);
    EXPECT_EQ(engine->eval("var list = []; while (true) { list.push({ n: 1 }); }").kind,
              ScriptValue::Kind::failed);
    engine->eval_discard("big = null; list = null");
    EXPECT_EQ(engine->eval_number("'y'.repeat(8e6).length"), 8e6);
}

// The polyfill half of the bootstrap script, run in an engine whose own JSON and date
// serialisation have been taken away first.
class PolyfillTest : public ::testing::Test {
  protected:
    void SetUp() override {
        engine_ = make_engine();
        engine_->eval_discard("JSON = undefined; delete Date.prototype.toJSON");
        engine_->add_code(bootstrap_script());
    }
    Text eval(const char* script) { return engine_->eval_text(script); }
    std::shared_ptr<ScriptEngine> engine_;
};

TEST_F(PolyfillTest, StringifyWritesCompactJson) {
    struct Case {
        const char* script;
        const char* json;
    };
    const Case cases[] = {
        {"JSON.stringify({a: [1, 'x', true, null], b: undefined, c: function () {}, d: {}})",
         R"({"a":[1,"x",true,null],"d":{}})"},
        {"JSON.stringify([undefined, function () {}, NaN, -Infinity, 2.5, []])",
         "[null,null,null,null,2.5,[]]"},
        {"JSON.stringify('q\"\\\\\\b\\t\\n\\f\\r')", R"("q\"\\\b\t\n\f\r")"},
        {"JSON.stringify('\\u0001\\u001f\\u007f\\u00ad\\u0604\\u200c\\u2028\\u2060\\ufeff\\ufff0')",
         R"("\u0001\u001f\u007f\u00ad\u0604\u200c\u2028\u2060\ufeff\ufff0")"},
        // Chinese text and the marker stay unescaped (the marker comes back as "?").
        {"JSON.stringify('\xD6\xD0' + String.fromCharCode(9216))", "\"\xD6\xD0?\""},
        {"JSON.stringify(new Date(Date.UTC(2001, 1, 3, 4, 5, 6, 789)))",
         "\"2001-02-03T04:05:06Z\""},
        {"JSON.stringify(new Date(NaN))", "null"},
        {"JSON.stringify([new String('s'), new Number(1), new Boolean(false)])",
         R"(["s",1,false])"},
        {"JSON.stringify({ toJSON: function (key) { return 'k' + key; } })", "\"k\""},
        {"var o = Object.create({ inherited: 1 }); o.own = 2; JSON.stringify(o)", R"({"own":2})"},
        {"JSON.stringify({b: 1, a: 2, 1: 3})", R"({"1":3,"b":1,"a":2})"},
        {"JSON.stringify({a: 1, b: 2, c: 3}, ['c', 'a'])", R"({"c":3,"a":1})"},
        {"JSON.stringify({a: 1, b: [2]}, function (k, v) { return k === 'a' ? undefined : v; })",
         R"({"b":[2]})"},
        {"JSON.stringify({a: 1, b: [2, {}]}, null, 2)",
         "{\n  \"a\": 1,\n  \"b\": [\n    2,\n    {}\n  ]\n}"},
        {"JSON.stringify([1], null, '--')", "[\n--1\n]"},
        {"try { JSON.stringify(1, {}) } catch (e) { e.message }", "JSON.stringify"},
        {"JSON.stringify(undefined) === undefined", "true"},
        {"JSON.stringify(null)", "null"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(eval(c.script), Text(c.json)) << c.script;
}

TEST_F(PolyfillTest, ParseAcceptsJsonAndRejectsScript) {
    struct Case {
        const char* script;
        const char* result;
    };
    const Case cases[] = {
        {"JSON.stringify(JSON.parse(' {\"a\": [1, -2.5e1, \"x\\\\u0041\\\\n\", true, null]} '))",
         R"({"a":[1,-25,"xA\n",true,null]})"},
        {"JSON.parse('\"a\\u2028b\"').charCodeAt(1)", "8232"},
        {"JSON.parse('[1, [2, 3]]', function (k, v) { return typeof v === 'number' ? v * 2 : v; })"
         ".join('|')",
         "2|4,6"},
        {"JSON.stringify(JSON.parse('{\"a\":1,\"b\":2}', function (k, v) {"
         " return k === 'a' ? undefined : v; }))",
         R"({"b":2})"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(eval(c.script), Text(c.result)) << c.script;
    // As script literals: each is the text handed to JSON.parse.
    const char* rejected[] = {
        "'alert(1)'", "'{\"a\":1}; x = 1'", "'[1, 2] + 1'", "'{a: 1}'",    "'\"\\\\x41\"'",
        "'(1)'",      "'[1, 2]()'",         "'\"a\\nb\"'",  "'[true, x]'",
    };
    engine_->eval_discard("var x = 0");
    for (const char* text : rejected) {
        engine_->eval_discard(Text("var text = ") + text);
        EXPECT_EQ(
            eval("try { JSON.parse(text); 'parsed' } catch (e) { e.name + ': ' + e.message }"),
            Text("SyntaxError: JSON.parse"))
            << text;
    }
    EXPECT_EQ(eval("x"), Text("0"));
}

TEST_F(PolyfillTest, ObjectsGainEnumerableJsonMethods) {
    EXPECT_EQ(eval("({a: [1]}).toJSONString()"), Text(R"({"a":[1]})"));
    EXPECT_EQ(eval("'[3, 4]'.parseJSON()[1]"), Text("4"));
    EXPECT_EQ(eval("var names = []; for (var k in {}) names.push(k); names.join()"),
              Text("toJSONString,parseJSON"));
}

TEST(BootstrapScriptTest, AnEngineWithItsOwnJsonKeepsIt) {
    auto engine = make_engine();
    engine->eval_discard("var own = JSON.stringify, date = Date.prototype.toJSON");
    engine->add_code(bootstrap_script());
    EXPECT_TRUE(engine->eval_bool("JSON.stringify === own && Date.prototype.toJSON === date"));
    EXPECT_TRUE(engine->eval_bool("typeof String.prototype.toJSON === 'undefined'"));
    EXPECT_EQ(engine->eval_text("({b: [1, 'x']}).toJSONString()"), Text(R"({"b":[1,"x"]})"));
    EXPECT_TRUE(engine->eval_bool("Object.prototype.propertyIsEnumerable('parseJSON')"));
    // One ASCII text without line breaks.
    const auto text = bootstrap_script().view();
    EXPECT_EQ(std::find_if(text.begin(), text.end(), [](char c) { return c < 0x20 || c > 0x7E; }),
              text.end());
}

}  // namespace
}  // namespace kessaro
