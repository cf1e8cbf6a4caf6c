// The save worker next to the window thread: two workers at once (nothing keeps a second one
// from starting), the stop flag and both toggles clicked while they run, and a collect that
// clears the list under them. Run under ThreadSanitizer as well; the assertions hold whatever
// the interleaving: each worker ends, and only whole numbered files are left.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/app/workflow_fixture.hpp"

namespace kessaro::testing {
namespace {

namespace fs = std::filesystem;
using ThreadsTest = WorkflowTest;

TEST_F(ThreadsTest, WorkersTogglesAndACollectShareTheWindowAndTheStopFlag) {
    const std::vector<std::string> bodies = serve_pictures(12);
    server_.set_search_reply(reply_of({{"1", ""}, {"2", ""}, {"3", ""}}));

    app_.start_save_worker();
    app_.start_save_worker();
    for (int click = 0; click < 6; ++click) {
        app_.toggle_saving();      // stops, or starts one more worker
        app_.toggle_collecting();  // stops, or runs a whole collect here
    }
    // Two workers to start with, and one more for each click that restarted saving: the
    // click shows "停止保存图片" on the window thread before it starts a worker.
    const int workers = 2 + window_.count_on_window_thread("button 按钮_停止保存图片 停止保存图片");
    ASSERT_TRUE(window_.wait_for_saves(workers));

    const std::set<std::string> allowed_bodies(bodies.begin(), bodies.end());
    for (const auto& entry : fs::directory_iterator(save_folder())) {
        const std::string name = entry.path().filename().string();
        const int number = std::stoi(name);
        EXPECT_EQ(name, std::to_string(number) + ".png");
        EXPECT_GE(number, 1);
        EXPECT_LE(number, 12);
        // Either the row's picture or empty (its row was cleared by the collect).
        const std::string body = read_file(entry.path()).value_or("?");
        EXPECT_TRUE(body.empty() || allowed_bodies.count(body)) << name;
    }
}

}  // namespace
}  // namespace kessaro::testing
