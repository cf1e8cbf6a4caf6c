// Conversions between code page 936 (every text inside the system), UTF-8 and UTF-16.
// Each code point that code page 936 cannot hold becomes exactly one "?", with no best-fit
// look-alikes; malformed UTF-8 becomes "?" as well. Inputs end at their first NUL.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/bytes.hpp"
#include "core/text.hpp"

namespace kessaro {

// Reads `text` in `code_page` when `use_code_page` is true, else as UTF-8 (65001). Code page 0
// (the system's ANSI code page) is 936. The result holds UTF-16LE units, then one zero unit.
Bytes multibyte_to_utf16(const Text& text, int32_t code_page = 0, bool use_code_page = false);

// Writes `code_page` when `use_code_page` is true, else the ANSI code page (936). Reading stops
// at the first zero unit.
Text utf16_to_multibyte(const Bytes& wide, int32_t code_page = 0, bool use_code_page = false);

// UTF-8 to code page 936.
Text utf8_to_ansi(const Text& text);

// The conversions at the edges of the platform layers.
std::string cp936_to_utf8(const Text& text);
Text utf8_to_cp936(std::string_view utf8);
std::u16string cp936_to_utf16(const Text& text);
Text utf16_to_cp936(std::u16string_view utf16);

}  // namespace kessaro
