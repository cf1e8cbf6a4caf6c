// PNG for the picture box through libpng's simplified reading interface, into B, G, R, A with
// 8 bits per channel.
#include <png.h>

#include "app/picture_decoders.hpp"

namespace kessaro {

bool decode_png(std::string_view bytes, const PixelBuffer& buffer) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        png_image_free(&image);
        return false;
    }
    const bool has_alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    if (!acceptable_picture_size(image.width, image.height)) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_BGRA;
    unsigned char* pixels =
        buffer(static_cast<int32_t>(image.width), static_cast<int32_t>(image.height),
               has_alpha ? PixelLayout::straight_alpha : PixelLayout::opaque);
    if (!pixels) {
        png_image_free(&image);
        return false;
    }
    const bool decoded = png_image_finish_read(&image, nullptr, pixels, 0, nullptr) != 0;
    png_image_free(&image);
    return decoded;
}

}  // namespace kessaro
