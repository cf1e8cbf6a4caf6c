// The application object: the run state the workflows share and the workflows themselves.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "app/window_ops.hpp"
#include "core/text.hpp"
#include "json/json_doc.hpp"

namespace kessaro {

struct RunState {
    // The one value the window thread and the save workers share.
    std::atomic<int32_t> stop_requested{0};
    int32_t result_count = 0;
    int32_t last_row = 0;
    Text reply_text;
    // Built before any window; destroyed by the exit routine.
    std::optional<JsonDoc> reply_doc;
    Text chosen_folder;
};

class Application {
  public:
    // `search_host` is host or host:port; `program_folder` the executable's folder (936 text,
    // "\" separators). The run state, reply_doc included, is built here, before any window.
    Application(Text search_host, Text program_folder);

    // The window's operations; set once the main window exists.
    void attach_window(WindowOps& window) { window_ = &window; }

    // The window's created handler.
    void prepare_main_window();
    // Runs once after the event loop has ended.
    void exit_routine();

    // Event handlers; all run on the window thread.
    void collect_pictures();
    void start_save_worker();
    void preview_current_row();
    void choose_save_folder();
    void toggle_collecting();
    void toggle_saving();
    // Answers whether the main window may close.
    bool confirm_close();

    // The save worker's routine; called on the worker thread.
    void save_pictures();

    RunState& state() { return state_; }
    const Text& search_host() const { return search_host_; }
    const Text& program_folder() const { return program_folder_; }

  private:
    WindowOps& window() { return *window_; }

    Text search_host_;
    Text program_folder_;
    RunState state_;
    WindowOps* window_ = nullptr;
    // Set by confirm_close when it lets the window close; a collect that resumes afterwards
    // (the close ran inside its pause) ends without touching the window. Window thread only.
    bool window_closed_ = false;
};

}  // namespace kessaro
