#include "core/text_ops.hpp"

#include <algorithm>
#include <cstring>

namespace kessaro {
namespace {

constexpr unsigned char kLeadMin = 0x80;

// Length of the character that starts at `pos`: a lead byte takes its trail byte along,
// unless the text ends first.
std::size_t char_length(std::string_view s, std::size_t pos) {
    return static_cast<unsigned char>(s[pos]) >= kLeadMin && pos + 1 < s.size() ? 2 : 1;
}

char fold(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Compares `what` with `s` at `pos`, both read as whole characters from a character boundary.
// Folding touches single-byte characters only: a trail byte is never a letter.
bool matches_at(std::string_view s, std::size_t pos, std::string_view what, bool ignore_case) {
    if (!ignore_case)
        return std::memcmp(s.data() + pos, what.data(), what.size()) == 0;
    for (std::size_t i = 0; i < what.size(); ++i) {
        const char a = s[pos + i];
        const char b = what[i];
        if (static_cast<unsigned char>(b) >= kLeadMin) {
            if (a != b)
                return false;
            if (i + 1 < what.size()) {
                ++i;
                if (s[pos + i] != what[i])
                    return false;
            }
        } else if (fold(a) != fold(b)) {
            return false;
        }
    }
    return true;
}

// First character boundary at or after the 0-based offset `from`.
std::size_t boundary_at_or_after(std::string_view s, std::size_t from) {
    std::size_t pos = 0;
    while (pos < from)
        pos += char_length(s, pos);
    return pos;
}

// 0-based offset of the first match on a character boundary at or after `pos` (itself a
// boundary) whose end does not pass `limit`; npos when there is none.
std::size_t scan(std::string_view s, std::size_t pos, std::string_view what, bool ignore_case,
                 std::size_t limit) {
    if (what.empty())
        return pos < limit ? pos : std::string_view::npos;
    const char first = what.front();
    const bool fold_first = ignore_case && static_cast<unsigned char>(first) < kLeadMin;
    while (pos + what.size() <= limit) {
        const char c = s[pos];
        if ((c == first || (fold_first && fold(c) == fold(first))) &&
            matches_at(s, pos, what, ignore_case)) {
            return pos;
        }
        pos += char_length(s, pos);
    }
    return std::string_view::npos;
}

bool is_blank_at(std::string_view s, std::size_t pos) {
    if (s[pos] == ' ')
        return true;
    return pos + 1 < s.size() && static_cast<unsigned char>(s[pos]) == 0xA1 &&
           static_cast<unsigned char>(s[pos + 1]) == 0xA1;
}

}  // namespace

int32_t find_text(const Text& text, const Text& what, int32_t start, bool ignore_case) {
    const std::string_view s = text.view();
    const std::size_t from = start <= 1 ? 0 : static_cast<std::size_t>(start) - 1;
    if (from >= s.size())
        return -1;
    const std::size_t found =
        scan(s, boundary_at_or_after(s, from), what.view(), ignore_case, s.size());
    return found == std::string_view::npos ? -1 : static_cast<int32_t>(found + 1);
}

int32_t find_text_backwards(const Text& text, const Text& what, std::optional<int32_t> start,
                            bool ignore_case) {
    const std::string_view s = text.view();
    std::size_t limit = s.size();
    if (start) {
        if (*start <= 1)
            return -1;
        limit = std::min(s.size(), static_cast<std::size_t>(*start) - 1);
    }
    int32_t last = -1;
    std::size_t pos = 0;
    while (true) {
        const std::size_t found = scan(s, pos, what.view(), ignore_case, limit);
        if (found == std::string_view::npos)
            break;
        last = static_cast<int32_t>(found + 1);
        if (found >= s.size())
            break;
        pos = found + char_length(s, found);
    }
    return last;
}

Text left_part(const Text& text, int32_t count) {
    if (count <= 0)
        return {};
    return Text(text.view().substr(0, static_cast<std::size_t>(count)));
}

Text right_part(const Text& text, int32_t count) {
    if (count <= 0)
        return {};
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(count));
    return Text(text.view().substr(text.size() - n));
}

Text middle_part(const Text& text, int32_t start, int32_t count) {
    if (count <= 0 || start < 1 || static_cast<std::size_t>(start) > text.size())
        return {};
    return Text(
        text.view().substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(count)));
}

Text trim_blanks(const Text& text) {
    const std::string_view s = text.view();
    std::size_t begin = 0;
    while (begin < s.size() && is_blank_at(s, begin))
        begin += s[begin] == ' ' ? 1 : 2;
    // The end is found walking forward, so an A1 A1 pair is only a blank when it is a
    // whole character.
    std::size_t end = begin;
    for (std::size_t pos = begin; pos < s.size();) {
        const bool blank = is_blank_at(s, pos);
        pos += blank ? (s[pos] == ' ' ? 1 : 2) : char_length(s, pos);
        if (!blank)
            end = pos;
    }
    return Text(s.substr(begin, end - begin));
}

TextList split_text(const Text& text, const Text& separator) {
    TextList pieces;
    const std::string_view s = text.view();
    if (s.empty())
        return pieces;
    if (separator.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    std::size_t piece_start = 0;
    while (true) {
        const std::size_t found = scan(s, piece_start, separator.view(), false, s.size());
        if (found == std::string_view::npos)
            break;
        pieces.emplace_back(s.substr(piece_start, found - piece_start));
        piece_start = found + separator.size();
    }
    if (piece_start < s.size())
        pieces.emplace_back(s.substr(piece_start));
    return pieces;
}

Text replace_text(const Text& text, const Text& what, const Text& with, int32_t start,
                  std::optional<int32_t> count, bool ignore_case) {
    const std::string_view s = text.view();
    if (s.empty() || what.empty())
        return text;
    const std::size_t from = start <= 1 ? 0 : static_cast<std::size_t>(start) - 1;
    if (from >= s.size())
        return text;
    int64_t remaining = count ? *count : INT64_MAX;
    std::string out;
    out.reserve(s.size());
    std::size_t pos = boundary_at_or_after(s, from);
    out.append(s.substr(0, pos));
    while (remaining > 0) {
        const std::size_t found = scan(s, pos, what.view(), ignore_case, s.size());
        if (found == std::string_view::npos)
            break;
        out.append(s.substr(pos, found - pos));
        out.append(with.view());
        pos = found + what.size();
        --remaining;
    }
    out.append(s.substr(pos));
    return Text(std::move(out));
}

Text upper_case(const Text& text) {
    std::string out(text.view());
    for (std::size_t pos = 0; pos < out.size();) {
        const std::size_t length = char_length(out, pos);
        if (length == 1)
            out[pos] = fold(out[pos]);
        pos += length;
    }
    return Text(std::move(out));
}

bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return fold(x) == fold(y); });
}

Text int_to_text(int32_t value) {
    return Text(std::to_string(value));
}

Text bytes_to_text(const Bytes& bytes) {
    return Text(bytes.view());
}

}  // namespace kessaro
