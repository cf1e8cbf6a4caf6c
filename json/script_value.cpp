#include "json/script_value.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "core/text_ops.hpp"
#include "encoding/code_page.hpp"

namespace kessaro {
namespace {

std::string_view trim_spaces(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// A numeral: optional blanks and sign, digits with an optional decimal point (at least one
// digit on either side), an optional exponent. Nothing else reads as a number: no words, no
// hexadecimal, no "Infinity".
bool read_numeral(std::string_view text, double& number) {
    text = trim_spaces(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::size_t at = 0;
    std::size_t digits = 0;
    while (at < text.size() && is_digit(text[at]))
        ++at, ++digits;
    if (at < text.size() && text[at] == '.') {
        ++at;
        while (at < text.size() && is_digit(text[at]))
            ++at, ++digits;
    }
    if (digits == 0)
        return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-'))
            ++exponent;
        if (exponent == text.size() || !is_digit(text[exponent]))
            return false;
        at = exponent;
        while (at < text.size() && is_digit(text[at]))
            ++at;
    }
    if (at != text.size())
        return false;
    // from_chars takes neither a leading "+" nor a bare trailing "."; both are gone or harmless
    // here, and an exponent out of range gives the infinity or zero it stands for.
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + at, value);
    if (error == std::errc::result_out_of_range) {
        const std::size_t mantissa_end = text.find_first_of("eE");
        const bool exponent_negative = mantissa_end != std::string_view::npos &&
                                       mantissa_end + 1 < text.size() &&
                                       text[mantissa_end + 1] == '-';
        value = exponent_negative ? 0.0 : HUGE_VAL;
    } else if (error != std::errc() || end != text.data() + at) {
        return false;
    }
    number = negative ? -value : value;
    return true;
}

void append_utf8(std::string& out, uint32_t code_point) {
    if (code_point < 0x10000) {
        out += static_cast<char>(0xE0 | (code_point >> 12));
        out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
        return;
    }
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
}

// The surrogate half (0xD800..0xDFFF) encoded at `at`, or 0 when there is none.
uint32_t surrogate_at(std::string_view text, std::size_t at) {
    if (at + 3 > text.size())
        return 0;
    const auto b0 = static_cast<unsigned char>(text[at]);
    const auto b1 = static_cast<unsigned char>(text[at + 1]);
    const auto b2 = static_cast<unsigned char>(text[at + 2]);
    if (b0 != 0xED || b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80)
        return 0;
    return 0xD000u | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
}

bool is_ascii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

}  // namespace

bool script_value_to_bool(const ScriptValue& value) {
    switch (value.kind) {
        case ScriptValue::Kind::boolean:
            return value.boolean;
        case ScriptValue::Kind::number:
            return value.number != 0;  // NaN is not zero
        case ScriptValue::Kind::string: {
            const std::string_view word = trim_spaces(value.text);
            if (equal_ignoring_ascii_case(word, "true"))
                return true;
            double number = 0;
            return read_numeral(word, number) && number != 0;
        }
        default:
            return false;
    }
}

Text script_value_to_text(const ScriptValue& value) {
    switch (value.kind) {
        case ScriptValue::Kind::boolean:
            return value.boolean ? "true" : "false";
        case ScriptValue::Kind::number:
        case ScriptValue::Kind::string:
            return script_to_text(value.text);
        default:
            return {};
    }
}

double script_value_to_number(const ScriptValue& value) {
    switch (value.kind) {
        case ScriptValue::Kind::boolean:
            return value.boolean ? -1 : 0;
        case ScriptValue::Kind::number:
            return value.number;
        case ScriptValue::Kind::string: {
            double number = 0;
            return read_numeral(value.text, number) ? number : 0;
        }
        default:
            return 0;
    }
}

std::string text_to_script(const Text& text) {
    return is_ascii(text.view()) ? text.str() : cp936_to_utf8(text);
}

Text script_to_text(std::string_view utf8) {
    return is_ascii(utf8) ? Text(utf8) : utf8_to_cp936(cesu8_to_utf8(utf8));
}

std::string cesu8_to_utf8(std::string_view text) {
    if (text.find('\xED') == std::string_view::npos)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const uint32_t high = surrogate_at(text, at);
        if (high == 0) {
            out += text[at++];
            continue;
        }
        const uint32_t low = surrogate_at(text, at + 3);
        if (high <= 0xDBFF && low >= 0xDC00) {
            append_utf8(out, 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00));
            at += 6;
        } else {
            append_utf8(out, 0xFFFD);
            at += 3;
        }
    }
    return out;
}

}  // namespace kessaro
