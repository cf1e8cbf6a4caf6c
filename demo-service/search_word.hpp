// Reading the search word out of the request target, exactly as the tool sends it.
#pragma once

#include <string>
#include <string_view>

namespace kessaro::demo {

// The tool writes "content=%" followed by the word, whose UTF-8 bytes its request layer has
// percent-escaped. The word is the value of the first "content" key of the raw query: the one
// "%" that precedes it is dropped, then the rest is percent-decoded. Decoding the value as a
// whole would read "%20" out of "%2024..." (the word "2024壁纸") as a space. A "%" not followed
// by two hex digits stays as it is, and "+" stays a plus sign.
std::string search_word(std::string_view target);

// Percent-decodes every "%" followed by two hex digits.
std::string percent_decode(std::string_view text);

}  // namespace kessaro::demo
