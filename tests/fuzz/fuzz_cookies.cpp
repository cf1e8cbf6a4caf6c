// The cookie texts on arbitrary bytes: no crash; the merge hands back what it promises. The
// checks of pieces hold for single-byte texts (a lead byte can swallow a separator's first byte,
// so splitting a joined 936 text need not give back its pieces).
#include <cstdlib>

#include "core/text_ops.hpp"
#include "http/cookie_texts.hpp"
#include "tests/fuzz/fuzz_input.hpp"

using kessaro::fuzz::require;
using kessaro::fuzz::single_byte;

namespace {

using kessaro::Text;
using kessaro::TextList;

bool holds(const TextList& list, const Text& text) {
    return kessaro::index_of_text(list, text) != -1;
}

bool deleted(const Text& piece) {
    return piece.view().ends_with("=deleted");
}

// What the merge does to each argument before it splits them.
Text tidied(const Text& text) {
    Text tidy = kessaro::trim_blanks(text);
    if (tidy.view().ends_with(";"))
        tidy += Text(" ");
    return tidy;
}

void check_pieces(const Text& sent, const Text& returned, const Text& merged) {
    const TextList sent_pieces = kessaro::split_text(tidied(sent), "; ");
    const TextList returned_pieces = kessaro::split_text(tidied(returned), "; ");
    const TextList merged_pieces = kessaro::split_text(merged, "; ");
    TextList seen;
    for (const Text& piece : merged_pieces) {
        require(holds(sent_pieces, piece) || holds(returned_pieces, piece));
        require(!deleted(piece));
        require(!holds(seen, piece));
        seen.push_back(piece);
    }
    // Every returned piece survives unless deleted (an empty last piece goes with the final
    // separator); a sent piece only when no returned piece has its name.
    for (const Text& piece : returned_pieces) {
        require(deleted(piece) || piece.empty() || holds(merged_pieces, piece));
    }
    for (const Text& piece : merged_pieces) {
        if (!holds(returned_pieces, piece)) {
            require(!kessaro::has_cookie_named(returned_pieces, kessaro::cookie_name_of(piece)));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kessaro;
    fuzz::Input input(data, size);
    const Text sent(input.piece());
    const Text returned(input.piece());
    const Text separator(input.piece());
    const Text headers(input.rest());

    Text cookies = sent;
    Text returned_cookies = returned;
    const Text merged = merge_cookie_texts(cookies, returned_cookies);
    require(cookies == merged);
    require(returned_cookies == tidied(returned));
    require(merged.size() <= sent.size() + returned.size() + 4);

    const Text name = cookie_name_of(sent);
    require(name.size() <= sent.size());
    require(trim_blanks(name) == name);

    const Text unique = remove_duplicate_pieces(returned, separator);
    require(unique.size() <= returned.size());

    require(extract_set_cookies(headers).size() <= headers.size());

    if (single_byte(sent) && single_byte(returned)) {
        check_pieces(sent, returned, merged);
        require(find_text(name, "=") == -1 || find_text(sent, "=") == -1);
        if (separator == Text("; ")) {
            const TextList pieces = split_text(returned, separator);
            for (const Text& piece : split_text(unique, separator))
                require(holds(pieces, piece));
        }
    }
    return 0;
}
