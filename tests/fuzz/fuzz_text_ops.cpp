// The shared text operations on arbitrary bytes: no crash, results within their bounds, and a
// reported match really is one.
#include <cstdlib>

#include "core/text_ops.hpp"
#include "tests/fuzz/fuzz_input.hpp"

using kessaro::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kessaro;
    fuzz::Input input(data, size);
    const Text text(input.piece());
    const Text what(input.piece());
    const Text with(input.piece());
    const int32_t start = input.number(-3, 40);
    const int32_t count = input.number(-2, 10);
    const bool ignore_case = input.flag();

    const int32_t found = find_text(text, what, start, ignore_case);
    require(found == -1 ||
            (found >= 1 && static_cast<size_t>(found) - 1 + what.size() <= text.size()));
    if (found != -1 && !ignore_case) {
        require(text.view().substr(static_cast<size_t>(found) - 1, what.size()) == what.view());
    }
    const int32_t last = find_text_backwards(text, what, start, ignore_case);
    require(last == -1 || (last >= 1 && last + static_cast<int32_t>(what.size()) <= start));

    require(left_part(text, count).size() <= text.size());
    require(right_part(text, count).size() <= text.size());
    require(middle_part(text, start, count).size() <= text.size());
    require(trim_blanks(text).size() <= text.size());
    require(upper_case(text).size() == text.size());

    const TextList pieces = split_text(text, what);
    size_t joined = 0;
    for (const Text& piece : pieces)
        joined += piece.size();
    require(joined <= text.size());

    const Text replaced = replace_text(text, what, with, start, count, ignore_case);
    if (what.empty())
        require(replaced == text);
    return 0;
}
