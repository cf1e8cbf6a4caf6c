// Decoding a 1920 x 1080 picture for the picture box (format choice, our decoder, the toolkit
// image it fills) beside libjpeg's and libpng's bare decode of the same file into a plain buffer.
// The pictures are made once: smooth gradients with a little noise, like a photograph.
#include <algorithm>
#include <cstdint>
#include <cstdio>  // before jpeglib.h, which uses size_t and FILE

#include <jpeglib.h>
#include <png.h>

#include <memory>
#include <string>
#include <vector>

#include "app/picture_box.hpp"
#include "bench/bench_ratios.hpp"

namespace kessaro::bench {
namespace {

constexpr int width = 1920;
constexpr int height = 1080;

std::vector<unsigned char> photo_like_rgb() {
    std::vector<unsigned char> rgb(std::size_t{width} * height * 3);
    uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise = noise * 1103515245 + 12345;
            const int grain = static_cast<int>((noise >> 16) & 15) - 8;
            unsigned char* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = static_cast<unsigned char>(std::clamp(x * 255 / width + grain, 0, 255));
            p[1] = static_cast<unsigned char>(std::clamp(y * 255 / height + grain, 0, 255));
            p[2] = static_cast<unsigned char>(std::clamp(((x + y) / 8) % 256 + grain, 0, 255));
        }
    }
    return rgb;
}

std::string encode_jpeg(const std::vector<unsigned char>& rgb) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<unsigned char*>(&rgb[std::size_t{info.next_scanline} * width * 3]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::string bytes(reinterpret_cast<const char*>(out), size);
    jpeg_destroy_compress(&info);
    std::free(out);
    return bytes;
}

std::string encode_png(const std::vector<unsigned char>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr);
    std::string bytes(size, '\0');
    png_image_write_to_memory(&image, bytes.data(), &size, 0, rgb.data(), 0, nullptr);
    bytes.resize(size);
    return bytes;
}

const std::string& jpeg_file() {
    static const std::string bytes = encode_jpeg(photo_like_rgb());
    return bytes;
}

const std::string& png_file() {
    static const std::string bytes = encode_png(photo_like_rgb());
    return bytes;
}

void box_decode(benchmark::State& state, const std::string& (*file)()) {
    const std::string& bytes = file();
    for (auto _ : state) {
        QImage image = read_picture(bytes);
        if (image.width() != width)
            state.SkipWithError("not decoded");
        benchmark::DoNotOptimize(image.constBits());
    }
}

// The plain use of libjpeg: decompress from memory into a fresh RGB buffer.
void bare_libjpeg(benchmark::State& state) {
    const std::string& bytes = jpeg_file();
    for (auto _ : state) {
        jpeg_decompress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        jpeg_read_header(&info, TRUE);
        jpeg_start_decompress(&info);
        const std::size_t stride = std::size_t{info.output_width} * info.output_components;
        auto pixels = std::make_unique_for_overwrite<unsigned char[]>(stride * info.output_height);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = pixels.get() + info.output_scanline * stride;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(pixels.get());
    }
}

// The plain use of libpng's simplified interface: the file's own format (RGB) into a fresh buffer.
void bare_libpng(benchmark::State& state) {
    const std::string& bytes = png_file();
    for (auto _ : state) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        png_image_begin_read_from_memory(&image, bytes.data(), bytes.size());
        image.format = PNG_FORMAT_RGB;
        auto pixels = std::make_unique_for_overwrite<unsigned char[]>(PNG_IMAGE_SIZE(image));
        png_image_finish_read(&image, nullptr, pixels.get(), 0, nullptr);
        png_image_free(&image);
        benchmark::DoNotOptimize(pixels.get());
    }
}

BENCHMARK_CAPTURE(box_decode, jpeg_1920x1080, jpeg_file)->Unit(benchmark::kMillisecond);
BENCHMARK(bare_libjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(box_decode, png_1920x1080, png_file)->Unit(benchmark::kMillisecond);
BENCHMARK(bare_libpng)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kessaro::bench

int main(int argc, char** argv) {
    return kessaro::bench::run_with_ratios(argc, argv,
                                           {{"box_decode/jpeg_1920x1080", "bare_libjpeg", ""},
                                            {"box_decode/png_1920x1080", "bare_libpng", ""}});
}
