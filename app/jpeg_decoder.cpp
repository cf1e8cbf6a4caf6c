// JPEG for the picture box through libjpeg: three components come out as colour, one as grey,
// both written as opaque B, G, R, A pixels by the library itself.
#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "app/picture_decoders.hpp"

namespace kessaro {

namespace {

// More scans than any real picture has: a crafted progressive file could otherwise keep the
// window thread decoding for minutes.
constexpr int max_scans = 500;

// libjpeg's default error handler ends the process; ours jumps back to the decoder instead.
struct ErrorJump {
    jpeg_error_mgr manager;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
};

[[noreturn]] void fail(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1);
}

// A warning means corrupt or truncated data (the library would go on with invented pixels);
// trace messages (level 1 and above) are ignored.
void on_message(j_common_ptr info, int level) {
    if (level < 0)
        fail(info);
}

void no_output(j_common_ptr) {}

void limit_scans(j_common_ptr info) {
    if (info->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > max_scans) {
        fail(info);
    }
}

// Only plain-data locals live in this frame: a longjmp out of libjpeg skips no destructor.
bool decode(jpeg_decompress_struct& info, ErrorJump& errors, std::string_view bytes,
            const PixelBuffer& buffer) {
    if (setjmp(errors.jump))
        return false;
    jpeg_create_decompress(&info);
    info.progress = &errors.progress;
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK)
        return false;
    if (info.num_components != 1 && info.num_components != 3)
        return false;
    if (!acceptable_picture_size(info.image_width, info.image_height))
        return false;
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    const JDIMENSION width = info.output_width;
    const JDIMENSION height = info.output_height;
    if (info.output_components != 4 || !acceptable_picture_size(width, height))
        return false;
    unsigned char* pixels =
        buffer(static_cast<int32_t>(width), static_cast<int32_t>(height), PixelLayout::opaque);
    if (!pixels)
        return false;
    const std::size_t stride = std::size_t{width} * 4;
    while (info.output_scanline < height) {
        JSAMPROW rows[4];
        const JDIMENSION first = info.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(4, height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = pixels + (first + i) * stride;
        if (jpeg_read_scanlines(&info, rows, count) == 0)
            return false;
    }
    jpeg_finish_decompress(&info);
    return true;
}

}  // namespace

bool decode_jpeg(std::string_view bytes, const PixelBuffer& buffer) {
    jpeg_decompress_struct info{};
    ErrorJump errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = fail;
    errors.manager.emit_message = on_message;
    errors.manager.output_message = no_output;
    errors.progress.progress_monitor = limit_scans;
    const bool decoded = decode(info, errors, bytes, buffer);
    jpeg_destroy_decompress(&info);
    return decoded;
}

}  // namespace kessaro
