// The save progress bar: keeps its own maximum and position, each clamped to 0..32767, and
// draws the position limited to 0..maximum. (The toolkit's bar would drop values outside its
// range and show a busy animation for a maximum of 0.)
#pragma once

#include <QProgressBar>

#include <cstdint>

namespace kessaro {

class ProgressBar : public QProgressBar {
  public:
    static constexpr int32_t largest_value = 32767;

    explicit ProgressBar(QWidget* parent);

    void set_maximum(int32_t maximum);
    void set_position(int32_t position);
    int32_t maximum_value() const { return maximum_; }
    int32_t position() const { return position_; }

  private:
    void redraw();

    int32_t maximum_ = 100;
    int32_t position_ = 0;
};

}  // namespace kessaro
