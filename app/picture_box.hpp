// The preview picture box: reads the picture the downloaded bytes hold, with the reader the
// first bytes announce, and shows it stretched over the box; an animated GIF plays.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QLabel>

#include <memory>
#include <string_view>

#include "core/bytes.hpp"

class QBuffer;
class QMovie;

namespace kessaro {

// The picture (for a GIF its first frame) the bytes hold; the null image for fewer than 8
// bytes, another format, a decoding failure or a header claiming too many pixels.
QImage read_picture(std::string_view bytes);

class PictureBox : public QLabel {
  public:
    explicit PictureBox(QWidget* parent);
    ~PictureBox() override;

    // Empties the box, then shows the picture the bytes hold, if any can be read. Nothing is
    // reported when none can.
    void show_picture(const Bytes& picture);
    bool is_empty() const;

  private:
    void clear_picture();

    // An animated picture is read while it plays: its bytes and device live with the movie.
    QByteArray movie_bytes_;
    std::unique_ptr<QBuffer> movie_device_;
    std::unique_ptr<QMovie> movie_;
};

}  // namespace kessaro
