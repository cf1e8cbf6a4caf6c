// The save progress bar: stored values and their drawing.
#include "app/progress_bar.hpp"

#include <algorithm>

namespace kessaro {

namespace {

int32_t clamped(int32_t value) {
    return std::clamp(value, int32_t{0}, ProgressBar::largest_value);
}

}  // namespace

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
    setOrientation(Qt::Horizontal);
    setTextVisible(false);
    redraw();
}

void ProgressBar::set_maximum(int32_t maximum) {
    maximum_ = clamped(maximum);
    redraw();
}

void ProgressBar::set_position(int32_t position) {
    position_ = clamped(position);
    redraw();
}

void ProgressBar::redraw() {
    // A range of 0..1 at 0 draws the empty bar a maximum of 0 stands for.
    setRange(0, std::max(maximum_, int32_t{1}));
    setValue(std::min(position_, maximum_));
}

}  // namespace kessaro
