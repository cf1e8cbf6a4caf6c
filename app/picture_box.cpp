// The picture box's readers: JPEG, PNG and PCX through our own decoders, BMP, GIF, ICO and CUR
// through the toolkit's readers, each behind the same size limit.
#include "app/picture_box.hpp"

#include <QBuffer>
#include <QImageReader>
#include <QMovie>
#include <QPixmap>

#include "app/picture_decoders.hpp"

namespace kessaro {

namespace {

QImage decode_with(bool (*decoder)(std::string_view, const PixelBuffer&), std::string_view bytes) {
    QImage image;
    const auto buffer = [&image](int32_t width, int32_t height, PixelLayout layout) {
        image =
            QImage(width, height,
                   layout == PixelLayout::opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
        return image.isNull() ? nullptr : image.bits();
    };
    if (!decoder(bytes, buffer))
        return QImage();
    return image;
}

// The toolkit's reader for `format` alone (never one guessed from the content); the size in
// the header is checked before any pixel is allocated.
QImage read_with_toolkit(std::string_view bytes, const char* format) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer device(&data);
    if (!device.open(QIODevice::ReadOnly))
        return QImage();
    QImageReader reader(&device, format);
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size();
    if (!size.isValid() || !acceptable_picture_size(static_cast<uint64_t>(size.width()),
                                                    static_cast<uint64_t>(size.height()))) {
        return QImage();
    }
    return reader.read();
}

}  // namespace

QImage read_picture(std::string_view bytes) {
    switch (picture_format(bytes)) {
        case PictureFormat::jpeg:
            return decode_with(decode_jpeg, bytes);
        case PictureFormat::png:
            return decode_with(decode_png, bytes);
        case PictureFormat::pcx:
            return decode_with(decode_pcx, bytes);
        case PictureFormat::bmp:
            return bmp_rows_complete(bytes) ? read_with_toolkit(bytes, "bmp") : QImage();
        case PictureFormat::ico:
        case PictureFormat::cur:
            return read_with_toolkit(bytes, "ico");
        case PictureFormat::gif:
            return read_with_toolkit(bytes, "gif");
        case PictureFormat::unknown:
            break;
    }
    return QImage();
}

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);
    setScaledContents(true);
}

PictureBox::~PictureBox() {
    clear_picture();
}

void PictureBox::clear_picture() {
    clear();
    movie_.reset();
    movie_device_.reset();
    movie_bytes_.clear();
}

bool PictureBox::is_empty() const {
    return pixmap().isNull() && movie() == nullptr;
}

void PictureBox::show_picture(const Bytes& picture) {
    clear_picture();
    const QImage first = read_picture(picture.view());
    if (first.isNull())
        return;
    if (picture_format(picture.view()) != PictureFormat::gif) {
        setPixmap(QPixmap::fromImage(first));
        return;
    }
    movie_bytes_ = QByteArray(reinterpret_cast<const char*>(picture.data()),
                              static_cast<qsizetype>(picture.size()));
    movie_device_ = std::make_unique<QBuffer>(&movie_bytes_);
    movie_device_->open(QIODevice::ReadOnly);
    movie_ = std::make_unique<QMovie>(movie_device_.get(), QByteArray("gif"));
    setMovie(movie_.get());
    movie_->start();
}

}  // namespace kessaro
