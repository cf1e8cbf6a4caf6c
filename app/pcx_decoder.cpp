// PCX for the picture box, our own reader (the toolkit has none): 8 bits per pixel either as
// one plane of palette indices (the 256-colour palette at the end of the file) or as three
// planes of red, green and blue; run-length encoded or raw.
#include <cstdint>
#include <vector>

#include "app/picture_decoders.hpp"

namespace kessaro {

namespace {

constexpr std::size_t header_size = 128;
// Marker byte and 256 red, green, blue triples at the very end of a paletted file.
constexpr std::size_t palette_size = 1 + 256 * 3;
constexpr unsigned char palette_marker = 0x0C;

uint32_t word_at(std::string_view bytes, std::size_t offset) {
    return static_cast<unsigned char>(bytes[offset]) |
           (uint32_t{static_cast<unsigned char>(bytes[offset + 1])} << 8);
}

// Runs may cross from one scan line into the next, so the reader keeps an unfinished run.
class RunReader {
  public:
    RunReader(std::string_view data, bool encoded) : data_(data), encoded_(encoded) {}

    // Fills `line` completely; false when the data end first.
    bool read(std::vector<unsigned char>& line) {
        for (unsigned char& out : line) {
            if (run_left_ == 0 && !next_run())
                return false;
            out = run_value_;
            --run_left_;
        }
        return true;
    }

  private:
    // Skips runs of length 0, which are legal and yield nothing.
    bool next_run() {
        while (next_ < data_.size()) {
            const auto byte = static_cast<unsigned char>(data_[next_++]);
            if (!encoded_ || byte < 0xC0) {
                run_value_ = byte;
                run_left_ = 1;
                return true;
            }
            if (next_ >= data_.size())
                return false;
            run_value_ = static_cast<unsigned char>(data_[next_++]);
            run_left_ = byte & 0x3F;
            if (run_left_ > 0)
                return true;
        }
        return false;
    }

    std::string_view data_;
    bool encoded_;
    std::size_t next_ = 0;
    unsigned char run_value_ = 0;
    uint32_t run_left_ = 0;
};

}  // namespace

bool decode_pcx(std::string_view bytes, const PixelBuffer& buffer) {
    if (bytes.size() < header_size || bytes[0] != '\x0A')
        return false;
    const auto encoding = static_cast<unsigned char>(bytes[2]);
    const auto bits_per_pixel = static_cast<unsigned char>(bytes[3]);
    const uint32_t x_min = word_at(bytes, 4);
    const uint32_t y_min = word_at(bytes, 6);
    const uint32_t x_max = word_at(bytes, 8);
    const uint32_t y_max = word_at(bytes, 10);
    const auto planes = static_cast<unsigned char>(bytes[65]);
    const uint32_t bytes_per_line = word_at(bytes, 66);

    if (encoding > 1 || bits_per_pixel != 8 || (planes != 1 && planes != 3))
        return false;
    if (x_max < x_min || y_max < y_min)
        return false;
    const uint32_t width = x_max - x_min + 1;
    const uint32_t height = y_max - y_min + 1;
    if (bytes_per_line < width || !acceptable_picture_size(width, height))
        return false;

    std::string_view data = bytes.substr(header_size);
    const unsigned char* palette = nullptr;
    if (planes == 1) {
        if (data.size() < palette_size)
            return false;
        const std::string_view tail = data.substr(data.size() - palette_size);
        if (static_cast<unsigned char>(tail[0]) != palette_marker)
            return false;
        palette = reinterpret_cast<const unsigned char*>(tail.data()) + 1;
        data.remove_suffix(palette_size);
    }

    // One data byte gives at most 63 / 2 bytes of pixels: a file far too short for the size
    // it claims is refused before the pixel buffer is allocated.
    const uint64_t line_bytes = uint64_t{planes} * bytes_per_line;
    const uint64_t most_per_byte = encoding == 1 ? 32 : 1;
    if (data.size() * most_per_byte < line_bytes * height)
        return false;

    unsigned char* pixels =
        buffer(static_cast<int32_t>(width), static_cast<int32_t>(height), PixelLayout::opaque);
    if (!pixels)
        return false;

    RunReader reader(data, encoding == 1);
    std::vector<unsigned char> line(line_bytes);
    for (uint32_t y = 0; y < height; ++y) {
        if (!reader.read(line))
            return false;
        unsigned char* out = pixels + std::size_t{y} * width * 4;
        for (uint32_t x = 0; x < width; ++x, out += 4) {
            if (palette) {
                const unsigned char* colour = palette + line[x] * 3;
                out[0] = colour[2];
                out[1] = colour[1];
                out[2] = colour[0];
            } else {
                out[0] = line[2 * bytes_per_line + x];
                out[1] = line[bytes_per_line + x];
                out[2] = line[x];
            }
            out[3] = 0xFF;
        }
    }
    return true;
}

}  // namespace kessaro
