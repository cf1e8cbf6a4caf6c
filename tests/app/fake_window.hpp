// A window double without a toolkit: it keeps the controls' state in plain values, logs every
// operation in order, answers the dialogs as the test says and lets the test act inside the
// pauses of the window thread (where a real window would handle the user's clicks). It is
// thread-safe, since the save worker calls it from its own thread.
#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/window_ops.hpp"
#include "encoding/code_page.hpp"

namespace kessaro::testing {

inline const char* control_name(Control control) {
    switch (control) {
        case Control::按钮_搜索图片:
            return "按钮_搜索图片";
        case Control::编辑框_图片名子:
            return "编辑框_图片名子";
        case Control::标签1:
            return "标签1";
        case Control::图片框1:
            return "图片框1";
        case Control::按钮_保存图片:
            return "按钮_保存图片";
        case Control::编辑框_保存路径:
            return "编辑框_保存路径";
        case Control::标签2:
            return "标签2";
        case Control::按钮_停止采集图片:
            return "按钮_停止采集图片";
        case Control::按钮_停止保存图片:
            return "按钮_停止保存图片";
        case Control::按钮_设置图片保存路径:
            return "按钮_设置图片保存路径";
        case Control::进度条_保存进度:
            return "进度条_保存进度";
        case Control::超级列表框_图片数据显示:
            return "超级列表框_图片数据显示";
    }
    return "?";
}

// Code page 936 text as UTF-8, for readable logs and failure messages.
inline std::string utf8(const Text& text) {
    return cp936_to_utf8(text);
}

class FakeWindow : public WindowOps {
    // Defined before their first use, as their return types are deduced.
    template <typename F>
    auto locked(F&& f) const {
        std::lock_guard lock(mutex_);
        return f();
    }
    // Notifies under the lock: a waiter that sees this call's effect may destroy the double
    // at once, so the calling thread must not touch it after unlocking.
    template <typename F>
    auto record(std::string entry, F&& f) {
        std::lock_guard lock(mutex_);
        log_.push_back(std::move(entry));
        on_window_thread_.push_back(std::this_thread::get_id() == window_thread_);
        changed_.notify_all();
        return f();
    }

  public:
    using Row = std::array<Text, 3>;

    // The thread that builds the double plays the window thread.
    FakeWindow() : window_thread_(std::this_thread::get_id()) {
        captions_[Control::按钮_停止采集图片] = utf8_to_ansi("停止采集图片");
        captions_[Control::按钮_停止保存图片] = utf8_to_ansi("停止保存图片");
        texts_[Control::编辑框_图片名子] = utf8_to_ansi("美女");
    }

    // --- what the test sets up ---

    // Runs inside every pause of the window thread, with the pause's 1-based number there:
    // the place where a test clicks while a collect runs.
    void on_window_pause(std::function<void(int)> action) {
        std::lock_guard lock(mutex_);
        window_pause_action_ = std::move(action);
    }
    // Runs on the worker thread inside its pauses, with the pause's 1-based number.
    void on_worker_pause(std::function<void(int)> action) {
        std::lock_guard lock(mutex_);
        worker_pause_action_ = std::move(action);
    }
    void answer_message_boxes(int32_t answer) {
        locked([&] { message_answer_ = answer; });
    }
    void answer_folder_choice(const Text& folder) {
        locked([&] { folder_answer_ = folder; });
    }
    void select_row(int32_t row) {
        locked([&] { current_row_ = row; });
    }
    void set_rows(std::vector<Row> rows) {
        locked([&] { rows_ = std::move(rows); });
    }

    // --- what the test reads ---

    Text caption() const {
        return locked([&] { return caption_; });
    }
    Text text_of(Control box) const {
        return locked([&] { return get(texts_, box); });
    }
    Text caption_of(Control button) const {
        return locked([&] { return get(captions_, button); });
    }
    bool enabled(Control control) const {
        return locked([&] {
            const auto it = enabled_.find(control);
            return it == enabled_.end() || it->second;
        });
    }
    int32_t progress_max() const {
        return locked([&] { return progress_max_; });
    }
    int32_t progress_position() const {
        return locked([&] { return progress_pos_; });
    }
    std::vector<Row> rows() const {
        return locked([&] { return rows_; });
    }
    std::vector<Bytes> pictures() const {
        return locked([&] { return pictures_; });
    }
    std::vector<std::string> log() const {
        return locked([&] { return log_; });
    }
    int count(const std::string& entry) const {
        return locked(
            [&] { return static_cast<int>(std::count(log_.begin(), log_.end(), entry)); });
    }
    // The same, counting only the calls made on the window thread.
    int count_on_window_thread(const std::string& entry) const {
        return locked([&] {
            int n = 0;
            for (std::size_t i = 0; i < log_.size(); ++i)
                n += on_window_thread_[i] && log_[i] == entry;
            return n;
        });
    }

    // Waits, bounded, until `done` holds; false when the limit passed first.
    bool wait_until(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::seconds(30)) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::unique_lock lock(mutex_);
            changed_.wait_for(lock, std::chrono::milliseconds(5));
        }
        return true;
    }
    // A save worker's last call enables the search word box after its caption
    // "恭喜！保存完毕。": waits until `workers` of them have made it.
    bool wait_for_saves(int workers) const {
        return wait_until([&] { return count("end of save") >= workers; });
    }

    // --- the window operations ---

    void set_window_caption(const Text& caption) override {
        record("caption " + utf8(caption), [&] {
            caption_ = caption;
            if (caption == utf8_to_ansi("恭喜！保存完毕。")) {
                save_ending_.insert(std::this_thread::get_id());
            }
        });
    }
    Text control_text(Control box) override {
        return record("read " + std::string(control_name(box)), [&] { return get(texts_, box); });
    }
    void set_control_text(Control box, const Text& text) override {
        record("text " + std::string(control_name(box)) + " " + utf8(text),
               [&] { texts_[box] = text; });
    }
    Text button_caption(Control button) override {
        return record("read " + std::string(control_name(button)),
                      [&] { return get(captions_, button); });
    }
    void set_button_caption(Control button, const Text& caption) override {
        record("button " + std::string(control_name(button)) + " " + utf8(caption),
               [&] { captions_[button] = caption; });
    }
    void set_enabled(Control control, bool enabled) override {
        record(std::string(enabled ? "enable " : "disable ") + control_name(control), [&] {
            enabled_[control] = enabled;
            // A save worker's last call; the marker lets tests wait for the worker's end.
            if (enabled && control == Control::编辑框_图片名子 &&
                save_ending_.erase(std::this_thread::get_id()) > 0) {
                log_.push_back("end of save");
                on_window_thread_.push_back(false);
            }
        });
    }
    void progress_set_max(int32_t maximum) override {
        record("progress max " + std::to_string(maximum),
               [&] { progress_max_ = std::clamp(maximum, 0, 32767); });
    }
    void progress_set_pos(int32_t position) override {
        record("progress " + std::to_string(position),
               [&] { progress_pos_ = std::clamp(position, 0, 32767); });
    }
    int32_t progress_pos() override {
        return locked([&] { return progress_pos_; });
    }
    void list_clear() override {
        record("list clear", [&] {
            rows_.clear();
            current_row_ = -1;
        });
    }
    int32_t list_append_row() override {
        return record("list append", [&] {
            rows_.emplace_back();
            return static_cast<int32_t>(rows_.size() - 1);
        });
    }
    void list_set_cell(int32_t row, int32_t column, const Text& text) override {
        record(
            "cell " + std::to_string(row) + "," + std::to_string(column) + " " + utf8(text), [&] {
                if (row >= 0 && row < static_cast<int32_t>(rows_.size()) && column >= 0 &&
                    column < 3) {
                    rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
                }
            });
    }
    Text list_cell(int32_t row, int32_t column) override {
        return locked([&] {
            if (row < 0 || row >= static_cast<int32_t>(rows_.size()) || column < 0 || column >= 3) {
                return Text();
            }
            return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
        });
    }
    int32_t list_row_count() override {
        return locked([&] { return static_cast<int32_t>(rows_.size()); });
    }
    void list_scroll_to(int32_t row) override {
        record("scroll " + std::to_string(row), [] {});
    }
    int32_t list_current_row() override {
        return locked([&] { return current_row_; });
    }
    void show_picture(const Bytes& picture) override {
        record("picture " + std::to_string(picture.size()), [&] { pictures_.push_back(picture); });
    }
    int32_t message_box(const Text& text, MessageKind kind) override {
        return record(std::string(kind == MessageKind::ok ? "message ok " : "message ok_cancel ") +
                          utf8(text),
                      [&] { return message_answer_; });
    }
    Text choose_folder(const Text& title) override {
        return record("choose folder " + utf8(title), [&] { return folder_answer_; });
    }
    void pause_with_events(int32_t milliseconds) override {
        const bool window_thread = std::this_thread::get_id() == window_thread_;
        std::function<void(int)> action;
        int number = 0;
        record((window_thread ? "pause " : "worker pause ") + std::to_string(milliseconds), [&] {
            number = window_thread ? ++window_pauses_ : ++worker_pauses_;
            action = window_thread ? window_pause_action_ : worker_pause_action_;
        });
        // The window thread's pause is where the user's clicks run; the worker's is a plain,
        // shortened wait (the tests do not need its length).
        if (!window_thread)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (action)
            action(number);
    }
    void process_events() override {
        record("events", [] {});
    }

  private:
    static Text get(const std::map<Control, Text>& map, Control control) {
        const auto it = map.find(control);
        return it == map.end() ? Text() : it->second;
    }

    const std::thread::id window_thread_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    Text caption_ = "Kessaro";
    std::map<Control, Text> texts_;
    std::map<Control, Text> captions_;
    std::map<Control, bool> enabled_;
    int32_t progress_max_ = 100;
    int32_t progress_pos_ = 0;
    std::vector<Row> rows_;
    int32_t current_row_ = -1;
    std::vector<Bytes> pictures_;
    std::vector<std::string> log_;
    std::vector<bool> on_window_thread_;  // beside each entry of log_
    int32_t message_answer_ = 0;
    Text folder_answer_;
    std::function<void(int)> window_pause_action_;
    std::function<void(int)> worker_pause_action_;
    int window_pauses_ = 0;
    int worker_pauses_ = 0;
    // Workers that have shown "恭喜！保存完毕。" and have not yet made their last call.
    std::set<std::thread::id> save_ending_;
};

}  // namespace kessaro::testing
