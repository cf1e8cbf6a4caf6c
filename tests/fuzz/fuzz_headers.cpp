// The request-header operations and Base64 on arbitrary bytes: no crash; defaults are added
// once; normalised text keeps only lines with a colon and stays stable; cut texts are parts of
// their text; Base64 decodes back to its input.
#include <cstdlib>
#include <string>

#include "core/text_ops.hpp"
#include "http/base64.hpp"
#include "http/request_headers.hpp"
#include "http/text_cutting.hpp"
#include "tests/fuzz/fuzz_input.hpp"

using kessaro::fuzz::require;
using kessaro::fuzz::single_byte;

namespace {

using kessaro::Text;

// Our own decoder, written from RFC 4648, to check the encoder against.
std::string base64_decode(std::string_view text) {
    static constexpr std::string_view kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    require(text.size() % 4 == 0);
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        uint32_t group = 0;
        int filler = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const char c = text[i + k];
            std::size_t value = 0;
            if (c == '=') {
                require(i + 4 == text.size() && k >= 2);
                ++filler;
            } else {
                require(filler == 0);
                value = kAlphabet.find(c);
                require(value != std::string_view::npos);
            }
            group = group << 6 | static_cast<uint32_t>(value);
        }
        out += static_cast<char>(group >> 16);
        if (filler < 2)
            out += static_cast<char>(group >> 8 & 0xFF);
        if (filler < 1)
            out += static_cast<char>(group & 0xFF);
    }
    return out;
}

void check_header_text(const Text& header_text, const Text& url, int32_t method) {
    using namespace kessaro;
    Text completed = header_text;
    complete_default_headers(completed, url, method);
    require(completed.view().starts_with(header_text.view()));
    for (const char* name : {"Accept:", "Referer:", "Accept-Language:", "User-Agent:"})
        require(find_text(completed, name, 1, true) != -1);
    Text again = completed;
    complete_default_headers(again, url, method);
    require(again == completed);

    const Text normal = normalise_header_lines(completed);
    require(normal.size() <= completed.size());
    require(!normal.view().starts_with("\r\n") && !normal.view().ends_with("\r\n"));
    require(upper_case(normal).size() == normal.size());
    if (single_byte(completed)) {
        require(normalise_header_lines(normal) == normal);
        for (const Text& line : split_text(normal, "\r\n"))
            require(find_text(line, ":") != -1);
    }

    const auto lines = header_lines_to_apply(normal);
    for (const auto& [name, value] : lines) {
        require(trim_blanks(name) == name && trim_blanks(value) == value);
        if (find_text(normal, "\r\n") != -1)
            require(!(name == Text("Connection") && value == Text("keep-alive")));
    }
}

void check_line(const Text& line) {
    using namespace kessaro;
    const Text name = header_name_of(line);
    const Text value = header_value_of(line);
    if (find_text(line, ":") == -1) {
        require(name.empty() && value.empty());
        return;
    }
    require(name.size() + value.size() < line.size());
    if (single_byte(line))
        require(find_text(name, ":") == -1);
    require(capitalise_first(line).size() == line.size());
}

void check_cutting(const Text& text, const Text& first, const Text& second, int32_t start,
                   bool ignore_case) {
    using namespace kessaro;
    const Text left = text_left_of(text, first, start, ignore_case);
    require(text.view().starts_with(left.view()));
    if (!left.empty()) {
        const Text found = middle_part(text, static_cast<int32_t>(left.size()) + 1,
                                       static_cast<int32_t>(first.size()));
        require(ignore_case ? upper_case(found) == upper_case(first) : found == first);
    }
    const Text between = text_between(text, first, second, start, ignore_case);
    require(text.view().find(between.view()) != std::string_view::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kessaro;
    fuzz::Input input(data, size);
    const Text header_text(input.piece());
    const Text url(input.piece());
    const Text marker(input.piece());
    const Text end_marker(input.piece());
    const int32_t method = input.number(-1, 8);
    const int32_t start = input.number(-6, 40);
    const bool ignore_case = input.flag();
    const std::string_view rest = input.rest();

    check_header_text(header_text, url, method);
    check_line(header_text);
    check_cutting(header_text, marker, end_marker, start, ignore_case);

    const Text encoded = base64_encode(Bytes(rest));
    require(encoded.size() == (rest.size() + 2) / 3 * 4);
    require(base64_decode(encoded.view()) == rest);
    return 0;
}
