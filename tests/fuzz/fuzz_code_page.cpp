// The code-page conversions on arbitrary bytes: no crash; UTF-8 into 936 never grows; 936 text
// that came out of a conversion survives the trip through UTF-8 and UTF-16 unchanged.
#include <cstdlib>

#include "encoding/code_page.hpp"
#include "tests/fuzz/fuzz_input.hpp"

using kessaro::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kessaro;
    const Text input(std::string_view(reinterpret_cast<const char*>(data), size));

    const Text ansi = utf8_to_ansi(input);
    require(ansi.size() <= input.size());
    require(utf8_to_cp936(cp936_to_utf8(ansi)) == ansi);
    require(utf16_to_cp936(cp936_to_utf16(ansi)) == ansi);
    require(utf16_to_multibyte(multibyte_to_utf16(ansi, 936, true)) == ansi);

    // Arbitrary bytes read as 936 and as UTF-16.
    const std::string utf8 = cp936_to_utf8(input);
    require(utf8.find('\0') == std::string::npos);
    const Bytes wide(std::string_view(reinterpret_cast<const char*>(data), size));
    utf16_to_multibyte(wide, 936, true);
    utf16_to_multibyte(wide, 65001, true);
    return 0;
}
