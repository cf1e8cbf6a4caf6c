// The picture box and its readers: the format chosen by the first bytes, each format decoded to
// the right size and colours, stretched over the box, animated GIFs playing, and damaged,
// unknown or oversized data leaving the box empty without a crash or a huge allocation.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QCoreApplication>
#include <QMovie>
#include <QPixmap>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/picture_box.hpp"
#include "app/picture_decoders.hpp"
#include "window_test_support.hpp"

namespace kessaro {
namespace {

using testing::fixture;

constexpr uint32_t red = 0xFFFF0000, lime = 0xFF00FF00, blue = 0xFF0000FF, white = 0xFFFFFFFF,
                   black = 0xFF000000, yellow = 0xFFFFFF00, orange = 0xFFFFA500;

// Colours as 0xAARRGGBB, equal when every channel is within `tolerance`.
bool near(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = static_cast<int>((actual >> shift) & 0xFF);
        const int b = static_cast<int>((expected >> shift) & 0xFF);
        if (a - b > tolerance || b - a > tolerance)
            return false;
    }
    return true;
}

// What one of our decoders produced, and whether it ever asked for a pixel buffer.
struct Decoded {
    bool ok = false;
    bool asked_for_buffer = false;
    int32_t width = 0;
    int32_t height = 0;
    PixelLayout layout = PixelLayout::opaque;
    std::vector<unsigned char> pixels;

    uint32_t pixel(int32_t x, int32_t y) const {
        const unsigned char* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
        return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
    }
};

using Decoder = bool (*)(std::string_view, const PixelBuffer&);

Decoded decode(Decoder decoder, std::string_view bytes) {
    Decoded result;
    result.ok = decoder(bytes, [&](int32_t width, int32_t height, PixelLayout layout) {
        result.asked_for_buffer = true;
        result.width = width;
        result.height = height;
        result.layout = layout;
        result.pixels.assign(static_cast<std::size_t>(width) * height * 4, 0);
        return result.pixels.data();
    });
    return result;
}

void put_big_endian(std::string& bytes, std::size_t offset, uint32_t value, int size) {
    for (int i = size - 1; i >= 0; --i, value >>= 8)
        bytes[offset + i] = static_cast<char>(value & 0xFF);
}

void put_little_endian(std::string& bytes, std::size_t offset, uint32_t value, int size) {
    for (int i = 0; i < size; ++i, value >>= 8)
        bytes[offset + i] = static_cast<char>(value & 0xFF);
}

// Pictures whose headers claim far more pixels than their data hold.
std::string jpeg_claiming(uint32_t width, uint32_t height) {
    std::string bytes = fixture("colour.jpg");
    const std::size_t frame = bytes.find("\xFF\xC0");
    put_big_endian(bytes, frame + 5, height, 2);
    put_big_endian(bytes, frame + 7, width, 2);
    return bytes;
}

std::string png_claiming(uint32_t width, uint32_t height) {
    std::string bytes = fixture("pattern.png");
    put_big_endian(bytes, 16, width, 4);
    put_big_endian(bytes, 20, height, 4);
    // The header's checksum covers its type and data.
    const auto* header = reinterpret_cast<const Bytef*>(bytes.data() + 12);
    put_big_endian(bytes, 29, static_cast<uint32_t>(crc32(0, header, 17)), 4);
    return bytes;
}

std::string pcx_claiming(uint32_t width, uint32_t height) {
    std::string bytes = fixture("pattern_rgb24.pcx");
    put_little_endian(bytes, 8, width - 1, 2);
    put_little_endian(bytes, 10, height - 1, 2);
    put_little_endian(bytes, 66, width, 2);
    return bytes;
}

std::string bmp_claiming(uint32_t width, uint32_t height) {
    std::string bytes = fixture("pattern.bmp");
    put_little_endian(bytes, 18, width, 4);
    put_little_endian(bytes, 22, height, 4);
    return bytes;
}

std::string gif_claiming(uint32_t width, uint32_t height) {
    std::string bytes = fixture("still87.gif");
    put_little_endian(bytes, 6, width, 2);
    put_little_endian(bytes, 8, height, 2);
    // The frame covers the whole claimed screen too.
    const std::size_t frame = bytes.find(',');
    put_little_endian(bytes, frame + 5, width, 2);
    put_little_endian(bytes, frame + 7, height, 2);
    return bytes;
}

// A cursor file is an icon file whose type field is 2.
std::string cursor() {
    std::string bytes = fixture("icon.ico");
    bytes[2] = 2;
    return bytes;
}

TEST(PictureFormat, IsChosenByTheFirstBytes) {
    using namespace std::string_view_literals;
    const struct {
        std::string_view bytes;
        PictureFormat format;
    } cases[] = {
        {"BM\0\0\0\0\0\0"sv, PictureFormat::bmp},
        {"\xFF\xD8\xFF\xE0\0\0\0\0"sv, PictureFormat::jpeg},
        {"\x89PNG\r\n\x1A\n"sv, PictureFormat::png},
        {"\0\0\1\0\1\0\0\0"sv, PictureFormat::ico},
        {"\0\0\2\0\1\0\0\0"sv, PictureFormat::cur},
        {"GIF87a\0\0"sv, PictureFormat::gif},
        {"GIF89a\0\0"sv, PictureFormat::gif},
        {"\x0A\x05\x01\x08\0\0\0\0"sv, PictureFormat::pcx},
        {"GIF88a\0\0"sv, PictureFormat::unknown},
        {"\0\0\3\0\1\0\0\0"sv, PictureFormat::unknown},
        {"<html>\n\n"sv, PictureFormat::unknown},
        // Fewer than 8 bytes are never a picture, whatever they start with.
        {"\x89PNG\r\n\x1A"sv, PictureFormat::unknown},
        {"BM"sv, PictureFormat::unknown},
        {""sv, PictureFormat::unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(picture_format(c.bytes), c.format)
            << ::testing::PrintToString(std::string(c.bytes));
    }
}

TEST(OwnDecoders, ReadThePatternExactly) {
    const struct {
        const char* file;
        Decoder decoder;
    } cases[] = {
        {"pattern.png", decode_png},
        {"pattern_rgb24.pcx", decode_pcx},
        {"pattern_pal8.pcx", decode_pcx},
    };
    const uint32_t expected[2][3] = {{red, lime, blue}, {white, black, yellow}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Decoded picture = decode(c.decoder, fixture(c.file));
        ASSERT_TRUE(picture.ok);
        ASSERT_EQ(picture.width, 3);
        ASSERT_EQ(picture.height, 2);
        EXPECT_EQ(picture.layout, PixelLayout::opaque);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(picture.pixel(x, y), expected[y][x]) << x << "," << y;
        }
    }
}

TEST(OwnDecoders, PcxRunsAndEscapedIndicesMatchThePng) {
    // The same pictures as ImageMagick reads them back, written as PNG.
    const struct {
        const char* pcx;
        const char* png;
    } cases[] = {
        {"gradient_pal8.pcx", "gradient_pal8.png"},
        {"gradient_rgb24.pcx", "gradient.png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pcx);
        const Decoded reference = decode(decode_png, fixture(c.png));
        ASSERT_TRUE(reference.ok);
        const Decoded picture = decode(decode_pcx, fixture(c.pcx));
        ASSERT_TRUE(picture.ok);
        EXPECT_EQ(picture.width, reference.width);
        EXPECT_EQ(picture.height, reference.height);
        EXPECT_EQ(picture.pixels, reference.pixels);
    }
    const Decoded wide = decode(decode_pcx, fixture("wide_rgb24.pcx"));
    ASSERT_TRUE(wide.ok);
    ASSERT_EQ(wide.width, 130);
    ASSERT_EQ(wide.height, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 130; ++x)
            ASSERT_EQ(wide.pixel(x, y), orange) << x << "," << y;
    }
}

TEST(OwnDecoders, JpegGivesColourAndExpandedGrey) {
    for (const char* file : {"colour.jpg", "colour_progressive.jpg"}) {
        SCOPED_TRACE(file);
        const Decoded picture = decode(decode_jpeg, fixture(file));
        ASSERT_TRUE(picture.ok);
        ASSERT_EQ(picture.width, 16);
        ASSERT_EQ(picture.height, 8);
        EXPECT_EQ(picture.layout, PixelLayout::opaque);
        EXPECT_TRUE(near(picture.pixel(3, 4), red, 6)) << std::hex << picture.pixel(3, 4);
        EXPECT_TRUE(near(picture.pixel(12, 4), blue, 6)) << std::hex << picture.pixel(12, 4);
    }
    const Decoded grey = decode(decode_jpeg, fixture("grey.jpg"));
    ASSERT_TRUE(grey.ok);
    ASSERT_EQ(grey.width, 8);
    EXPECT_TRUE(near(grey.pixel(4, 4), 0xFF666666, 3)) << std::hex << grey.pixel(4, 4);
}

TEST(OwnDecoders, PngAlphaStaysStraight) {
    const Decoded picture = decode(decode_png, fixture("alpha.png"));
    ASSERT_TRUE(picture.ok);
    EXPECT_EQ(picture.layout, PixelLayout::straight_alpha);
    EXPECT_TRUE(near(picture.pixel(1, 1), 0x80FF0000, 1)) << std::hex << picture.pixel(1, 1);
}

TEST(OwnDecoders, DamagedDataDecodesToNothing) {
    std::string jpeg_cut_in_scan = fixture("colour.jpg");
    jpeg_cut_in_scan.resize(jpeg_cut_in_scan.size() - 40);
    std::string jpeg_bad_table = fixture("colour.jpg");
    jpeg_bad_table[jpeg_bad_table.find("\xFF\xC4") + 4] = 0x37;  // no such Huffman table
    std::string png_bad_checksum = fixture("pattern.png");
    png_bad_checksum[png_bad_checksum.find("IDAT") + 6] ^= 0x55;
    std::string pcx_no_palette = fixture("pattern_pal8.pcx");
    pcx_no_palette[pcx_no_palette.size() - 769] = 0;
    std::string pcx_cut = fixture("wide_rgb24.pcx");
    pcx_cut.resize(pcx_cut.size() - 5);
    std::string pcx_two_planes = fixture("pattern_rgb24.pcx");
    pcx_two_planes[65] = 2;
    std::string pcx_inverted = fixture("pattern_rgb24.pcx");
    put_little_endian(pcx_inverted, 4, 5, 2);  // x_min after x_max

    const struct {
        const char* what;
        Decoder decoder;
        std::string bytes;
    } cases[] = {
        {"jpeg: header only", decode_jpeg, fixture("colour.jpg").substr(0, 200)},
        {"jpeg: cut inside the scan", decode_jpeg, jpeg_cut_in_scan},
        {"jpeg: unknown table", decode_jpeg, jpeg_bad_table},
        {"jpeg: empty", decode_jpeg, ""},
        {"png: cut", decode_png, fixture("pattern.png").substr(0, 100)},
        {"png: bad checksum", decode_png, png_bad_checksum},
        {"pcx: header only", decode_pcx, fixture("pattern_rgb24.pcx").substr(0, 128)},
        {"pcx: cut", decode_pcx, pcx_cut},
        {"pcx: palette marker missing", decode_pcx, pcx_no_palette},
        {"pcx: two planes", decode_pcx, pcx_two_planes},
        {"pcx: inverted window", decode_pcx, pcx_inverted},
        {"pcx: short", decode_pcx, "\x0A\x05\x01\x08"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(decode(c.decoder, c.bytes).ok) << c.what;
    }
}

TEST(OwnDecoders, HugeClaimsAreRefusedBeforeAnyPixelBuffer) {
    const struct {
        const char* what;
        Decoder decoder;
        std::string bytes;
    } cases[] = {
        {"jpeg 20000 x 20000", decode_jpeg, jpeg_claiming(20000, 20000)},
        {"png 20000 x 20000", decode_png, png_claiming(20000, 20000)},
        {"pcx 65536 x 65536", decode_pcx, pcx_claiming(65536, 65536)},
        // Within the limit, but 154 bytes cannot hold 10000 x 10000 pixels.
        {"pcx 10000 x 10000 in a small file", decode_pcx, pcx_claiming(10000, 10000)},
    };
    for (const auto& c : cases) {
        const Decoded result = decode(c.decoder, c.bytes);
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_FALSE(result.asked_for_buffer) << c.what;
    }
}

TEST(OwnDecoders, GiveUpWhenNoBufferIsGiven) {
    const auto no_buffer = [](int32_t, int32_t, PixelLayout) -> unsigned char* { return nullptr; };
    EXPECT_FALSE(decode_jpeg(fixture("colour.jpg"), no_buffer));
    EXPECT_FALSE(decode_png(fixture("pattern.png"), no_buffer));
    EXPECT_FALSE(decode_pcx(fixture("pattern_pal8.pcx"), no_buffer));
}

class PictureBoxTest : public ::testing::Test {
  protected:
    PictureBoxTest() { testing::toolkit(); }

    static uint32_t pixel(const QImage& image, int x, int y) {
        return image.convertToFormat(QImage::Format_ARGB32).pixel(x, y);
    }
};

TEST_F(PictureBoxTest, EveryFormatIsReadAtItsSizeAndColours) {
    const struct {
        const char* what;
        std::string bytes;
        int width, height;
        int x, y;
        uint32_t colour;
        int tolerance;
    } cases[] = {
        {"bmp", fixture("pattern.bmp"), 3, 2, 2, 1, yellow, 0},
        {"png", fixture("pattern.png"), 3, 2, 1, 0, lime, 0},
        {"pcx", fixture("pattern_pal8.pcx"), 3, 2, 2, 0, blue, 0},
        {"jpeg", fixture("colour.jpg"), 16, 8, 12, 3, blue, 6},
        {"grey jpeg", fixture("grey.jpg"), 8, 8, 1, 1, 0xFF666666, 3},
        {"ico", fixture("icon.ico"), 16, 8, 12, 3, blue, 0},
        {"cur", cursor(), 16, 8, 3, 3, red, 0},
        {"gif 87a", fixture("still87.gif"), 4, 3, 3, 2, blue, 0},
        {"gif 89a, first frame", fixture("animated.gif"), 4, 3, 0, 0, red, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QImage image = read_picture(c.bytes);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.width(), c.width);
        EXPECT_EQ(image.height(), c.height);
        EXPECT_TRUE(near(pixel(image, c.x, c.y), c.colour, c.tolerance))
            << std::hex << pixel(image, c.x, c.y);

        PictureBox box(nullptr);
        box.show_picture(Bytes(c.bytes));
        EXPECT_FALSE(box.is_empty());
    }
}

TEST_F(PictureBoxTest, ThePictureIsStretchedOverTheBox) {
    PictureBox box(nullptr);
    box.resize(120, 96);
    box.show_picture(Bytes(fixture("colour.jpg")));  // 16 x 8: red left half, blue right half
    const QImage shown = box.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(120, 96));
    // The inner area, inside the 1-pixel border, is covered edge to edge.
    EXPECT_TRUE(near(pixel(shown, 2, 2), red, 12)) << std::hex << pixel(shown, 2, 2);
    EXPECT_TRUE(near(pixel(shown, 30, 90), red, 12)) << std::hex << pixel(shown, 30, 90);
    EXPECT_TRUE(near(pixel(shown, 117, 2), blue, 12)) << std::hex << pixel(shown, 117, 2);
    EXPECT_TRUE(near(pixel(shown, 90, 93), blue, 12)) << std::hex << pixel(shown, 90, 93);
}

TEST_F(PictureBoxTest, AnAnimatedGifPlays) {
    PictureBox box(nullptr);
    box.show_picture(Bytes(fixture("animated.gif")));
    const QMovie* movie = box.movie();
    ASSERT_NE(movie, nullptr);
    EXPECT_EQ(movie->frameCount(), 3);
    EXPECT_EQ(movie->state(), QMovie::Running);
    // Frames are 100 ms apart; 10 s is a generous bound for the next one to show.
    const int first = movie->currentFrameNumber();
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (movie->currentFrameNumber() == first && std::chrono::steady_clock::now() < give_up) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    EXPECT_NE(movie->currentFrameNumber(), first);

    // The next picture replaces the movie.
    box.show_picture(Bytes(fixture("pattern.png")));
    EXPECT_EQ(box.movie(), nullptr);
    EXPECT_FALSE(box.pixmap().isNull());
}

TEST_F(PictureBoxTest, UnreadableDataLeavesTheBoxEmpty) {
    std::string gif_cut = fixture("animated.gif");
    gif_cut.resize(20);
    std::string bmp_cut = fixture("pattern.bmp");
    bmp_cut.resize(40);
    std::string ico_cut = fixture("icon.ico");
    ico_cut.resize(30);
    std::string ico_no_images = fixture("icon.ico");
    ico_no_images[4] = 0;

    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"nothing", ""},
        {"7 bytes of a png", fixture("pattern.png").substr(0, 7)},
        {"another format", "<html><body>not found</body></html>"},
        {"unknown gif version", "GIF88a" + fixture("still87.gif").substr(6)},
        {"jpeg cut", fixture("colour.jpg").substr(0, 200)},
        {"png cut", fixture("pattern.png").substr(0, 100)},
        {"pcx cut", fixture("wide_rgb24.pcx").substr(0, 140)},
        {"bmp cut in its header", bmp_cut},
        {"gif cut in its header", gif_cut},
        {"ico cut in its directory", ico_cut},
        {"ico without images", ico_no_images},
        {"bmp cut in its pixel rows", fixture("pattern.bmp").substr(0, 70)},
        {"gif cut in its pixels", fixture("still87.gif").substr(0, 30)},
        {"ico cut in its pixels", fixture("icon.ico").substr(0, 500)},
        {"jpeg claiming 20000 x 20000", jpeg_claiming(20000, 20000)},
        {"png claiming 20000 x 20000", png_claiming(20000, 20000)},
        {"bmp claiming 20000 x 20000", bmp_claiming(20000, 20000)},
        {"gif claiming 65535 x 65535", gif_claiming(65535, 65535)},
    };
    PictureBox box(nullptr);
    for (const auto& c : cases) {
        box.show_picture(Bytes(fixture("pattern.png")));
        ASSERT_FALSE(box.is_empty());
        box.show_picture(Bytes(c.bytes));
        EXPECT_TRUE(box.is_empty()) << c.what;
        EXPECT_TRUE(read_picture(c.bytes).isNull()) << c.what;
    }
}

}  // namespace
}  // namespace kessaro
