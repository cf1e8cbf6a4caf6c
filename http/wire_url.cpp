#include "http/wire_url.hpp"

#include "core/text_ops.hpp"
#include "encoding/code_page.hpp"

namespace kessaro {
namespace {

bool must_escape(unsigned char byte) {
    if (byte <= 0x20 || byte >= 0x7F)
        return true;
    switch (byte) {
        case '"':
        case '#':
        case '<':
        case '>':
        case '\\':
        case '^':
        case '`':
        case '{':
        case '|':
        case '}':
            return true;
        default:
            return false;
    }
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           equal_ignoring_ascii_case(text.substr(0, prefix.size()), prefix);
}

}  // namespace

std::string escape_url_bytes(std::string_view url) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(url.size());
    for (const char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (must_escape(byte)) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

std::string url_wire_form(const Text& url) {
    return escape_url_bytes(cp936_to_utf8(url));
}

bool has_web_scheme(std::string_view url) {
    return starts_with_ignoring_case(url, "http://") || has_secure_scheme(url);
}

bool has_secure_scheme(std::string_view url) {
    return starts_with_ignoring_case(url, "https://");
}

}  // namespace kessaro
