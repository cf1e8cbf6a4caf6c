// The window operations over the main window. A call from another thread (a save worker) is
// carried to the window thread and finished there before the caller goes on; once the window
// has closed, such a call never reaches it and the caller waits until the process ends.
#pragma once

#include <QObject>

#include <atomic>
#include <thread>

#include "app/window_ops.hpp"

namespace kessaro {

class MainWindow;

class QtWindowOps final : public WindowOps {
  public:
    // Built on the window thread; lives as long as any worker may call it.
    explicit QtWindowOps(MainWindow& window);

    // From now on a worker's control call never touches the window.
    void window_closed() { closed_.store(true); }

    void set_window_caption(const Text& caption) override;
    Text control_text(Control edit_box) override;
    void set_control_text(Control edit_box, const Text& text) override;
    Text button_caption(Control button) override;
    void set_button_caption(Control button, const Text& caption) override;
    void set_enabled(Control control, bool enabled) override;
    void progress_set_max(int32_t maximum) override;
    void progress_set_pos(int32_t position) override;
    int32_t progress_pos() override;
    void list_clear() override;
    int32_t list_append_row() override;
    void list_set_cell(int32_t row, int32_t column, const Text& text) override;
    Text list_cell(int32_t row, int32_t column) override;
    int32_t list_row_count() override;
    void list_scroll_to(int32_t row) override;
    int32_t list_current_row() override;
    void show_picture(const Bytes& picture) override;
    int32_t message_box(const Text& text, MessageKind kind) override;
    Text choose_folder(const Text& title) override;
    void pause_with_events(int32_t milliseconds) override;
    void process_events() override;

  private:
    bool on_window_thread() const { return std::this_thread::get_id() == window_thread_; }
    // Runs `operation` on the window thread and gives back its result.
    template <typename Operation>
    auto on_window(Operation operation);

    MainWindow& window_;
    std::thread::id window_thread_;
    // Receives the workers' calls on the window thread.
    QObject bridge_;
    std::atomic<bool> closed_{false};
};

}  // namespace kessaro
