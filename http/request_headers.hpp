// The request-header text: lines of "name: value" joined by CR LF, completed with the default
// headers, rewritten with capitalised names, and handed line by line to a request object.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "core/text.hpp"

namespace kessaro {

// Appends, for each default header the text lacks (searched anywhere, ASCII case ignored, the
// colon included), CR LF and the default line: Accept, Referer (the url unchanged),
// Accept-Language, User-Agent, and Content-Type for method 1 (POST) only.
void complete_default_headers(Text& header_text, const Text& url, int32_t method);

// Keeps the lines that hold a ":", upper-cases the first letter of each "-"-separated part of
// their names and joins them again with CR LF (no leading or trailing CR LF).
Text normalise_header_lines(const Text& header_text);

// The text with its first byte upper-cased when it is a to z.
Text capitalise_first(const Text& text);

// The trimmed text before / after the first ":" of the line; empty when there is none.
Text header_name_of(const Text& line);
Text header_value_of(const Text& line);

// The (name, value) pairs that apply_header_lines hands on, in order: a text without CR LF is
// one line even when empty; otherwise empty lines and exact "Connection: keep-alive" lines
// are skipped.
std::vector<std::pair<Text, Text>> header_lines_to_apply(const Text& header_text);

// One SetRequestHeader call per line of the header text. Any object with that member will do,
// so the calls can be watched without a network.
template <class RequestObject>
void apply_header_lines(RequestObject& request, const Text& header_text) {
    for (const auto& [name, value] : header_lines_to_apply(header_text)) {
        request.SetRequestHeader(name, value);
    }
}

}  // namespace kessaro
