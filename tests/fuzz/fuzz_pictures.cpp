// The picture box's readers on arbitrary bytes: our JPEG, PNG and PCX decoders write only into
// the buffer they were given, of the size they asked for, and never ask for more than the pixel
// cap; the toolkit's BMP, GIF, ICO and CUR readers behind the same choice by first bytes give a
// picture within the cap or none. A GIF's later frames are read as the playing box reads them.
#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <cstdlib>
#include <string_view>
#include <vector>

#include "app/picture_box.hpp"
#include "app/picture_decoders.hpp"
#include "tests/fuzz/fuzz_input.hpp"

using kessaro::fuzz::require;

namespace {

using namespace kessaro;

// An exactly sized buffer, so that a write past its end is a sanitizer report.
void decode_into_own_buffer(bool (*decoder)(std::string_view, const PixelBuffer&),
                            std::string_view bytes) {
    std::vector<unsigned char> pixels;
    const auto buffer = [&pixels](int32_t width, int32_t height, PixelLayout) {
        require(width > 0 && height > 0);
        require(
            acceptable_picture_size(static_cast<uint64_t>(width), static_cast<uint64_t>(height)));
        require(pixels.empty());
        pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
        return pixels.data();
    };
    if (decoder(bytes, buffer))
        require(!pixels.empty());
}

void read_later_frames(std::string_view bytes) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer device(&data);
    device.open(QIODevice::ReadOnly);
    QImageReader reader(&device, "gif");
    reader.setDecideFormatFromContent(false);
    for (int frame = 0; frame < 8 && reader.canRead(); ++frame) {
        if (reader.read().isNull())
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const PictureFormat format = picture_format(bytes);
    decode_into_own_buffer(decode_jpeg, bytes);
    decode_into_own_buffer(decode_png, bytes);
    decode_into_own_buffer(decode_pcx, bytes);

    const QImage picture = read_picture(bytes);
    if (!picture.isNull()) {
        require(format != PictureFormat::unknown);
        require(acceptable_picture_size(static_cast<uint64_t>(picture.width()),
                                        static_cast<uint64_t>(picture.height())));
    }
    if (format == PictureFormat::gif && !picture.isNull())
        read_later_frames(bytes);
    return 0;
}
