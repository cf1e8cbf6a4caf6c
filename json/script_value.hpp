// The value a script evaluation answers, and its conversion into the boolean, text or number a
// host step hands back.
#pragma once

#include <string>
#include <string_view>

#include "core/text.hpp"

namespace kessaro {

// An object or array never reaches these rules as itself: the engine layer first replaces it
// by its script default value (a plain object gives "[object Object]", an array its elements
// joined by ","), and that value converts by the rules of its own kind.
struct ScriptValue {
    enum class Kind { failed, undefined, null, boolean, number, string };
    Kind kind = Kind::failed;
    bool boolean = false;
    double number = 0;
    // UTF-8: the string itself, or the script's own decimal form of a number.
    std::string text;
};

// A boolean stays itself, a number is true when not zero, a string only when it reads as a
// boolean word or a non-zero numeral; undefined, null, a failure and any other string: false.
bool script_value_to_bool(const ScriptValue& value);

// A string as it stands, a number in the script's decimal form, a boolean as "true" or "false";
// undefined, null and a failure give the empty text. Characters that code page 936 lacks
// become "?".
Text script_value_to_text(const ScriptValue& value);

// A number as it is, a boolean as -1 or 0, a string only when it reads as a numeral; undefined,
// null, a failure and any other string give 0.
double script_value_to_number(const ScriptValue& value);

// Texts cross the engine's edge through these two: code page 936 in, UTF-8 to the engine, and
// back. Pure ASCII reads the same in both and skips the converter, which would otherwise be a
// tenth of the cost of a short evaluation.
std::string text_to_script(const Text& text);
Text script_to_text(std::string_view utf8);

// Duktape hands out characters beyond the 16-bit range as two encoded surrogate halves; this
// joins each pair into the one UTF-8 sequence of its code point, and turns a lone half into
// U+FFFD, so that the code-page conversion sees one character either way.
std::string cesu8_to_utf8(std::string_view text);

}  // namespace kessaro
