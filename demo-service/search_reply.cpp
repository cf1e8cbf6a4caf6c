#include "demo-service/search_reply.hpp"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "demo-service/catalogue.hpp"
#include "demo-service/picture_encoders.hpp"
#include "demo-service/raster.hpp"

namespace kessaro::demo {
namespace {

// Length of the well-formed UTF-8 sequence at the start of `text`, 0 when there is none.
std::size_t utf8_sequence_length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    if (byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    }
    return length;
}

}  // namespace

std::string json_string(std::string_view text) {
    std::string out = "\"";
    while (!text.empty()) {
        const unsigned char c = static_cast<unsigned char>(text[0]);
        const std::size_t length = utf8_sequence_length(text);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            text.remove_prefix(1);
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    out += '"';
    return out;
}

std::string picture_path(uint64_t seed, int number) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(seed));
    const auto entry = picture_entry(seed, number);
    const std::string_view ext = extension_of(entry ? entry->format : PictureFormat::png);
    return "/pictures/" + std::string(hex) + "/" + std::to_string(number) + "." + std::string(ext);
}

std::string search_reply(std::string_view word, std::string_view base_url) {
    std::string out = R"({"data":{"list":[)";
    if (!word.empty()) {
        const uint64_t seed = word_seed(word);
        const int count = picture_count(seed);
        for (int n = 1; n <= count; ++n) {
            if (n > 1)
                out += ',';
            out += R"({"id":)" + std::to_string(n);
            out += R"(,"tag":)" + json_string(picture_tag(word, seed, n));
            out += R"(,"url":)" + json_string(std::string(base_url) + picture_path(seed, n));
            out += '}';
        }
    }
    out += "]}}";
    return out;
}

std::string picture_at(std::string_view path) {
    // "/pictures/" + 16 hex digits + "/" + number + "." + extension, nothing else.
    constexpr std::string_view prefix = "/pictures/";
    if (!path.starts_with(prefix) || path.size() < prefix.size() + 17)
        return {};
    path.remove_prefix(prefix.size());
    uint64_t seed = 0;
    const auto [seed_end, seed_error] = std::from_chars(path.data(), path.data() + 16, seed, 16);
    if (seed_error != std::errc() || seed_end != path.data() + 16 || path[16] != '/')
        return {};
    path.remove_prefix(17);
    int number = 0;
    if (std::from_chars(path.data(), path.data() + path.size(), number).ec != std::errc()) {
        return {};
    }
    const auto entry = picture_entry(seed, number);
    if (!entry)
        return {};
    if (path != std::to_string(number) + "." + std::string(extension_of(entry->format))) {
        return {};
    }
    switch (entry->format) {
        case PictureFormat::png:
            return encode_png(paint_picture(seed, number, entry->width, entry->height));
        case PictureFormat::jpeg:
            return encode_jpeg(paint_picture(seed, number, entry->width, entry->height));
        case PictureFormat::bmp:
            return encode_bmp(paint_picture(seed, number, entry->width, entry->height));
        case PictureFormat::gif: {
            std::vector<Raster> frames;
            for (int frame = 0; frame < 3; ++frame) {
                frames.push_back(paint_picture(seed, number, entry->width, entry->height, frame));
            }
            return encode_gif(frames);
        }
    }
    return {};
}

}  // namespace kessaro::demo
