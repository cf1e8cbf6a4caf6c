// Cookie texts: "; "-separated pieces, normally name=value, taken from Set-Cookie lines and
// merged with the cookies that were sent. Names are trimmed for comparison only; pieces travel
// byte for byte.
#pragma once

#include <cstdint>

#include "core/text.hpp"

namespace kessaro {

// The name=value pieces of the "Set-Cookie: " lines (exact letter case) of a response's header
// text, joined by "; ".
Text extract_set_cookies(const Text& response_headers);

// Returned pieces in their order, then the sent pieces whose names no returned piece has,
// without pieces ending in "=deleted" and without exact repeats. Both arguments come back
// trimmed (with "; " completed after a final ";"), and `cookies` holds the result as well.
Text merge_cookie_texts(Text& cookies, Text& returned_cookies);

// The trimmed text before the piece's first "=", or the whole piece trimmed.
Text cookie_name_of(const Text& piece);

bool has_cookie_named(const TextList& pieces, const Text& name);

// The text with every piece that equals an earlier piece removed.
Text remove_duplicate_pieces(const Text& text, const Text& separator);

// 1-based position of the first element equal to `text`, -1 when there is none.
int32_t index_of_text(const TextList& list, const Text& text);

}  // namespace kessaro
