#include "encoding/code_page.hpp"

#include <bit>
#include <cstdint>
#include <cstring>

#include "encoding/icu_codec.hpp"

namespace kessaro {
namespace {

constexpr int32_t kAnsi = 936;
constexpr int32_t kUtf8 = 65001;

static_assert(std::endian::native == std::endian::little,
              "UTF-16 buffers hold little-endian units");

// The units before the first zero unit; a trailing odd byte is not a unit.
std::u16string_view units_of(const Bytes& wide) {
    const std::size_t count = wide.size() / 2;
    const auto* units = reinterpret_cast<const char16_t*>(wide.view().data());
    std::size_t length = 0;
    while (length < count && units[length] != 0)
        ++length;
    return {units, length};
}

}  // namespace

Bytes multibyte_to_utf16(const Text& text, int32_t code_page, bool use_code_page) {
    std::u16string units;
    if (!codec::decode(use_code_page ? code_page : kUtf8, text.view(), units))
        return Bytes();
    // Sized for what the conversion gives, plus the zero unit, so no result is ever cut short.
    std::string buffer((units.size() + 1) * 2, '\0');
    std::memcpy(buffer.data(), units.data(), units.size() * 2);
    return Bytes(std::move(buffer));
}

Text utf16_to_multibyte(const Bytes& wide, int32_t code_page, bool use_code_page) {
    std::string out;
    // A misaligned buffer is copied first: the units are read as char16_t.
    if (reinterpret_cast<std::uintptr_t>(wide.view().data()) % alignof(char16_t) != 0) {
        return utf16_to_multibyte(Bytes(std::string(wide.view())), code_page, use_code_page);
    }
    if (!codec::encode(use_code_page ? code_page : kAnsi, units_of(wide), out))
        return Text();
    return Text(std::move(out));
}

Text utf8_to_ansi(const Text& text) {
    // One pass through ICU gives the same bytes as the two passes through UTF-16.
    std::string out;
    if (!codec::transcode(kUtf8, kAnsi, text.view(), out))
        return Text();
    return Text(std::move(out));
}

std::string cp936_to_utf8(const Text& text) {
    std::string out;
    codec::transcode(kAnsi, kUtf8, text.view(), out);
    return out;
}

Text utf8_to_cp936(std::string_view utf8) {
    return utf8_to_ansi(Text(utf8));
}

std::u16string cp936_to_utf16(const Text& text) {
    std::u16string out;
    codec::decode(kAnsi, text.view(), out);
    return out;
}

Text utf16_to_cp936(std::u16string_view utf16) {
    const std::size_t nul = utf16.find(u'\0');
    std::string out;
    codec::encode(kAnsi, utf16.substr(0, nul), out);
    return Text(std::move(out));
}

}  // namespace kessaro
