// The window layer's edge for texts: code page 936 inside the system, UTF-16 in the toolkit.
#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "core/text.hpp"
#include "encoding/code_page.hpp"

namespace kessaro {

inline QString to_qstring(const Text& text) {
    const std::u16string utf16 = cp936_to_utf16(text);
    return QString(reinterpret_cast<const QChar*>(utf16.data()),
                   static_cast<qsizetype>(utf16.size()));
}

inline Text to_text(const QString& text) {
    return utf16_to_cp936(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                              static_cast<std::size_t>(text.size())));
}

}  // namespace kessaro
