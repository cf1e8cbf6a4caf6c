// A lean window double for the benchmarks: it keeps what the workflows read back (texts, the
// rows, the progress) and does nothing else; its pause only counts, so that a benchmark
// measures the workflow's own work beyond the pauses it must make. One thread only.
#pragma once

#include <algorithm>
#include <array>
#include <map>
#include <vector>

#include "app/window_ops.hpp"

namespace kessaro::bench {

class CountingWindow : public WindowOps {
  public:
    int pauses = 0;
    std::map<Control, Text> texts;
    std::vector<std::array<Text, 3>> rows;

    void set_window_caption(const Text&) override {}
    Text control_text(Control box) override { return texts[box]; }
    void set_control_text(Control box, const Text& text) override { texts[box] = text; }
    Text button_caption(Control button) override { return texts[button]; }
    void set_button_caption(Control button, const Text& caption) override {
        texts[button] = caption;
    }
    void set_enabled(Control, bool) override {}
    void progress_set_max(int32_t) override {}
    void progress_set_pos(int32_t position) override { position_ = std::clamp(position, 0, 32767); }
    int32_t progress_pos() override { return position_; }
    void list_clear() override { rows.clear(); }
    int32_t list_append_row() override {
        rows.emplace_back();
        return static_cast<int32_t>(rows.size() - 1);
    }
    void list_set_cell(int32_t row, int32_t column, const Text& text) override {
        rows.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column)) = text;
    }
    Text list_cell(int32_t row, int32_t column) override {
        if (row < 0 || row >= static_cast<int32_t>(rows.size()) || column < 0 || column > 2) {
            return Text();
        }
        return rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    }
    int32_t list_row_count() override { return static_cast<int32_t>(rows.size()); }
    void list_scroll_to(int32_t) override {}
    int32_t list_current_row() override { return -1; }
    void show_picture(const Bytes&) override {}
    int32_t message_box(const Text&, MessageKind) override { return 0; }
    Text choose_folder(const Text&) override { return Text(); }
    void pause_with_events(int32_t) override { ++pauses; }
    void process_events() override {}

  private:
    int32_t position_ = 0;
};

}  // namespace kessaro::bench
