#include "encoding/icu_codec.hpp"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>

#include <memory>
#include <string>

namespace kessaro::codec {
namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

const char* icu_name(int32_t code_page, std::string& storage) {
    switch (code_page) {
        case 0:
        case 936:
            // Matches the Windows table both ways: 0x80 = U+20AC, 0xFF = U+F8F5, user areas.
            return "windows-936-2000";
        case 65001:
            return "UTF-8";
        case 1200:
            return "UTF-16LE";
        default:
            if (code_page < 0)
                return nullptr;
            storage = "windows-" + std::to_string(code_page);
            return storage.c_str();
    }
}

// ICU's own callbacks silently drop default-ignorable code points (U+200B, U+FEFF ...): this
// one writes "?" for every code point the target lacks and for unpaired surrogates.
void write_question_mark(const void*, UConverterFromUnicodeArgs* args, const UChar*, int32_t,
                         UChar32, UConverterCallbackReason reason, UErrorCode* error) {
    if (reason > UCNV_IRREGULAR)
        return;  // reset, close, clone: nothing to write
    *error = U_ZERO_ERROR;
    ucnv_cbFromUWriteBytes(args, "?", 1, 0, error);
}

void write_replacement_character(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                                 UConverterCallbackReason reason, UErrorCode* error) {
    if (reason > UCNV_IRREGULAR)
        return;
    *error = U_ZERO_ERROR;
    static constexpr UChar kReplacement = 0xFFFD;
    ucnv_cbToUWriteUChars(args, &kReplacement, 1, 0, error);
}

Converter open_converter(int32_t code_page) {
    std::string storage;
    const char* name = icu_name(code_page, storage);
    if (name == nullptr)
        return nullptr;
    UErrorCode error = U_ZERO_ERROR;
    Converter converter(ucnv_open(name, &error));
    if (U_FAILURE(error) || !converter)
        return nullptr;
    // No best fit: a look-alike must never turn into "\" or a quote.
    ucnv_setFallback(converter.get(), false);
    ucnv_setFromUCallBack(converter.get(), write_question_mark, nullptr, nullptr, nullptr, &error);
    ucnv_setToUCallBack(converter.get(), write_replacement_character, nullptr, nullptr, nullptr,
                        &error);
    if (U_FAILURE(error))
        return nullptr;
    return converter;
}

}  // namespace

bool decode(int32_t code_page, std::string_view bytes, std::u16string& out) {
    out.clear();
    const Converter converter = open_converter(code_page);
    if (!converter)
        return false;
    if (bytes.empty())
        return true;
    // Each input byte gives at most one unit, a four-byte sequence two: the byte count bounds
    // the units.
    out.resize(bytes.size() + 1);
    UErrorCode error = U_ZERO_ERROR;
    const int32_t length =
        ucnv_toUChars(converter.get(), out.data(), static_cast<int32_t>(out.size()), bytes.data(),
                      static_cast<int32_t>(bytes.size()), &error);
    if (U_FAILURE(error) && error != U_STRING_NOT_TERMINATED_WARNING) {
        out.clear();
        return false;
    }
    out.resize(static_cast<std::size_t>(length));
    return true;
}

bool encode(int32_t code_page, std::u16string_view utf16, std::string& out) {
    out.clear();
    const Converter converter = open_converter(code_page);
    if (!converter)
        return false;
    if (utf16.empty())
        return true;
    // A unit gives at most three bytes (UTF-8), two in code page 936.
    out.resize(utf16.size() * 3 + 1);
    UErrorCode error = U_ZERO_ERROR;
    const int32_t length =
        ucnv_fromUChars(converter.get(), out.data(), static_cast<int32_t>(out.size()), utf16.data(),
                        static_cast<int32_t>(utf16.size()), &error);
    if (U_FAILURE(error) && error != U_STRING_NOT_TERMINATED_WARNING) {
        out.clear();
        return false;
    }
    out.resize(static_cast<std::size_t>(length));
    return true;
}

bool transcode(int32_t from_code_page, int32_t to_code_page, std::string_view bytes,
               std::string& out) {
    out.clear();
    const Converter source = open_converter(from_code_page);
    const Converter target = open_converter(to_code_page);
    if (!source || !target)
        return false;
    if (bytes.empty())
        return true;
    // Every input byte becomes at most three output bytes (a 936 byte as UTF-8); UTF-8 into
    // 936 never grows.
    const std::size_t bound = to_code_page == 65001 ? bytes.size() * 3 : bytes.size() * 2;
    out.resize(bound + 4);
    char* destination = out.data();
    const char* input = bytes.data();
    UErrorCode error = U_ZERO_ERROR;
    ucnv_convertEx(target.get(), source.get(), &destination, out.data() + out.size(), &input,
                   bytes.data() + bytes.size(), nullptr, nullptr, nullptr, nullptr, true, true,
                   &error);
    if (U_FAILURE(error)) {
        out.clear();
        return false;
    }
    out.resize(static_cast<std::size_t>(destination - out.data()));
    return true;
}

}  // namespace kessaro::codec
