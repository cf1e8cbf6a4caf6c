// The picture box's readers that need no toolkit: the format chosen by the first bytes, and
// the decoders of our own for JPEG (libjpeg), PNG (libpng) and PCX. They take any bytes
// (downloads, fuzzers) and answer false on anything they cannot read; none ends the process.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace kessaro {

// A picture whose header claims more pixels than this is not read at all.
inline constexpr uint64_t max_picture_pixels = 100'000'000;

enum class PictureFormat { unknown, bmp, jpeg, png, ico, cur, gif, pcx };

// The format the first bytes announce; unknown for fewer than 8 bytes.
PictureFormat picture_format(std::string_view bytes);

// False when the header of a BMP announces uncompressed pixel rows that the data cannot hold
// (the toolkit's reader would show the part that is there); true when it cannot tell.
bool bmp_rows_complete(std::string_view bytes);

// Decoded pixels are 4 bytes each in the order B, G, R, A (the toolkit's 32-bit formats on a
// little-endian machine), rows top to bottom, no padding.
enum class PixelLayout {
    opaque,          // A is 0xFF everywhere
    straight_alpha,  // A is the pixel's opacity, colours not premultiplied
};

// Gives the decoder its output buffer of width * height * 4 bytes once the size is known (both
// at least 1, at most max_picture_pixels together); nullptr makes the decoder give up. The
// buffer belongs to the caller, who drops it when the decoder then answers false.
using PixelBuffer = std::function<unsigned char*(int32_t width, int32_t height, PixelLayout)>;

// Each answers true when the whole picture was decoded into the buffer.
bool decode_jpeg(std::string_view bytes, const PixelBuffer& buffer);
bool decode_png(std::string_view bytes, const PixelBuffer& buffer);
bool decode_pcx(std::string_view bytes, const PixelBuffer& buffer);

// True when width x height is a picture the box may read.
inline bool acceptable_picture_size(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width * height <= max_picture_pixels;
}

}  // namespace kessaro
