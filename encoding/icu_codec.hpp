// The one place that talks to ICU: conversions between a Windows code page number and UTF-16
// or another code page. Decoding turns each malformed sequence into one U+FFFD; encoding turns
// each code point the target lacks into one "?" (no best fit, default-ignorable characters
// included). A converter is opened per call: they may not be shared between threads and
// opening one is cheap.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kessaro::codec {

// Code page numbers as Windows gives them: 0 (the ANSI code page, here 936), 936, 65001
// (UTF-8), 1200 (UTF-16LE) and the windows-N tables ICU knows. false for an unknown one.
bool decode(int32_t code_page, std::string_view bytes, std::u16string& out);
bool encode(int32_t code_page, std::u16string_view utf16, std::string& out);
// One pass, without a full intermediate UTF-16 copy; the same bytes as decode then encode.
bool transcode(int32_t from_code_page, int32_t to_code_page, std::string_view bytes,
               std::string& out);

}  // namespace kessaro::codec
