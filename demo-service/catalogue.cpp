#include "demo-service/catalogue.hpp"

#include <array>

namespace kessaro::demo {
namespace {

constexpr std::array<std::string_view, 12> kScenes = {
    "晨曦", "星空", "海岸", "山峦", "森林", "极光", "湖泊", "城市", "雪原", "花海", "落日", "云海",
};

// Mostly PNG and JPEG, now and then BMP and GIF.
constexpr std::array<PictureFormat, 10> kFormatWheel = {
    PictureFormat::png, PictureFormat::jpeg, PictureFormat::png,  PictureFormat::jpeg,
    PictureFormat::bmp, PictureFormat::png,  PictureFormat::jpeg, PictureFormat::png,
    PictureFormat::gif, PictureFormat::jpeg,
};

constexpr std::array<int, 4> kWidths = {320, 400, 480, 640};

}  // namespace

uint64_t mix(uint64_t value) {
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

uint64_t word_seed(std::string_view word) {
    // FNV-1a over the bytes, then mixed so that similar words differ in every bit.
    uint64_t hash = 0xCBF29CE484222325ull;
    for (const char c : word) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3ull;
    }
    return mix(hash);
}

int picture_count(uint64_t seed) {
    return 6 + static_cast<int>(seed % 27);
}

std::optional<PictureEntry> picture_entry(uint64_t seed, int number) {
    if (number < 1 || number > picture_count(seed))
        return std::nullopt;
    const uint64_t h = mix(seed ^ static_cast<uint64_t>(number));
    PictureEntry entry;
    entry.number = number;
    entry.format = kFormatWheel[(seed / 27 + static_cast<uint64_t>(number)) % kFormatWheel.size()];
    entry.width = kWidths[h % kWidths.size()];
    // Landscape shapes between 16:9 and 4:3.
    entry.height = entry.width * (9 + static_cast<int>((h >> 8) % 4)) / 16;
    return entry;
}

std::string picture_tag(std::string_view word, uint64_t seed, int number) {
    const std::string_view scene =
        kScenes[mix(seed + static_cast<uint64_t>(number)) % kScenes.size()];
    std::string tag(word);
    tag += ' ';
    tag += scene;
    tag += ' ';
    if (number < 10)
        tag += '0';
    tag += std::to_string(number);
    return tag;
}

std::string_view extension_of(PictureFormat format) {
    switch (format) {
        case PictureFormat::png:
            return "png";
        case PictureFormat::jpeg:
            return "jpg";
        case PictureFormat::bmp:
            return "bmp";
        case PictureFormat::gif:
            return "gif";
    }
    return "png";
}

std::string_view content_type_of(PictureFormat format) {
    switch (format) {
        case PictureFormat::png:
            return "image/png";
        case PictureFormat::jpeg:
            return "image/jpeg";
        case PictureFormat::bmp:
            return "image/bmp";
        case PictureFormat::gif:
            return "image/gif";
    }
    return "application/octet-stream";
}

}  // namespace kessaro::demo
