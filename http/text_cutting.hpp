// Cutting a text at markers, as done on response header lines.
#pragma once

#include <cstdint>

#include "core/text.hpp"

namespace kessaro {

// The text before an occurrence of `marker`, empty when there is none. A start of 0 or more
// takes the first occurrence at or after it (0 and 1 mean the beginning); -1 the last one in
// the whole text; -n (n >= 2) the last one within the first length - n bytes.
Text text_left_of(const Text& text, const Text& marker, int32_t start = 0,
                  bool ignore_case = false);

// The text between the first `start_marker` at or after `start` and the first `end_marker`
// after it; empty when either is missing. "#引号" in a marker stands for a double quote.
Text text_between(const Text& text, const Text& start_marker, const Text& end_marker,
                  int32_t start = 0, bool ignore_case = false);

}  // namespace kessaro
