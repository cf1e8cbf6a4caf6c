#include "http/text_cutting.hpp"

#include <optional>

#include "core/text_ops.hpp"
#include "encoding/code_page.hpp"

namespace kessaro {
namespace {

Text with_quotes(const Text& marker) {
    static const Text quote_name = utf8_to_ansi("#引号");
    return replace_text(marker, quote_name, "\"");
}

}  // namespace

Text text_left_of(const Text& text, const Text& marker, int32_t start, bool ignore_case) {
    int32_t found = -1;
    if (start >= 0) {
        found = find_text(text, marker, start, ignore_case);
    } else if (start == -1) {
        found = find_text_backwards(text, marker, std::nullopt, ignore_case);
    } else {
        // Within the first length - n bytes, that is before position length - n + 1.
        const int64_t limit = static_cast<int64_t>(text.size()) + start + 1;
        if (limit > 1) {
            found = find_text_backwards(text, marker, static_cast<int32_t>(limit), ignore_case);
        }
    }
    return found == -1 ? Text() : left_part(text, found - 1);
}

Text text_between(const Text& text, const Text& start_marker, const Text& end_marker, int32_t start,
                  bool ignore_case) {
    const Text opening = with_quotes(start_marker);
    const Text closing = with_quotes(end_marker);
    const int32_t open_at = find_text(text, opening, start, ignore_case);
    if (open_at == -1)
        return {};
    const int64_t inside = int64_t{open_at} + static_cast<int64_t>(opening.size());
    if (inside > static_cast<int64_t>(text.size()))
        return {};
    const int32_t close_at = find_text(text, closing, static_cast<int32_t>(inside), ignore_case);
    if (close_at == -1)
        return {};
    return middle_part(text, static_cast<int32_t>(inside), close_at - static_cast<int32_t>(inside));
}

}  // namespace kessaro
