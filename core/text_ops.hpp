// The text operations every subsystem shares. Positions are 1-based byte positions; scans step
// over double-byte characters of code page 936 (a byte of 0x80 or more starts a two-byte
// character), so a match never begins on a trail byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/bytes.hpp"
#include "core/text.hpp"

namespace kessaro {

// Position of the first occurrence at or after `start` (values up to 1 mean the beginning),
// -1 when there is none. `ignore_case` folds ASCII letters only.
int32_t find_text(const Text& text, const Text& what, int32_t start = 1, bool ignore_case = false);

// The last occurrence lying wholly within the first start - 1 bytes (the whole text when no
// start is given); -1 when there is none or when start is 1 or less.
int32_t find_text_backwards(const Text& text, const Text& what,
                            std::optional<int32_t> start = std::nullopt, bool ignore_case = false);

Text left_part(const Text& text, int32_t count);
Text right_part(const Text& text, int32_t count);
Text middle_part(const Text& text, int32_t start, int32_t count);

// Removes runs of ASCII spaces and ideographic spaces (A1 A1) at both ends.
Text trim_blanks(const Text& text);

// Empty pieces before or between separators are kept; the rest after the last separator is a
// piece only when not empty. An empty text gives no pieces, an empty separator the whole text.
TextList split_text(const Text& text, const Text& separator);

// Replaces occurrences from `start`, left to right without overlap: all of them, or at most
// `count` when one is given.
Text replace_text(const Text& text, const Text& what, const Text& with, int32_t start = 1,
                  std::optional<int32_t> count = std::nullopt, bool ignore_case = false);

// ASCII a..z to A..Z; double-byte characters stay as they are.
Text upper_case(const Text& text);

// ASCII letters compared without regard to case, every other byte exactly: for protocol words
// (header names, URL schemes, boolean words) in any encoding that keeps ASCII as it is.
bool equal_ignoring_ascii_case(std::string_view a, std::string_view b);

Text int_to_text(int32_t value);
Text bytes_to_text(const Bytes& bytes);

}  // namespace kessaro
