// The handlers around the two workflows over the window double: the two stop/restart buttons
// from the start state, the folder choice, the preview and the close confirmation.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/app/workflow_fixture.hpp"

namespace kessaro::testing {
namespace {

namespace fs = std::filesystem;
using ControlsTest = WorkflowTest;

TEST_F(ControlsTest, CollectButtonFromTheStartFirstStopsThenStartsACollect) {
    server_.set_search_reply(reply_of({{quoted("t"), quoted("u")}}));
    app_.toggle_collecting();
    EXPECT_EQ(utf8(window_.caption_of(Control::按钮_停止采集图片)), "重新开始采集图片");
    EXPECT_EQ(utf8(window_.caption_of(Control::按钮_停止保存图片)), "开始保存图片");
    EXPECT_EQ(stop_requested(), 1);
    EXPECT_TRUE(server_.targets().empty());

    app_.toggle_collecting();
    EXPECT_EQ(server_.targets().size(), 1u);
    EXPECT_EQ(window_.rows().size(), 1u);
    EXPECT_EQ(window_.count("button 按钮_停止采集图片 停止采集图片"),
              2);  // the click's, the collect's
    EXPECT_EQ(utf8(window_.caption_of(Control::按钮_停止采集图片)), "重新开始采集图片");
}

TEST_F(ControlsTest, SaveButtonFromTheStartFirstStopsThenStartsAWorker) {
    app_.toggle_saving();
    EXPECT_EQ(utf8(window_.caption_of(Control::按钮_停止保存图片)), "重新开始保存图片");
    EXPECT_EQ(stop_requested(), 1);
    EXPECT_EQ(window_.count("caption 正在保存图片中！请等待保存完毕。。。"), 0);

    app_.toggle_saving();  // saves the empty list
    ASSERT_TRUE(window_.wait_for_saves(1));
    EXPECT_EQ(stop_requested(), 0);
    EXPECT_EQ(utf8(window_.caption()), "恭喜！保存完毕。");

    // With an empty folder box the restart does nothing at all, not even the message.
    window_.set_control_text(Control::编辑框_保存路径, Text());
    const std::size_t calls = window_.log().size();
    app_.toggle_saving();
    EXPECT_EQ(window_.log().size(), calls + 2);  // reading the caption and the folder box
    EXPECT_EQ(utf8(window_.caption_of(Control::按钮_停止保存图片)), "重新开始保存图片");
}

TEST_F(ControlsTest, ChoosingAFolderMakesASubfolderNamedAfterTheWord) {
    const fs::path base = folder_ / "base";
    fs::create_directory(base);
    const Text default_folder = window_.text_of(Control::编辑框_保存路径);
    window_.set_control_text(Control::编辑框_图片名子, ansi("美女"));
    window_.answer_folder_choice(text_from_native_path(base.string()));

    app_.choose_save_folder();
    const Text made = text_from_native_path(base.string()) + "\\" + ansi("美女");
    EXPECT_TRUE(fs::is_directory(base / "美女"));
    EXPECT_EQ(window_.text_of(Control::编辑框_保存路径), made);
    EXPECT_EQ(app_.state().chosen_folder, made);
    EXPECT_EQ(window_.count("choose folder 请选择保存路径"), 1);

    // The same choice again: the subfolder exists, so the box keeps its text.
    window_.set_control_text(Control::编辑框_保存路径, default_folder);
    app_.choose_save_folder();
    EXPECT_EQ(window_.text_of(Control::编辑框_保存路径), default_folder);
    EXPECT_EQ(app_.state().chosen_folder, made);

    // A cancelled choice changes nothing, and makes no folder named after the word.
    window_.set_control_text(Control::编辑框_图片名子, Text("kessaro-cancel-check"));
    window_.answer_folder_choice(Text());
    app_.choose_save_folder();
    EXPECT_EQ(window_.text_of(Control::编辑框_保存路径), default_folder);
    EXPECT_EQ(app_.state().chosen_folder, made);
    EXPECT_FALSE(fs::exists("/kessaro-cancel-check"));
}

TEST_F(ControlsTest, PreviewShowsTheParsedAddressOfTheSelectedRow) {
    server_.set_body("/p/a", "first");
    server_.set_body("/p/c", "third picture");
    server_.set_search_reply(reply_of({{quoted("a"), quoted(server_.url("/p/a"))},
                                       {quoted("b"), quoted(server_.url("/p/b"))},
                                       {quoted("c"), quoted(server_.url("/p/c"))}}));
    app_.collect_pictures();
    // The address comes from the reply, not from the list cell.
    std::vector<FakeWindow::Row> rows = window_.rows();
    rows[2][2] = Text(server_.url("/p/a"));
    window_.set_rows(rows);

    window_.select_row(2);
    app_.preview_current_row();
    window_.select_row(-1);  // a click on empty space
    app_.preview_current_row();
    const std::vector<Bytes> shown = window_.pictures();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], Bytes(std::string_view("third picture")));
    EXPECT_TRUE(shown[1].empty());
}

TEST_F(ControlsTest, CloseAnsweredCancelChangesNothingAndOkStopsAndPausesFirst) {
    window_.answer_message_boxes(1);
    EXPECT_FALSE(app_.confirm_close());
    EXPECT_EQ(stop_requested(), 0);
    EXPECT_EQ(window_.count("pause 1000"), 0);

    window_.answer_message_boxes(0);
    int32_t stop_seen_in_pause = -1;
    window_.on_window_pause([&](int) { stop_seen_in_pause = stop_requested(); });
    EXPECT_TRUE(app_.confirm_close());
    EXPECT_EQ(stop_seen_in_pause, 1);
    EXPECT_EQ(window_.count("message ok_cancel 是否要关闭？"), 2);
    EXPECT_EQ(window_.log().back(), "pause 1000");
}

}  // namespace
}  // namespace kessaro::testing
