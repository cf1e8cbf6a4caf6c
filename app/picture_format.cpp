// The picture box's choice of reader by the data's first bytes, and the completeness check of
// BMP files that the toolkit's reader lacks.

#include "app/picture_decoders.hpp"

#include <cstdint>

namespace kessaro {

PictureFormat picture_format(std::string_view bytes) {
    if (bytes.size() < 8)
        return PictureFormat::unknown;
    const auto starts = [&](std::string_view prefix) { return bytes.starts_with(prefix); };
    using namespace std::string_view_literals;
    if (starts("BM"))
        return PictureFormat::bmp;
    if (starts("\xFF\xD8"))
        return PictureFormat::jpeg;
    if (starts("\x89PNG"))
        return PictureFormat::png;
    if (starts("\0\0\1\0"sv))
        return PictureFormat::ico;
    if (starts("\0\0\2\0"sv))
        return PictureFormat::cur;
    if (starts("GIF87a") || starts("GIF89a"))
        return PictureFormat::gif;
    if (bytes[0] == '\x0A')
        return PictureFormat::pcx;
    return PictureFormat::unknown;
}

namespace {

uint64_t little_endian(std::string_view bytes, std::size_t offset, int size) {
    uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value =
            value << 8 | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(i)]);
    }
    return value;
}

}  // namespace

bool bmp_rows_complete(std::string_view bytes) {
    constexpr std::size_t file_header = 14;
    if (bytes.size() < file_header + 4)
        return false;
    const uint64_t pixels_at = little_endian(bytes, 10, 4);
    const uint64_t info_size = little_endian(bytes, 14, 4);
    uint64_t width = 0, height = 0, bits = 0, compression = 0;
    if (info_size == 12) {  // the old core header: 16-bit sizes, never compressed
        if (bytes.size() < file_header + 12)
            return false;
        width = little_endian(bytes, 18, 2);
        height = little_endian(bytes, 20, 2);
        bits = little_endian(bytes, 24, 2);
    } else {
        if (info_size < 40 || bytes.size() < file_header + 40)
            return false;
        width = little_endian(bytes, 18, 4);
        const auto signed_height = static_cast<int32_t>(little_endian(bytes, 22, 4));
        // A negative height stores the rows top-down.
        height = signed_height < 0 ? 0 - static_cast<int64_t>(signed_height) : signed_height;
        bits = little_endian(bytes, 28, 2);
        compression = little_endian(bytes, 30, 4);
    }
    constexpr uint64_t uncompressed = 0, bit_fields = 3, alpha_bit_fields = 6;
    if (compression != uncompressed && compression != bit_fields &&
        compression != alpha_bit_fields) {
        return true;
    }
    // The reader itself refuses these, and the product below stays small.
    if (!acceptable_picture_size(width, height) || bits > 64)
        return true;
    const uint64_t row_bytes = (width * bits + 31) / 32 * 4;
    return pixels_at + row_bytes * height <= bytes.size();
}

}  // namespace kessaro
