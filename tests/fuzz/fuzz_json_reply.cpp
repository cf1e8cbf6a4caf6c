// A search reply of arbitrary bytes through what the collect does with it: the UTF-8 body into
// 936 text, the document parsed (evaluated as script when it is not plain JSON), the number of
// elements of data.list and the tag and url of the first elements read. Every step is bounded by
// the engine's time and heap limits, so each input ends; afterwards the same document still
// reads an ordinary reply correctly (checked on every 16th input).
#include <cstdlib>
#include <optional>

#include "core/text_ops.hpp"
#include "encoding/code_page.hpp"
#include "json/json_doc.hpp"
#include "tests/fuzz/fuzz_input.hpp"

using kessaro::fuzz::require;

namespace {

using namespace kessaro;

Text element_path(int32_t index, const char* member) {
    return "data.list[" + int_to_text(index) + "]." + member;
}

// The one document of the process, reused from reply to reply as the collect reuses it.
JsonDoc& reply_doc() {
    static JsonDoc doc;
    return doc;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes body(data, size);
    const Text reply = utf8_to_ansi(bytes_to_text(body));
    JsonDoc& doc = reply_doc();
    if (doc.parse(reply)) {
        const int32_t count = doc.member_count("data.list");
        for (int32_t k = 0; k < 2 && k < count; ++k) {
            doc.get_text(element_path(k, "tag"));
            doc.get_text(element_path(k, "url"));
        }
    }
    // Each parse builds a new engine, the bulk of an input's time: the check of what a reply
    // leaves behind runs on every 16th input only.
    static int inputs = 0;
    if (++inputs % 16 != 1)
        return 0;
    require(
        doc.parse("{\"data\":{\"list\":[{\"tag\":\"t\",\"url\":\"http://127.0.0.1/1.jpg\"}]}}"));
    require(doc.member_count("data.list") == 1);
    require(doc.get_text(element_path(0, "url")) == Text("http://127.0.0.1/1.jpg"));
    return 0;
}
