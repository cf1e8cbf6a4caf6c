// Saving on the worker thread over the window double: the numbered files and their bytes, the
// window at the start and the end, stopping mid-download, failed downloads, a folder chosen
// while saving, saving twice and a missing save folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "tests/app/workflow_fixture.hpp"

namespace kessaro::testing {
namespace {

namespace fs = std::filesystem;
using SaveTest = WorkflowTest;

void expect_save_end(const FakeWindow& window) {
    EXPECT_EQ(utf8(window.caption()), "恭喜！保存完毕。");
    EXPECT_EQ(utf8(window.caption_of(Control::按钮_停止保存图片)), "重新开始保存图片");
    for (Control c : {Control::按钮_保存图片, Control::按钮_搜索图片, Control::编辑框_图片名子}) {
        EXPECT_TRUE(window.enabled(c)) << control_name(c);
    }
}

TEST_F(SaveTest, ThreeRowsGoIntoTheDefaultFolderAsNumberedFilesHoldingTheBodies) {
    const std::vector<std::string> bodies = serve_pictures(3);
    fs::remove(save_folder());  // the worker makes it again
    app_.start_save_worker();
    ASSERT_TRUE(window_.wait_for_saves(1));

    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(read_file(save_folder() / (std::to_string(n) + ".png")), bodies[n - 1]) << n;
    }
    EXPECT_FALSE(fs::exists(save_folder() / "4.png"));
    EXPECT_EQ(std::distance(fs::directory_iterator(save_folder()), fs::directory_iterator()), 3);
    EXPECT_EQ(window_.progress_max(), 3);
    EXPECT_EQ(window_.progress_position(), 3);
    expect_save_end(window_);
    EXPECT_EQ(window_.count("worker pause 100"), 3);
    // The worker's start in its order (the folder box is read for each use).
    const std::vector<std::string> log = window_.log();
    const auto start = std::find(log.begin(), log.end(), "progress max 3");
    ASSERT_NE(start, log.end());
    EXPECT_EQ(std::vector<std::string>(start, start + 10),
              (std::vector<std::string>{
                  "progress max 3", "progress 0", "read 编辑框_保存路径", "read 编辑框_保存路径",
                  "read 编辑框_保存路径", "caption 正在保存图片中！请等待保存完毕。。。",
                  "button 按钮_停止保存图片 停止保存图片", "disable 按钮_保存图片",
                  "disable 按钮_搜索图片", "disable 编辑框_图片名子"}));
}

TEST_F(SaveTest, AnEmptyListWritesNothingAndEndsAtOnce) {
    app_.start_save_worker();
    ASSERT_TRUE(window_.wait_for_saves(1));
    EXPECT_EQ(window_.progress_max(), 0);
    EXPECT_TRUE(fs::is_empty(save_folder()));
    EXPECT_EQ(window_.count("worker pause 100"), 0);
    expect_save_end(window_);
}

TEST_F(SaveTest, StopDuringTheSecondDownloadStillWritesItButNotTheThird) {
    const std::vector<std::string> bodies = serve_pictures(3);
    server_.hold("/p/2");
    app_.start_save_worker();
    ASSERT_TRUE(server_.wait_for_request("/p/2"));
    app_.toggle_saving();  // shows "停止保存图片" while the worker runs
    EXPECT_EQ(utf8(window_.caption_of(Control::按钮_停止保存图片)), "重新开始保存图片");
    server_.release("/p/2");
    ASSERT_TRUE(window_.wait_for_saves(1));

    EXPECT_EQ(read_file(save_folder() / "2.png"), bodies[1]);
    EXPECT_FALSE(fs::exists(save_folder() / "3.png"));
    EXPECT_EQ(window_.progress_position(), 2);
    expect_save_end(window_);
}

TEST_F(SaveTest, FailedDownloadsLeaveEmptyFilesAndTheLoopGoesOn) {
    const std::vector<std::string> bodies = serve_pictures(4);
    std::vector<FakeWindow::Row> rows = window_.rows();
    rows[1][2] = Text("http://127.0.0.1:1/refused.png");  // nothing listens there
    rows[2][2] = Text();                                  // no address at all
    window_.set_rows(rows);
    app_.start_save_worker();
    ASSERT_TRUE(window_.wait_for_saves(1));

    EXPECT_EQ(read_file(save_folder() / "1.png"), bodies[0]);
    EXPECT_EQ(read_file(save_folder() / "2.png"), "");
    EXPECT_EQ(read_file(save_folder() / "3.png"), "");
    EXPECT_EQ(read_file(save_folder() / "4.png"), bodies[3]);
    EXPECT_EQ(window_.progress_position(), 4);
}

TEST_F(SaveTest, AFolderChosenWhileSavingTakesTheFollowingFilesWithTheNumberingContinued) {
    const std::vector<std::string> bodies = serve_pictures(3);
    const fs::path chosen = folder_ / "chosen";
    fs::create_directory(chosen);
    window_.answer_folder_choice(text_from_native_path(chosen.string()));
    window_.set_control_text(Control::编辑框_图片名子, Text("word"));

    // The worker waits in its first pause until the window thread has handled the choice.
    std::promise<void> chosen_done;
    std::shared_future<void> chosen_future = chosen_done.get_future().share();
    window_.on_worker_pause([chosen_future](int pause) {
        if (pause == 1)
            chosen_future.wait_for(std::chrono::seconds(20));
    });
    app_.start_save_worker();
    ASSERT_TRUE(window_.wait_until([&] { return window_.count("worker pause 100") >= 1; }));
    app_.choose_save_folder();
    chosen_done.set_value();
    ASSERT_TRUE(window_.wait_for_saves(1));

    EXPECT_EQ(read_file(save_folder() / "1.png"), bodies[0]);
    EXPECT_FALSE(fs::exists(save_folder() / "2.png"));
    EXPECT_FALSE(fs::exists(chosen / "word" / "1.png"));
    EXPECT_EQ(read_file(chosen / "word" / "2.png"), bodies[1]);
    EXPECT_EQ(read_file(chosen / "word" / "3.png"), bodies[2]);
}

TEST_F(SaveTest, SavingTwiceReplacesTheFiles) {
    serve_pictures(2);
    app_.start_save_worker();
    ASSERT_TRUE(window_.wait_for_saves(1));
    server_.set_body("/p/1", "new one");
    server_.set_body("/p/2", "");
    app_.toggle_saving();  // the button shows "重新开始保存图片" now: a second worker starts
    ASSERT_TRUE(window_.wait_for_saves(2));
    EXPECT_EQ(read_file(save_folder() / "1.png"), "new one");
    EXPECT_EQ(read_file(save_folder() / "2.png"), "");
    EXPECT_EQ(std::distance(fs::directory_iterator(save_folder()), fs::directory_iterator()), 2);
}

TEST_F(SaveTest, AnEmptyFolderBoxIsReportedAndNothingElseChanges) {
    serve_pictures(2);
    window_.set_control_text(Control::编辑框_保存路径, Text());
    const Text caption_before = window_.caption();
    app_.start_save_worker();
    // The message is the worker's last step.
    ASSERT_TRUE(window_.wait_until(
        [&] { return window_.count("message ok 请先设置图片保存路径！在进行保存操作。") == 1; }));
    EXPECT_EQ(window_.log().back(), "message ok 请先设置图片保存路径！在进行保存操作。");
    EXPECT_EQ(window_.progress_max(), 2);
    EXPECT_EQ(window_.progress_position(), 0);
    EXPECT_EQ(window_.caption(), caption_before);
    EXPECT_EQ(utf8(window_.caption_of(Control::按钮_停止保存图片)), "停止保存图片");
    EXPECT_TRUE(window_.enabled(Control::按钮_保存图片));
}

TEST_F(SaveTest, AMissingFolderIsCreatedOneLevelDeep) {
    const std::vector<std::string> bodies = serve_pictures(1);
    const fs::path fresh = folder_ / "fresh";
    const fs::path too_deep = folder_ / "missing" / "deeper";
    window_.set_control_text(Control::编辑框_保存路径, text_from_native_path(fresh.string()));
    app_.start_save_worker();
    ASSERT_TRUE(window_.wait_for_saves(1));
    EXPECT_EQ(read_file(fresh / "1.png"), bodies[0]);

    // Only one level is made: the file cannot be written, and the run still ends normally.
    window_.set_control_text(Control::编辑框_保存路径, text_from_native_path(too_deep.string()));
    app_.start_save_worker();
    ASSERT_TRUE(window_.wait_for_saves(2));
    EXPECT_FALSE(fs::exists(folder_ / "missing"));
    expect_save_end(window_);
}

}  // namespace
}  // namespace kessaro::testing
