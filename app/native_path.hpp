// The file layer's edge: paths inside the system are code page 936 texts with "\" as the
// separator; the file system takes UTF-8 with "/".
#pragma once

#include <string>
#include <string_view>

#include "core/text.hpp"

namespace kessaro {

// Converts to UTF-8 first and only then turns "\" into "/": 0x5C can be the second byte of a
// double-byte 936 character, so the 936 bytes themselves are never searched for it.
std::string native_path(const Text& path);

// A file-system path (UTF-8) as a 936 text; its "/" separators stay as they are.
Text text_from_native_path(std::string_view utf8_path);

}  // namespace kessaro
