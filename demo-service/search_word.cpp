#include "demo-service/search_word.hpp"

namespace kessaro::demo {
namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string percent_decode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 &&
            hex_value(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string search_word(std::string_view target) {
    const std::size_t question = target.find('?');
    if (question == std::string_view::npos)
        return {};
    std::string_view query = target.substr(question + 1);
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        constexpr std::string_view key = "content=";
        if (!pair.starts_with(key))
            continue;
        std::string_view value = pair.substr(key.size());
        if (value.starts_with('%'))
            value.remove_prefix(1);
        return percent_decode(value);
    }
    return {};
}

}  // namespace kessaro::demo
