// The form in which a URL goes on the wire: UTF-8, with every byte that may not stand in a
// request line percent-escaped. "%" is left alone, so an escaped URL passes through unchanged.
#pragma once

#include <string>
#include <string_view>

#include "core/text.hpp"

namespace kessaro {

// Escapes controls, space, bytes of 0x80 and above, " # < > \ ^ ` { | } as %XX. "#" is
// escaped too: the request line never carries a fragment, and a search word holding "#" must
// reach the service whole.
std::string escape_url_bytes(std::string_view url);

// The 936 url converted to UTF-8 and escaped.
std::string url_wire_form(const Text& url);

// True when the url starts with "http://" or "https://" (letter case ignored): the only
// schemes a request or a redirect may use.
bool has_web_scheme(std::string_view url);
bool has_secure_scheme(std::string_view url);

}  // namespace kessaro
