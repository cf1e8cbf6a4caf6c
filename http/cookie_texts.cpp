#include "http/cookie_texts.hpp"

#include <algorithm>

#include "core/text_ops.hpp"
#include "http/text_cutting.hpp"

namespace kessaro {
namespace {

const Text kSeparator = "; ";
const Text kDeleted = "=deleted";

bool ends_with(const Text& text, const Text& tail) {
    return text.size() >= tail.size() &&
           right_part(text, static_cast<int32_t>(tail.size())) == tail;
}

Text without_last(const Text& text, std::size_t count) {
    return left_part(text, static_cast<int32_t>(text.size() - count));
}

// Trims the text and completes a final ";" to the separator.
void tidy_cookie_text(Text& text) {
    text = trim_blanks(text);
    if (ends_with(text, ";"))
        text += Text(" ");
}

}  // namespace

Text extract_set_cookies(const Text& response_headers) {
    Text cookies;
    for (const Text& line : split_text(response_headers, "\r\n")) {
        if (text_left_of(line, ": ") != Text("Set-Cookie"))
            continue;
        const Text piece = find_text(line, ";") != -1
                               ? text_between(line, "Set-Cookie:", ";")
                               : replace_text(line, "Set-Cookie:", "", 1, std::nullopt, true);
        cookies += trim_blanks(piece) + kSeparator;
    }
    if (ends_with(cookies, kSeparator))
        cookies = without_last(cookies, kSeparator.size());
    return cookies;
}

Text merge_cookie_texts(Text& cookies, Text& returned_cookies) {
    tidy_cookie_text(cookies);
    tidy_cookie_text(returned_cookies);
    const TextList sent = split_text(cookies, kSeparator);
    TextList merged = split_text(returned_cookies, kSeparator);
    for (const Text& piece : sent) {
        if (!has_cookie_named(merged, cookie_name_of(piece)))
            merged.push_back(piece);
    }
    Text text;
    for (const Text& piece : merged) {
        if (!ends_with(piece, kDeleted))
            text += piece + kSeparator;
    }
    if (!text.empty())
        text = without_last(text, kSeparator.size());
    text = remove_duplicate_pieces(text, kSeparator);
    cookies = text;
    return text;
}

Text cookie_name_of(const Text& piece) {
    const int32_t equals = find_text(piece, "=");
    return trim_blanks(equals == -1 ? piece : left_part(piece, equals - 1));
}

bool has_cookie_named(const TextList& pieces, const Text& name) {
    for (const Text& piece : pieces) {
        if (cookie_name_of(piece) == name)
            return true;
    }
    return false;
}

Text remove_duplicate_pieces(const Text& text, const Text& separator) {
    TextList seen;
    Text result;
    for (const Text& piece : split_text(text, separator)) {
        if (index_of_text(seen, piece) != -1)
            continue;
        seen.push_back(piece);
        result += piece + separator;
    }
    if (!result.empty())
        result = without_last(result, std::min(separator.size(), result.size()));
    return result;
}

int32_t index_of_text(const TextList& list, const Text& text) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == text)
            return static_cast<int32_t>(i + 1);
    }
    return -1;
}

}  // namespace kessaro
