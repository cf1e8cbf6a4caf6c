// JsonDoc: loading, paths, reads, writes and serialisation, on real engines.
#include "json/json_doc.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "json/script_engine.hpp"

namespace kessaro {
namespace {

constexpr const char* kReply = R"({"data":{"list":[{"id":7,"tag":"a b","url":"u1"}]}})";
// "[2020年7月20日20时0分0秒]" in code page 936.
constexpr const char* kLeafSeparator =
    "[2020\xC4\xEA"
    "7\xD4\xC2"
    "20\xC8\xD5"
    "20\xCA\xB1"
    "0\xB7\xD6"
    "0\xC3\xEB]";

JsonDoc loaded(const char* json) {
    JsonDoc doc;
    EXPECT_TRUE(doc.parse(json)) << json;
    return doc;
}

// A document whose engine could not be created.
class EnginelessDoc : public JsonDoc {
  public:
    EnginelessDoc() : JsonDoc(WithoutEngine{}) {}
};

TEST(JsonDocLifecycleTest, AFreshDocumentHoldsAnEmptyObject) {
    JsonDoc doc;
    EXPECT_NE(doc.script_engine(), nullptr);
    EXPECT_EQ(doc.to_json(), Text("{}"));
    EXPECT_EQ(doc.value_type(), 4);
    EXPECT_EQ(doc.value_type("da"), 4);
    EXPECT_TRUE(doc.has());
    EXPECT_EQ(doc.member_count(), 0);
}

TEST(JsonDocLifecycleTest, CopiesShareTheEngineUntilOneParses) {
    JsonDoc doc = loaded(R"({"a":1})");
    JsonDoc copy = doc;
    EXPECT_EQ(copy.script_engine(), doc.script_engine());
    copy.set_value("b", "x");
    EXPECT_EQ(doc.to_json(), Text(R"({"a":1,"b":"x"})"));
    JsonDoc assigned;
    assigned = doc;
    EXPECT_EQ(assigned.get_text("b"), Text("x"));
    // Parsing re-creates only the parsing document's engine.
    EXPECT_TRUE(doc.parse("[1]"));
    EXPECT_NE(copy.script_engine(), doc.script_engine());
    EXPECT_EQ(copy.to_json(), Text(R"({"a":1,"b":"x"})"));
    EXPECT_EQ(doc.to_json(), Text("[1]"));
}

TEST(JsonDocLifecycleTest, WithoutAnEngineEveryOperationGivesItsEmptyResult) {
    EnginelessDoc doc;
    EXPECT_EQ(doc.script_engine(), nullptr);
    EXPECT_FALSE(doc.parse(kReply));
    EXPECT_FALSE(doc.parse(kReply, true));
    EXPECT_EQ(doc.script_engine(), nullptr);
    EXPECT_FALSE(doc.clear());
    EXPECT_EQ(doc.to_json(), Text());
    EXPECT_FALSE(doc.set_value("a", "x"));
    EXPECT_FALSE(doc.set_value("a", "{}", true));
    EXPECT_FALSE(doc.set_expression("a", "1"));
    Text path = "data.list";
    EXPECT_FALSE(doc.resolve_path(path));
    EXPECT_EQ(path, Text("da.data.list"));
    EXPECT_FALSE(doc.has("data"));
    EXPECT_EQ(doc.value_type("data"), -1);
    EXPECT_EQ(doc.get_text("data.list[0].url"), Text());
    EXPECT_EQ(doc.get_text("data", true), Text());
    TextList names = {"stale"};
    EXPECT_EQ(doc.member_names(names), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(doc.member_count("data.list"), 0);
    EXPECT_EQ(doc.get_object("data").to_json(), Text());
    EXPECT_FALSE(doc.add_element("x", "list"));
    EXPECT_EQ(doc.get_element_object(0, "list").to_json(), Text());
    EXPECT_EQ(doc.get_element_text(0, "list"), Text());
    EXPECT_FALSE(doc.set_element(0, "list", "x"));
    EXPECT_FALSE(doc.remove_element(0, "list"));
    EXPECT_FALSE(doc.remove("list"));
    EXPECT_FALSE(doc.set_number("n", 5));
    EXPECT_EQ(doc.get_number("n"), 0);
    EXPECT_EQ(doc.get_json(), Text());
    TextList values = {"stale"};
    EXPECT_EQ(doc.leaf_values(values), 0);
    EXPECT_TRUE(values.empty());
    // A copy of an engineless document has no engine either.
    JsonDoc copy = doc;
    EXPECT_FALSE(copy.parse("1"));
}

TEST(JsonDocLifecycleTest, ADocumentFromGetObjectOutlivesItsSource) {
    JsonDoc part;
    {
        JsonDoc doc = loaded(kReply);
        part = doc.get_object("data");
        EXPECT_NE(part.script_engine(), doc.script_engine());
        part.set_value("extra", "x");
        EXPECT_FALSE(doc.has("data.extra"));
    }
    EXPECT_EQ(part.member_count("list"), 1);
    EXPECT_EQ(part.get_text("list[0].url"), Text("u1"));
}

TEST(JsonDocParseTest, TheSearchReplyReadsByPath) {
    JsonDoc doc = loaded(kReply);
    EXPECT_EQ(doc.member_count("data.list"), 1);
    EXPECT_EQ(doc.get_text("data.list[0].url"), Text("u1"));
    EXPECT_EQ(doc.get_text("data.list[0].id"), Text("7"));
    EXPECT_EQ(doc.get_text("data.list[0].tag"), Text("a b"));
    EXPECT_EQ(doc.get_text("data.list[5].url"), Text());
    EXPECT_EQ(doc.get_text("data.nothing.url"), Text());
    EXPECT_EQ(doc.member_count("data"), 0);
    EXPECT_EQ(doc.member_count("data.nothing.list"), 0);
}

TEST(JsonDocParseTest, EachFormGivesTheValueItsTextMeansAsScript) {
    struct Case {
        const char* text;
        bool as_expression;
        bool result;
        const char* json;  // the document afterwards
    };
    const Case cases[] = {
        {"", false, false, ""},
        {"null", false, false, "null"},
        {"not valid script {", false, false, "null"},
        {"{\"a\":1} trailing", false, false, "null"},
        {"0", false, true, "0"},
        {"false", false, true, "false"},
        {" \r\n\t[1, 2]", false, true, "[1,2]"},
        {"{a: 1, 'b': [2]}", false, true, R"({"a":1,"b":[2]})"},
        {"{\"a\":1}", true, true, R"({"a":1})"},
        // A quoted text: the eval form runs its contents, the expression form keeps the string.
        {"'[1,2]'", false, true, "[1,2]"},
        {"'[1,2]'", true, true, "\"[1,2]\""},
        {"\"1 + 2\"", false, true, "3"},
        {"\"not script {\"", false, false, "null"},
        {"1; 2", true, true, "1"},
    };
    for (const auto& c : cases) {
        JsonDoc doc;
        EXPECT_EQ(doc.parse(c.text, c.as_expression), c.result) << c.text;
        EXPECT_EQ(doc.to_json(), Text(c.json)) << c.text;
    }
}

TEST(JsonDocParseTest, AFailedParseDropsThePreviousDocument) {
    JsonDoc doc = loaded(kReply);
    doc.set_value("kept", "no");
    EXPECT_FALSE(doc.parse("{"));
    EXPECT_FALSE(doc.has("data"));
    EXPECT_FALSE(doc.has("kept"));
    EXPECT_EQ(doc.member_count("data.list"), 0);
    // The helpers and the marker are back in the new engine.
    EXPECT_TRUE(doc.parse(R"({"p":"a\\b"})"));
    EXPECT_EQ(doc.get_text("p"), Text("a\\b"));
}

std::string generated_reply(int count) {
    std::string json = R"({"data":{"list":[)";
    for (int k = 1; k <= count; ++k) {
        if (k > 1)
            json += ',';
        json += R"({"id":)" + std::to_string(k) + ",\"tag\":\"\xB7\xE7\xBE\xB0\"," +
                R"("url":"http://127.0.0.1:8642/p/)" + std::to_string(k) + R"(.png"})";
    }
    return json + "]}}";
}

TEST(JsonDocParseTest, RepliesBeyondTheScriptCompilersElementLimitLoad) {
    // The eval form alone fails above about 32,700 elements of one literal.
    const std::string json = generated_reply(40000);
    JsonDoc doc;
    EXPECT_TRUE(doc.parse(json));
    EXPECT_EQ(doc.member_count("data.list"), 40000);
    EXPECT_EQ(doc.get_text("data.list[39999].url"), Text("http://127.0.0.1:8642/p/40000.png"));
    EXPECT_EQ(doc.get_text("data.list[0].tag"), Text("\xB7\xE7\xBE\xB0"));
    EXPECT_TRUE(doc.parse(json, true));
    EXPECT_EQ(doc.member_count("data.list"), 40000);
}

TEST(JsonDocParseTest, JsonEscapesAndTheMarkerCharacter) {
    // A \u2400 escape in the reply is the marker, so it reads back as a backslash; a real
    // backslash stays one; Chinese escapes arrive as 936 text.
    JsonDoc doc = loaded(R"({"m":"a\u2400b","b":"c:\\dir","z":"\u4e2d\u6587","q":"x\"y"})");
    EXPECT_EQ(doc.get_text("m"), Text("a\\b"));
    EXPECT_EQ(doc.get_text("b"), Text("c:\\dir"));
    EXPECT_EQ(doc.get_text("b", true), Text(R"("c:\\dir")"));
    EXPECT_EQ(doc.get_text("z"), Text("\xD6\xD0\xCE\xC4"));
    EXPECT_EQ(doc.get_text("q", true), Text(R"("x\"y")"));
}

TEST(JsonDocPathTest, ResolutionPrefixesRelativePathsAndTriesDaPathsUnchanged) {
    JsonDoc doc = loaded(R"({"list":[{"url":"u"}],"data":{"x":1},"da":{"x":2}})");
    struct Case {
        const char* path;
        const char* resolved;
        bool result;
    };
    const Case cases[] = {
        {"", "da", true},
        {"da", "da", true},
        {"[0]", "da[0]", false},
        {"list[0].url", "da.list[0].url", true},
        {"list[2].url", "da.list[2].url", false},
        {"da.list", "da.list", true},
        {"data.x", "da.data.x", true},  // "data" is no global: tried unchanged, then prefixed
        {"da.x", "da.da.x", true},      // absent at da.x, so prefixed a second time
        {"da.y", "da.da.y", false},
        {"d", "da.d", false},
        {"nothing.deeper", "da.nothing.deeper", false},
    };
    for (const auto& c : cases) {
        Text path = c.path;
        EXPECT_EQ(doc.resolve_path(path), c.result) << c.path;
        EXPECT_EQ(path, Text(c.resolved)) << c.path;
        // The other operations resolve a copy and leave the caller's path alone.
        const Text untouched = c.path;
        EXPECT_EQ(doc.has(untouched), c.result) << c.path;
        EXPECT_EQ(untouched, Text(c.path));
    }
}

TEST(JsonDocReadTest, ValueTypes) {
    JsonDoc doc = loaded(R"({"a":null,"t":true,"n":1.5,"o":{},"l":[],"s":""})");
    doc.set_expression("f", "'(function () {})'");
    doc.set_expression("d", "'new Date(0)'");
    struct Case {
        const char* path;
        int32_t type;
    };
    const Case cases[] = {
        {"a", 0}, {"b", 0}, {"l[3]", 0}, {"b.c", -1}, {"t", 1},  {"n", 2},  {"o", 4},
        {"", 4},  {"l", 5}, {"s", 6},    {"f", -1},   {"d", -1}, {"(", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(doc.value_type(c.path), c.type) << c.path;
    EXPECT_FALSE(doc.has("a"));
    EXPECT_TRUE(doc.has("s"));
}

TEST(JsonDocReadTest, TextForms) {
    JsonDoc doc = loaded(R"({"s":"x\"y","n":2.5,"t":false,"l":[1,"a",[2]],"o":{"k":1},"z":null})");
    struct Case {
        const char* path;
        const char* plain;
        const char* json;
    };
    const Case cases[] = {
        {"s", "x\"y", R"("x\"y")"},
        {"n", "2.5", "2.5"},
        {"t", "false", "false"},
        {"l", "1,a,2", R"([1,"a",[2]])"},
        {"o", "[object Object]", R"({"k":1})"},
        {"z", "", "null"},
        {"absent", "", ""},
        {"absent.deeper", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(doc.get_text(c.path), Text(c.plain)) << c.path;
        EXPECT_EQ(doc.get_text(c.path, true), Text(c.json)) << c.path;
        EXPECT_EQ(doc.get_json(c.path), Text(c.json)) << c.path;
    }
}

TEST(JsonDocReadTest, ElementTextReturnsPlainTextOnlyForStrings) {
    JsonDoc doc = loaded(R"({"l":[5,"five",true,{"a":1}]})");
    EXPECT_EQ(doc.get_element_text(0, "l"), Text());
    EXPECT_EQ(doc.get_element_text(0, "l", true), Text("5"));
    EXPECT_EQ(doc.get_element_text(1, "l"), Text("five"));
    EXPECT_EQ(doc.get_element_text(1, "l", true), Text("\"five\""));
    EXPECT_EQ(doc.get_element_text(2, "l"), Text());
    EXPECT_EQ(doc.get_element_text(3, "l", true), Text(R"({"a":1})"));
    EXPECT_EQ(doc.get_element_text(9, "l", true), Text());
    EXPECT_EQ(doc.get_element_text(-1, "l", true), Text());
}

TEST(JsonDocReadTest, Numbers) {
    JsonDoc doc =
        loaded(R"({"t":true,"f":false,"s":"12","x":"12px","n":-3.25,"o":{},"l":[4],"z":null})");
    struct Case {
        const char* path;
        double number;
    };
    const Case cases[] = {
        {"t", -1}, {"f", 0}, {"s", 12}, {"x", 0},      {"n", -3.25},
        {"o", 0},  {"l", 4}, {"z", 0},  {"absent", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(doc.get_number(c.path), c.number) << c.path;
}

TEST(JsonDocReadTest, MemberNamesOfPlainObjectsOnly) {
    JsonDoc doc = loaded(R"({"a":1,"b":{"c":2},"l":[1,2],"2":0})");
    TextList names = {"stale"};
    EXPECT_EQ(doc.member_names(names), 4);
    EXPECT_EQ(names, (TextList{"2", "a", "b", "l"}));
    EXPECT_EQ(doc.member_names(names, "b"), 1);
    EXPECT_EQ(names, (TextList{"c"}));
    EXPECT_EQ(doc.member_names(names, "l"), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(doc.member_names(names, "absent"), 0);
    // Functions are left out; markers stay as they are ("?" in 936).
    doc.parse(R"({"x":1,"a\u2400b":2})");
    doc.set_expression("fn", "'(function () {})'");
    EXPECT_EQ(doc.member_names(names), 2);
    EXPECT_EQ(names, (TextList{"x", "a?b"}));
}

TEST(JsonDocReadTest, LeafValuesWithAndWithoutRecursion) {
    JsonDoc doc = loaded(R"({"a":1,"b":{"c":"x"},"d":true})");
    TextList values = {"stale"};
    EXPECT_EQ(doc.leaf_values(values), 2);
    EXPECT_EQ(values, (TextList{"1", "true"}));
    EXPECT_EQ(doc.leaf_values(values, "", true), 3);
    EXPECT_EQ(values, (TextList{"1", "x", "true"}));
    EXPECT_EQ(doc.leaf_values(values, "b"), 1);
    EXPECT_EQ(values, (TextList{"x"}));
    EXPECT_EQ(doc.leaf_values(values, "absent"), 0);
    EXPECT_TRUE(values.empty());
}

TEST(JsonDocReadTest, LeafValuesSplitRule) {
    struct Case {
        std::string json;
        TextList values;
    };
    const Case cases[] = {
        {R"({"a":"","b":"x"})", {"", "x"}},
        {R"({"a":"x","b":""})", {"x"}},  // a trailing empty value is lost
        {R"({"a":""})", {}},
        {R"({"a":"p)" + std::string(kLeafSeparator) + R"(q"})", {"p", "q"}},
        {R"({"l":[null,2,{"x":3}]})", {}},
        {R"({"a":"\u2400"})", {"?"}},  // markers are not turned back
    };
    for (const auto& c : cases) {
        JsonDoc doc = loaded(c.json.c_str());
        TextList values;
        doc.leaf_values(values);
        EXPECT_EQ(values, c.values) << c.json;
    }
}

TEST(JsonDocReadTest, SubDocumentsAreLoadedFromTheirJson) {
    JsonDoc doc =
        loaded(R"({"data":{"list":[{"url":"u1"},{"url":"u2"}]},"s":"12","w":"two words"})");
    JsonDoc data = doc.get_object("data");
    EXPECT_EQ(data.member_count("list"), 2);
    JsonDoc element = doc.get_element_object(1, "data.list");
    EXPECT_EQ(element.get_text("url"), Text("u2"));
    EXPECT_EQ(element.to_json(), Text(R"({"url":"u2"})"));
    // A string's JSON is evaluated as script on the way: "12" becomes a number, other text null.
    EXPECT_EQ(doc.get_object("s").value_type(), 2);
    EXPECT_EQ(doc.get_object("w").to_json(), Text("null"));
    EXPECT_EQ(doc.get_object("absent").to_json(), Text());
    EXPECT_EQ(doc.get_element_object(5, "data.list").to_json(), Text());
}

TEST(JsonDocWriteTest, PlainTextValuesRoundTripExactly) {
    JsonDoc doc;
    const Text value = "It's \"ok\"\\\r\n\t\xD6\xD0\xCE\xC4";
    doc.set_value("name", value);
    EXPECT_EQ(doc.get_text("name"), value);
    EXPECT_EQ(doc.to_json(), Text(R"({"name":"It's \"ok\"\\r\n\t)"
                                  "\xD6\xD0\xCE\xC4"
                                  R"("})"));
    // A trail byte of 0x5C is half of a character, not a backslash (U+4E57 is 81 5C in 936).
    doc.set_value("t", "\x81\x5C");
    EXPECT_EQ(doc.get_text("t"), Text("\x81\x5C"));
    EXPECT_EQ(doc.get_text("t", true), Text("\"\x81\x5C\""));
    // Bytes the converter reads alone (0x80, 0xFF, a lead byte without a valid trail byte) do
    // not hide the backslash or quote after them: the text stays one literal and never runs.
    const char* stray[] = {"\x80\\'+(da.ran=1)//", "\xFF\\'+(da.ran=1)//", "\x81'+(da.ran=1)//"};
    for (const char* text : stray) {
        doc.set_value("s", text);
        EXPECT_FALSE(doc.has("ran")) << text;
        EXPECT_EQ(doc.get_text("s").size(), Text(text).size()) << text;
    }
    doc.set_value("b", "a\\b");
    EXPECT_EQ(doc.get_text("b"), Text("a\\b"));
    EXPECT_EQ(doc.get_json("b"), Text(R"("a\b")"));
}

TEST(JsonDocWriteTest, SetValueResultsAndPaths) {
    JsonDoc doc;
    EXPECT_FALSE(doc.set_value("a.b", "x"));
    EXPECT_EQ(doc.to_json(), Text("{}"));
    // The statement's value is the stored text, true only when it reads as true or non-zero.
    EXPECT_FALSE(doc.set_value("newkey", "v"));
    EXPECT_EQ(doc.to_json(), Text(R"({"newkey":"v"})"));
    EXPECT_TRUE(doc.set_value("n", "12"));
    EXPECT_TRUE(doc.set_value("t", "true"));
    EXPECT_FALSE(doc.set_value("z", "0"));
    // An absolute path to an absent member is prefixed again and fails.
    EXPECT_FALSE(doc.set_value("da.other", "1"));
    EXPECT_FALSE(doc.has("other"));
}

TEST(JsonDocWriteTest, JsonValuesMergeIntoObjectsAndReplaceEverythingElse) {
    struct Case {
        const char* json;
        const char* path;
        const char* value;
        const char* after;
    };
    const Case cases[] = {
        {R"({"o":{"a":"1","n":{"k":true}}})", "o", R"({"b":"2","n":{"m":false}})",
         R"({"o":{"a":"1","n":{"k":true,"m":false},"b":"2"}})"},
        {R"({"o":{"a":"1"}})", "o", "", R"({"o":{"a":"1"}})"},
        {R"({"o":{"l":[1]}})", "o", R"({"l":[2,3]})", R"({"o":{"l":[1,2,3]}})"},
        // A number member takes the new value, as strings and booleans do.
        {R"({"o":{"n":1,"s":"x"}})", "o", R"({"n":2,"s":"y"})", R"({"o":{"n":2,"s":"y"}})"},
        // A null member stops the merge there; what merged before stays.
        {R"({"o":{"a":"1","z":null}})", "o", R"({"a":"2","z":{"q":1}})",
         R"({"o":{"a":"2","z":null}})"},
        {R"({"l":[1,2]})", "l", "[3]", R"({"l":[3]})"},
        {R"({"l":[1,2]})", "l", "", "{}"},
        {R"({"s":"x"})", "s", R"({"a":1})", R"({"s":{"a":1}})"},
        {"{}", "o", R"({"a":1})", R"({"o":{"a":1}})"},
        {"{}", "", R"({"a":1})", R"({"a":1})"},
    };
    for (const auto& c : cases) {
        JsonDoc doc = loaded(c.json);
        doc.set_value(c.path, c.value, true);
        EXPECT_EQ(doc.to_json(), Text(c.after)) << c.json << " + " << c.value;
    }
}

TEST(JsonDocWriteTest, ExpressionsAreEvaluated) {
    JsonDoc doc;
    EXPECT_TRUE(doc.set_expression("n", "6 * 7"));
    EXPECT_TRUE(doc.set_expression("s", "'1 + 1'"));
    EXPECT_FALSE(doc.set_expression("bad", "("));
    EXPECT_EQ(doc.to_json(), Text(R"({"n":42,"s":2})"));
}

TEST(JsonDocWriteTest, ArrayElements) {
    JsonDoc doc;
    EXPECT_TRUE(doc.add_element("x", "list"));
    EXPECT_EQ(doc.to_json(), Text(R"({"list":["x"]})"));
    EXPECT_TRUE(doc.add_element("y", "list", false, true));
    EXPECT_EQ(doc.to_json(), Text(R"({"list":["y","x"]})"));
    EXPECT_FALSE(doc.add_element("it's", "list"));
    EXPECT_TRUE(doc.add_element(R"({"k":1})", "list", true));
    EXPECT_EQ(doc.to_json(), Text(R"({"list":["y","x",{"k":1}]})"));
    // A value that is not an array is replaced by one first.
    doc.set_value("s", "text");
    EXPECT_TRUE(doc.add_element("1", "s", true));
    EXPECT_EQ(doc.get_json("s"), Text("[1]"));

    doc.remove_element(2, "list");
    EXPECT_EQ(doc.get_json("list"), Text(R"(["y","x"])"));
    // The result is the assigned value's boolean: "z" reads as none.
    EXPECT_FALSE(doc.set_element(3, "list", "z"));
    EXPECT_EQ(doc.get_json("list"), Text(R"(["y","x",null,"z"])"));
    EXPECT_FALSE(doc.set_element(0, "list", "a'b"));
    EXPECT_TRUE(doc.set_element(0, "list", "[1]", true));
    EXPECT_EQ(doc.get_json("list"), Text(R"([[1],"x",null,"z"])"));
    doc.remove_element(-1, "list");
    doc.remove_element(0, "list");
    doc.remove_element(7, "list");
    EXPECT_EQ(doc.get_json("list"), Text(R"(["x",null])"));
    // On an object the index names a member.
    doc.set_element(5, "", "five");
    EXPECT_EQ(doc.get_text("[5]"), Text("five"));
}

TEST(JsonDocWriteTest, RemoveAndClear) {
    JsonDoc doc = loaded(R"({"list":["x"],"o":{"a":1}})");
    EXPECT_TRUE(doc.remove("list"));
    EXPECT_TRUE(doc.remove("never_there"));
    EXPECT_FALSE(doc.remove("missing.member"));
    EXPECT_EQ(doc.to_json(), Text(R"({"o":{"a":1}})"));
    // An object that ends up as the statement's value converts to false.
    EXPECT_FALSE(doc.clear());
    EXPECT_EQ(doc.to_json(), Text("{}"));
    EXPECT_EQ(doc.get_text("[0]"), Text());
    EXPECT_TRUE(doc.set_value("still", "1"));  // the helpers and the marker survive clear
}

TEST(JsonDocWriteTest, NumbersAreWrittenWithThirteenSignificantDigits) {
    struct Case {
        double number;
        bool result;
        const char* json;
    };
    const Case cases[] = {
        {0.1, true, "0.1"},
        {123456789012345.0, true, "123456789012300"},
        {1.0 / 3, true, "0.3333333333333"},
        {3.0, true, "3"},
        {-2.5e-7, true, "-2.5e-7"},
        {1e300, true, "1e+300"},
        {0, false, "0"},
    };
    for (const auto& c : cases) {
        JsonDoc doc;
        EXPECT_EQ(doc.set_number("x", c.number), c.result) << c.number;
        EXPECT_EQ(doc.get_json("x"), Text(c.json)) << c.number;
    }
    JsonDoc doc;
    EXPECT_FALSE(doc.set_number("x", std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(doc.set_number("x", std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(doc.to_json(), Text("{}"));
}

}  // namespace
}  // namespace kessaro
