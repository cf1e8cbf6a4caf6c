// The workflows behind the main window's controls: collecting picture links, saving the
// pictures on a worker thread, the preview, the save folder choice, the two stop/restart
// buttons and the close confirmation. Every handler runs on the window thread, save_pictures
// on a worker thread of its own; the one value they share is state().stop_requested.
#include <atomic>

#include "app/application.hpp"
#include "core/text_ops.hpp"
#include "encoding/code_page.hpp"
#include "http/http_request.hpp"

namespace kessaro {
namespace {

// The source is UTF-8; every text inside the system is code page 936.
Text ansi(const char* utf8) {
    return utf8_to_ansi(utf8);
}

// The three controls that a running collect or save disables, in the order they are switched.
void set_run_controls_enabled(WindowOps& window, bool enabled) {
    window.set_enabled(Control::按钮_保存图片, enabled);
    window.set_enabled(Control::按钮_搜索图片, enabled);
    window.set_enabled(Control::编辑框_图片名子, enabled);
}

// The end of a collect: the caption, the two stop/restart buttons, the controls back.
void finish_collect(WindowOps& window, const Text& caption) {
    window.set_window_caption(caption);
    window.set_button_caption(Control::按钮_停止采集图片, ansi("重新开始采集图片"));
    window.set_button_caption(Control::按钮_停止保存图片, ansi("开始保存图片"));
    set_run_controls_enabled(window, true);
}

Text element_path(int32_t index, const char* member) {
    return "data.list[" + int_to_text(index) + "]." + member;
}

}  // namespace

void Application::collect_pictures() {
    WindowOps& w = window();
    w.list_clear();
    state_.result_count = 0;
    w.progress_set_pos(0);
    set_run_controls_enabled(w, false);
    state_.stop_requested.store(0, std::memory_order_relaxed);
    w.set_button_caption(Control::按钮_停止采集图片, ansi("停止采集图片"));
    w.set_window_caption(ansi("即将开始采集！请稍等。。。"));

    // The word goes in byte for byte, unescaped, right after the "%".
    const Text word = w.control_text(Control::编辑框_图片名子);
    const Text url = "http://" + search_host_ + "/intf/search?content=%" + word +
                     "&pageno=1&count=10000000000000";
    // The method given (0, GET), every other parameter omitted.
    const Bytes body = http_request(url, {.method = 0});
    state_.reply_text = utf8_to_ansi(bytes_to_text(body));

    // Every failed request ends here too. The window must not stay locked with a caption that
    // promises a result: restore what the end of a collect restores and say what happened.
    if (!state_.reply_doc || !state_.reply_doc->parse(state_.reply_text)) {
        finish_collect(w, ansi("采集失败！请检查网络或搜索词后重试。"));
        return;
    }
    JsonDoc& doc = *state_.reply_doc;
    state_.result_count = doc.member_count("data.list");
    w.progress_set_max(state_.result_count);
    w.set_window_caption(ansi("正在采集中！请等待采集完毕。。。"));

    // A nested run (started from a pause below) replaces the list, the document and the
    // count; this run keeps its own bound and counters and reads from whatever is there now.
    const int32_t n = state_.result_count;
    for (int32_t i = 1, k = 0; i <= n; ++i) {
        if (state_.stop_requested.load(std::memory_order_relaxed) == 1 || window_closed_)
            break;
        state_.last_row = w.list_append_row();
        w.list_set_cell(state_.last_row, 0, int_to_text(i));
        w.list_set_cell(state_.last_row, 1, doc.get_text(element_path(k, "tag")));
        w.list_set_cell(state_.last_row, 2, doc.get_text(element_path(k, "url")));
        w.progress_set_pos(w.progress_pos() + 1);
        ++k;
        w.list_scroll_to(state_.last_row);
        w.pause_with_events(100);
        w.process_events();
    }
    // The window was closed from inside one of the pauses (the close also set the stop
    // request): it is gone, so this run ends without touching it.
    if (window_closed_)
        return;
    finish_collect(w, ansi("恭喜！采集完毕。"));
}

void Application::start_save_worker() {
    // The application object lives as long as the process, which may end with the worker.
    run_on_new_thread([this] { save_pictures(); });
}

// Called on the save worker's thread. It reaches the window only through the control
// operations (carried over to the window thread) and shares only stop_requested.
void Application::save_pictures() {
    WindowOps& w = window();
    w.progress_set_max(w.list_row_count());
    w.progress_set_pos(0);
    // The folder box is read anew at every use: a folder chosen meanwhile takes effect at once.
    if (!path_exists(w.control_text(Control::编辑框_保存路径))) {
        create_directory(w.control_text(Control::编辑框_保存路径));
    }
    if (w.control_text(Control::编辑框_保存路径).empty()) {
        w.message_box(ansi("请先设置图片保存路径！在进行保存操作。"), MessageKind::ok);
        return;
    }
    w.set_window_caption(ansi("正在保存图片中！请等待保存完毕。。。"));
    w.set_button_caption(Control::按钮_停止保存图片, ansi("停止保存图片"));
    set_run_controls_enabled(w, false);
    state_.stop_requested.store(0, std::memory_order_relaxed);

    const int32_t m = w.list_row_count();
    for (int32_t i = 1, j = 0; i <= m; ++i) {
        if (state_.stop_requested.load(std::memory_order_relaxed) == 1)
            break;
        const Text path = w.control_text(Control::编辑框_保存路径) + "\\" + int_to_text(i) + ".png";
        const Text url = w.list_cell(j, 2);
        // A failed download still leaves its (empty) file, and the loop goes on.
        write_file(path, http_request(url));
        ++j;
        w.progress_set_pos(w.progress_pos() + 1);
        w.pause_with_events(100);
        w.process_events();
    }
    w.set_window_caption(ansi("恭喜！保存完毕。"));
    w.set_button_caption(Control::按钮_停止保存图片, ansi("重新开始保存图片"));
    set_run_controls_enabled(w, true);
}

void Application::preview_current_row() {
    WindowOps& w = window();
    // The address comes from the parsed reply, not the list cell; with no row selected the
    // path names nothing, the request fails and the picture box is emptied.
    const int32_t row = w.list_current_row();
    const Text url =
        state_.reply_doc ? state_.reply_doc->get_text(element_path(row, "url")) : Text();
    w.show_picture(http_request(url));
}

void Application::choose_save_folder() {
    WindowOps& w = window();
    const Text chosen = w.choose_folder(ansi("请选择保存路径"));
    // A cancelled choice changes nothing: no folder named after the word at the root.
    if (chosen.empty())
        return;
    const Text folder = chosen + "\\" + w.control_text(Control::编辑框_图片名子);
    state_.chosen_folder = folder;
    // A subfolder that exists already, or cannot be made, is not taken.
    if (create_directory(folder))
        w.set_control_text(Control::编辑框_保存路径, folder);
}

void Application::toggle_collecting() {
    WindowOps& w = window();
    if (w.button_caption(Control::按钮_停止采集图片) == ansi("停止采集图片")) {
        w.set_button_caption(Control::按钮_停止采集图片, ansi("重新开始采集图片"));
        w.set_button_caption(Control::按钮_停止保存图片, ansi("开始保存图片"));
        state_.stop_requested.store(1, std::memory_order_relaxed);
        return;
    }
    w.set_button_caption(Control::按钮_停止采集图片, ansi("停止采集图片"));
    collect_pictures();
}

void Application::toggle_saving() {
    WindowOps& w = window();
    if (w.button_caption(Control::按钮_停止保存图片) == ansi("停止保存图片")) {
        w.set_button_caption(Control::按钮_停止保存图片, ansi("重新开始保存图片"));
        state_.stop_requested.store(1, std::memory_order_relaxed);
        return;
    }
    if (w.control_text(Control::编辑框_保存路径).empty())
        return;
    w.set_button_caption(Control::按钮_停止保存图片, ansi("停止保存图片"));
    start_save_worker();
}

bool Application::confirm_close() {
    WindowOps& w = window();
    if (w.message_box(ansi("是否要关闭？"), MessageKind::ok_cancel) != 0)
        return false;
    state_.stop_requested.store(1, std::memory_order_relaxed);
    // Running loops see the stop request during this pause and end.
    w.pause_with_events(1000);
    window_closed_ = true;
    return true;
}

}  // namespace kessaro
