#include "demo-service/picture_encoders.hpp"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <png.h>

namespace kessaro::demo {
namespace {

void put_u16le(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put_u32le(std::string& out, uint32_t value) {
    put_u16le(out, value & 0xFFFF);
    put_u16le(out, value >> 16);
}

// libjpeg's default error handler ends the process; this one jumps back to the encoder.
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

void jpeg_error_exit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->back, 1);
}

// Runs the whole compression between setjmp and the end of the call, with no C++ object alive
// across it, so that a longjmp out of libjpeg skips no destructor. Returns a malloc'd buffer.
unsigned char* jpeg_compress_to_memory(const Raster& raster, int quality, unsigned long* size) {
    jpeg_compress_struct info;
    JpegError error;
    unsigned char* buffer = nullptr;
    *size = 0;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpeg_error_exit;
    if (setjmp(error.back)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        *size = 0;
        return nullptr;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, size);
    info.image_width = static_cast<JDIMENSION>(raster.width);
    info.image_height = static_cast<JDIMENSION>(raster.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(
            &raster.rgb[static_cast<std::size_t>(info.next_scanline) * raster.width * 3]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return buffer;
}

// The fixed GIF palette: 4 levels of red, 8 of green, 4 of blue.
constexpr int kRedLevels = 4, kGreenLevels = 8, kBlueLevels = 4;

uint8_t level_value(int level, int levels) {
    return static_cast<uint8_t>(level * 255 / (levels - 1));
}

int nearest_level(uint8_t value, int levels) {
    return (value * (levels - 1) + 127) / 255;
}

uint8_t palette_index(const uint8_t* rgb) {
    return static_cast<uint8_t>(nearest_level(rgb[0], kRedLevels) * kGreenLevels * kBlueLevels +
                                nearest_level(rgb[1], kGreenLevels) * kBlueLevels +
                                nearest_level(rgb[2], kBlueLevels));
}

// LSB-first bit packing into 255-byte data sub-blocks.
class GifCodeWriter {
  public:
    explicit GifCodeWriter(std::string& out) : out_(out) {}
    void write(unsigned code, int width) {
        bits_ |= code << count_;
        count_ += width;
        while (count_ >= 8) {
            push(static_cast<char>(bits_ & 0xFF));
            bits_ >>= 8;
            count_ -= 8;
        }
    }
    void finish() {
        if (count_ > 0)
            push(static_cast<char>(bits_ & 0xFF));
        flush_block();
        out_ += '\0';  // block terminator
    }

  private:
    void push(char byte) {
        block_ += byte;
        if (block_.size() == 255)
            flush_block();
    }
    void flush_block() {
        if (block_.empty())
            return;
        out_ += static_cast<char>(block_.size());
        out_ += block_;
        block_.clear();
    }
    std::string& out_;
    std::string block_;
    uint32_t bits_ = 0;
    int count_ = 0;
};

}  // namespace

std::string encode_png(const Raster& raster) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(raster.width);
    image.height = static_cast<png_uint_32>(raster.height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, raster.rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    std::string out(size, '\0');
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, raster.rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    out.resize(size);
    return out;
}

std::string encode_jpeg(const Raster& raster, int quality) {
    unsigned long size = 0;
    unsigned char* buffer = jpeg_compress_to_memory(raster, quality, &size);
    if (!buffer)
        return {};
    std::string out(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

std::string encode_bmp(const Raster& raster) {
    const uint32_t row_size = (static_cast<uint32_t>(raster.width) * 3 + 3) & ~3u;
    const uint32_t pixel_bytes = row_size * static_cast<uint32_t>(raster.height);
    std::string out;
    out.reserve(54 + pixel_bytes);
    out += "BM";
    put_u32le(out, 54 + pixel_bytes);
    put_u32le(out, 0);
    put_u32le(out, 54);  // pixel data offset
    put_u32le(out, 40);  // BITMAPINFOHEADER
    put_u32le(out, static_cast<uint32_t>(raster.width));
    put_u32le(out, static_cast<uint32_t>(raster.height));
    put_u16le(out, 1);   // planes
    put_u16le(out, 24);  // bits per pixel
    put_u32le(out, 0);   // no compression
    put_u32le(out, pixel_bytes);
    put_u32le(out, 2835);  // 72 dpi
    put_u32le(out, 2835);
    put_u32le(out, 0);
    put_u32le(out, 0);
    for (int y = raster.height - 1; y >= 0; --y) {
        const uint8_t* row = &raster.rgb[static_cast<std::size_t>(y) * raster.width * 3];
        for (int x = 0; x < raster.width; ++x) {
            out += static_cast<char>(row[x * 3 + 2]);
            out += static_cast<char>(row[x * 3 + 1]);
            out += static_cast<char>(row[x * 3]);
        }
        out.append(row_size - static_cast<uint32_t>(raster.width) * 3, '\0');
    }
    return out;
}

std::string encode_gif(const std::vector<Raster>& frames, int delay_cs) {
    if (frames.empty())
        return {};
    const int width = frames.front().width;
    const int height = frames.front().height;
    std::string out = "GIF89a";
    put_u16le(out, static_cast<unsigned>(width));
    put_u16le(out, static_cast<unsigned>(height));
    out += static_cast<char>(0xF6);  // global colour table of 2^(6+1) = 128 entries, 8-bit colour
    out += '\0';                     // background colour index
    out += '\0';                     // no aspect ratio
    for (int r = 0; r < kRedLevels; ++r) {
        for (int g = 0; g < kGreenLevels; ++g) {
            for (int b = 0; b < kBlueLevels; ++b) {
                out += static_cast<char>(level_value(r, kRedLevels));
                out += static_cast<char>(level_value(g, kGreenLevels));
                out += static_cast<char>(level_value(b, kBlueLevels));
            }
        }
    }
    // Loop forever.
    out +=
        "\x21\xFF\x0B"
        "NETSCAPE2.0"
        "\x03\x01";
    put_u16le(out, 0);
    out += '\0';

    constexpr int kMinCodeSize = 7;
    constexpr unsigned kClear = 1u << kMinCodeSize;
    constexpr unsigned kEnd = kClear + 1;
    constexpr int kCodeWidth = kMinCodeSize + 1;
    // Every code is a single pixel. A decoder adds a table entry for each code after a clear
    // and widens its codes at 256 entries; a clear every 100 codes keeps them 8 bits wide.
    constexpr int kCodesPerClear = 100;
    for (const Raster& frame : frames) {
        if (frame.width != width || frame.height != height)
            return {};
        out += "\x21\xF9\x04";
        out += '\x04';  // disposal: leave in place; no transparency
        put_u16le(out, static_cast<unsigned>(delay_cs));
        out += '\0';
        out += '\0';
        out += '\x2C';
        put_u16le(out, 0);
        put_u16le(out, 0);
        put_u16le(out, static_cast<unsigned>(width));
        put_u16le(out, static_cast<unsigned>(height));
        out += '\0';  // no local colour table, not interlaced
        out += static_cast<char>(kMinCodeSize);
        GifCodeWriter writer(out);
        const std::size_t pixels = static_cast<std::size_t>(width) * height;
        for (std::size_t i = 0; i < pixels; ++i) {
            if (i % kCodesPerClear == 0)
                writer.write(kClear, kCodeWidth);
            writer.write(palette_index(&frame.rgb[i * 3]), kCodeWidth);
        }
        writer.write(kEnd, kCodeWidth);
        writer.finish();
    }
    out += '\x3B';
    return out;
}

}  // namespace kessaro::demo
