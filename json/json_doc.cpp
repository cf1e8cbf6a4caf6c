#include "json/json_doc.hpp"

#include <charconv>
#include <cmath>

#include "core/text_ops.hpp"
#include "json/bootstrap_script.hpp"
#include "json/script_engine.hpp"

namespace kessaro {
namespace {

// Turns every marker back into a backslash: the last step of every expression that returns text.
constexpr const char* kUnmark = ".replace(str_reg, '\\\\')";

// "[2020年7月20日20时0分0秒]" in code page 936: the separator of leaf_values' joined text.
constexpr const char* kLeafSeparator =
    "[2020\xC4\xEA"
    "7\xD4\xC2"
    "20\xC8\xD5"
    "20\xCA\xB1"
    "0\xB7\xD6"
    "0\xC3\xEB]";

// A plain text made into the contents of a single-quoted script literal: backslash, single and
// double quote, carriage return and line feed are escaped. Characters are read as the code-page
// converter reads them, which is stricter than "a byte of 0x80 or more starts a pair": 0x80 and
// 0xFF stand alone, and a lead byte pairs only with a valid trail byte. Reading any such byte as
// the start of a pair would leave the backslash or quote after it unescaped while the engine
// sees it, and let the text close the literal and run as script. A lead byte without its trail
// byte becomes "?", what the converter makes of it anyway: left in place, it would pair with the
// backslash of an escape written after it.
Text escape_for_literal(const Text& value) {
    const auto is_lead = [](unsigned char b) { return b >= 0x81 && b <= 0xFE; };
    const auto is_trail = [](unsigned char b) {
        return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
    };
    const std::string_view in = value.view();
    std::string out;
    out.reserve(in.size() + in.size() / 8);
    for (std::size_t i = 0; i < in.size(); ++i) {
        const auto b = static_cast<unsigned char>(in[i]);
        if (is_lead(b) && i + 1 < in.size() && is_trail(static_cast<unsigned char>(in[i + 1]))) {
            out += in.substr(i, 2);
            ++i;
            continue;
        }
        if (is_lead(b)) {
            out += '?';
            continue;
        }
        switch (b) {
            case '\\':
                out += "\\\\";
                break;
            case '\'':
                out += "\\'";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += static_cast<char>(b);
        }
    }
    return Text(std::move(out));
}

// The number as "%.13g" writes it, always with a decimal point: the locale a window toolkit sets
// must not turn 0.5 into "0,5", which a script reads as two expressions.
Text number_literal(double number) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::general, 13);
    return Text(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

// Truncation toward zero; values beyond the 32-bit range are held at its ends.
int32_t truncate_to_int32(double number) {
    if (std::isnan(number))
        return 0;
    if (number >= 2147483647.0)
        return 2147483647;
    if (number <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int32_t>(number);
}

}  // namespace

// Lifecycle

JsonDoc::JsonDoc() : var_name_("da") {
    JsonDoc::init();
}

JsonDoc::JsonDoc(WithoutEngine) : var_name_("da") {}

JsonDoc::~JsonDoc() = default;

JsonDoc::JsonDoc(const JsonDoc& other) = default;

JsonDoc& JsonDoc::operator=(const JsonDoc& other) = default;

void JsonDoc::init() {
    // A copy made earlier keeps the old engine; this document starts on a fresh one.
    engine_ = ScriptEngine::create();
    if (!engine_)
        return;
    add_code(bootstrap_script());
    eval_discard(
        "var " + var_name_ +
        " = {}, str_Code = String.fromCharCode(9216), str_reg = new RegExp(str_Code, 'g')");
}

std::shared_ptr<ScriptEngine> JsonDoc::script_engine() const {
    return engine_;
}

// Host steps

bool JsonDoc::eval_bool(const Text& script) const {
    return engine_ ? engine_->eval_bool(script) : false;
}

Text JsonDoc::eval_text(const Text& script) const {
    return engine_ ? engine_->eval_text(script) : Text();
}

double JsonDoc::eval_number(const Text& script) const {
    return engine_ ? engine_->eval_number(script) : 0;
}

void JsonDoc::eval_discard(const Text& script) const {
    if (engine_)
        engine_->eval_discard(script);
}

void JsonDoc::add_code(const Text& script) const {
    if (engine_)
        engine_->add_code(script);
}

// Loading and paths

bool JsonDoc::parse(const Text& text, bool as_expression) {
    if (!engine_)
        return false;
    init();
    if (!engine_)
        return false;
    eval_discard("var " + var_name_ + " = null");
    // An object or array that the engine's JSON parser takes whole is the value either form
    // below would assign, loaded without running code and without the compiler's limit on the
    // elements of one literal. Everything else, a JSON string among it, keeps its script meaning.
    const auto first = text.view().find_first_not_of(" \t\r\n");
    const bool object_or_array =
        first != std::string_view::npos && (text.view()[first] == '{' || text.view()[first] == '[');
    if (!object_or_array || !engine_->load_json(var_name_, text)) {
        if (as_expression)
            add_code("var " + var_name_ + " = " + text);
        else
            add_code("var " + var_name_ + " = eval(" + text + ")");
    }
    return eval_bool(var_name_ + " != null");
}

bool JsonDoc::resolve_path(Text& path) const {
    if (path.view().starts_with(var_name_.view()) && eval_bool(path + " != null"))
        return true;
    if (path.empty())
        path = var_name_;
    else if (path.byte(0) == '[')
        path = var_name_ + path;
    else
        path = var_name_ + "." + path;
    return eval_bool(path + " != null");
}

Text JsonDoc::resolved(const Text& path) const {
    Text copy = path;
    resolve_path(copy);
    return copy;
}

bool JsonDoc::has(const Text& path) const {
    Text copy = path;
    return resolve_path(copy);
}

// Reading

int32_t JsonDoc::value_type(const Text& path) const {
    const Text p = resolved(path);
    if (eval_bool(p + " == null"))
        return 0;
    const Text tag = eval_text("Object.prototype.toString.call(" + p + ")");
    if (tag == "[object String]")
        return 6;
    if (tag == "[object Array]")
        return 5;
    if (tag == "[object Object]")
        return 4;
    if (tag == "[object Number]")
        return 2;
    if (tag == "[object Boolean]")
        return 1;
    return -1;
}

Text JsonDoc::get_text(const Text& path, bool as_json) const {
    const Text p = resolved(path);
    if (as_json)
        return eval_text("JSON.stringify(" + p + ")" + kUnmark);
    return eval_text(p + ".toString()" + kUnmark);
}

int32_t JsonDoc::member_names(TextList& names, const Text& path) const {
    const Text p = resolved(path);
    names = split_text(eval_text("get__name_All(" + p + ")"), "\r\n");
    return static_cast<int32_t>(names.size());
}

int32_t JsonDoc::member_count(const Text& path) const {
    const Text p = resolved(path);
    return truncate_to_int32(eval_number("get__count(" + p + ")"));
}

JsonDoc JsonDoc::document_of(const Text& expression) const {
    JsonDoc document;
    document.parse(eval_text("JSON.stringify(" + expression + ")" + kUnmark));
    return document;
}

JsonDoc JsonDoc::get_object(const Text& path) const {
    return document_of(resolved(path));
}

JsonDoc JsonDoc::get_element_object(int32_t index, const Text& path) const {
    return document_of(resolved(path) + "[" + int_to_text(index) + "]");
}

Text JsonDoc::get_element_text(int32_t index, const Text& path, bool as_json) const {
    const Text element = resolved(path) + "[" + int_to_text(index) + "]";
    if (as_json)
        return eval_text("JSON.stringify(" + element + ")" + kUnmark);
    return eval_text(element + kUnmark);
}

double JsonDoc::get_number(const Text& path) const {
    return eval_number(resolved(path));
}

int32_t JsonDoc::leaf_values(TextList& values, const Text& path, bool recursive) const {
    const Text p = resolved(path);
    eval_discard("var str_all = new Array()");
    eval_discard("get__nodeValue(" + p + ", " + (recursive ? "true" : "false") + ")");
    values = split_text(eval_text(Text("str_all.join('") + kLeafSeparator + "')"), kLeafSeparator);
    return static_cast<int32_t>(values.size());
}

// Changing and serialising

bool JsonDoc::clear() {
    return eval_bool(var_name_ + " = {}");
}

Text JsonDoc::to_json() const {
    return eval_text("JSON.stringify(" + var_name_ + ")" + kUnmark);
}

Text JsonDoc::get_json(const Text& path) const {
    return eval_text("JSON.stringify(" + resolved(path) + ")" + kUnmark);
}

bool JsonDoc::set_value(const Text& path, const Text& value, bool is_json) {
    Text p = path;
    const bool exists = resolve_path(p);
    if (!is_json) {
        // The engine reads the literal back into the caller's exact text, then stores it with
        // every backslash replaced by the marker.
        return eval_bool(p + " = '" + escape_for_literal(value) + "'.replace(/\\\\/g, str_Code)");
    }
    const Text merged = value.empty() ? Text("{}") : value;
    const Text tag = eval_text("Object.prototype.toString.call(" + p + ")");
    if (exists && tag == "[object Object]")
        return eval_bool(p + " = get__extend(" + p + ", " + merged + ")");
    return eval_bool(p + " = eval(" + value + ")");
}

bool JsonDoc::set_expression(const Text& path, const Text& expression) {
    return eval_bool(resolved(path) + " = eval(" + expression + ")");
}

bool JsonDoc::add_element(const Text& value, const Text& path, bool is_json, bool at_front) {
    const Text p = resolved(path);
    const Text v = is_json ? value : "'" + value + "'";
    return eval_bool("if (Object.prototype.toString.call(" + p + ") != '[object Array]') { " + p +
                     " = new Array() } " + p + (at_front ? ".unshift(" : ".push(") + v + ")");
}

bool JsonDoc::set_element(int32_t index, const Text& path, const Text& value, bool is_json) {
    const Text p = resolved(path);
    const Text v = is_json ? value : "'" + value + "'";
    return eval_bool(p + "[" + int_to_text(index) + "] = " + v);
}

bool JsonDoc::remove_element(int32_t index, const Text& path) {
    return eval_bool(resolved(path) + ".splice(" + int_to_text(index) + ", 1)");
}

bool JsonDoc::remove(const Text& path) {
    return eval_bool("delete " + resolved(path));
}

bool JsonDoc::set_number(const Text& path, double number) {
    const Text literal = number_literal(number);
    const Text p = resolved(path);
    // "inf" and "nan" are no script values: the write fails, whatever globals a reply declared.
    if (!std::isfinite(number))
        return false;
    return eval_bool(p + " = " + literal);
}

}  // namespace kessaro
