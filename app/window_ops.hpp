// The window and platform operations the workflows are built from. The window operations are
// an interface: the main window implements them over the toolkit, and tests use a double that
// needs no toolkit. The platform operations are plain functions over POSIX and the standard
// library.
#pragma once

#include <cstdint>
#include <functional>

#include "core/bytes.hpp"
#include "core/text.hpp"

namespace kessaro {

// The twelve controls of the main window, named as in the window's design.
enum class Control {
    按钮_搜索图片,
    编辑框_图片名子,
    标签1,
    图片框1,
    按钮_保存图片,
    编辑框_保存路径,
    标签2,
    按钮_停止采集图片,
    按钮_停止保存图片,
    按钮_设置图片保存路径,
    进度条_保存进度,
    超级列表框_图片数据显示,
};

enum class MessageKind { ok, ok_cancel };

// Rows and columns count from 0. The control operations may be called from a save worker:
// the call is carried to the window thread and finishes before the worker goes on.
class WindowOps {
  public:
    virtual ~WindowOps() = default;

    virtual void set_window_caption(const Text& caption) = 0;
    virtual Text control_text(Control edit_box) = 0;
    virtual void set_control_text(Control edit_box, const Text& text) = 0;
    virtual Text button_caption(Control button) = 0;
    virtual void set_button_caption(Control button, const Text& caption) = 0;
    virtual void set_enabled(Control control, bool enabled) = 0;

    // Maximum and position are stored clamped to 0..32767.
    virtual void progress_set_max(int32_t maximum) = 0;
    virtual void progress_set_pos(int32_t position) = 0;
    virtual int32_t progress_pos() = 0;

    virtual void list_clear() = 0;
    // Returns the new row's index, which is the row count before the call.
    virtual int32_t list_append_row() = 0;
    virtual void list_set_cell(int32_t row, int32_t column, const Text& text) = 0;
    // The empty Text for a row or column that does not exist.
    virtual Text list_cell(int32_t row, int32_t column) = 0;
    virtual int32_t list_row_count() = 0;
    virtual void list_scroll_to(int32_t row) = 0;
    // -1 when no row is selected.
    virtual int32_t list_current_row() = 0;

    // Empties the picture box, then shows the picture the bytes hold, if any can be read.
    virtual void show_picture(const Bytes& picture) = 0;
    // 0 for OK; 1 for Cancel, Esc or the close box.
    virtual int32_t message_box(const Text& text, MessageKind kind) = 0;
    // The chosen folder's path, or the empty Text when the user cancels.
    virtual Text choose_folder(const Text& title) = 0;

    // Returns once more than `milliseconds` have passed, handling the calling thread's window
    // events meanwhile; on a thread without windows it is a plain wait.
    virtual void pause_with_events(int32_t milliseconds) = 0;
    // Handles the calling thread's pending window events (nothing on a thread without windows).
    virtual void process_events() = 0;
};

// Starts a detached thread running `routine`; true when the thread started.
bool run_on_new_thread(std::function<void()> routine);

// The folder that holds the program's executable, without a trailing backslash.
Text program_directory();

// Paths below are code page 936 texts with "\" as the separator.
// Creates that one folder; true only when this call created it.
bool create_directory(const Text& path);
bool path_exists(const Text& path);
// Writes the bytes to a temporary file beside the target and renames it over the target, so
// that a crash never leaves a half-written file under the final name.
bool write_file(const Text& path, const Bytes& bytes);
// True when files can be created in that folder.
bool is_writable_directory(const Text& path);
// The user's pictures folder (the XDG pictures directory, else the home folder).
Text user_pictures_directory();

}  // namespace kessaro
