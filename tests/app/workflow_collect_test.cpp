// Collecting picture links over the window double: the rows, the captions and button texts at
// their moments, the request sent, a failed search, stopping, nested runs and a close that
// happens inside a collect's pause.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/app/workflow_fixture.hpp"

namespace kessaro::testing {
namespace {

using CollectTest = WorkflowTest;

// The entries of `log` from the first one equal to `from` on (all of it when absent).
std::vector<std::string> tail_from(const std::vector<std::string>& log, const std::string& from) {
    const auto it = std::find(log.begin(), log.end(), from);
    return {it == log.end() ? log.begin() : it, log.end()};
}

void expect_collect_end(const FakeWindow& window, const char* caption) {
    EXPECT_EQ(utf8(window.caption()), caption);
    EXPECT_EQ(utf8(window.caption_of(Control::按钮_停止采集图片)), "重新开始采集图片");
    EXPECT_EQ(utf8(window.caption_of(Control::按钮_停止保存图片)), "开始保存图片");
    for (Control c : {Control::按钮_保存图片, Control::按钮_搜索图片, Control::编辑框_图片名子}) {
        EXPECT_TRUE(window.enabled(c)) << control_name(c);
    }
}

TEST_F(CollectTest, ThreeElementsGiveNumberedRowsAndTheFinishedWindow) {
    server_.set_search_reply(reply_of({{quoted("晨曦"), quoted("http://a.example/1.png")},
                                       {quoted("星空"), quoted("http://a.example/2.jpg")},
                                       {quoted("海岸"), quoted("http://a.example/3.gif")}}));
    window_.set_rows({{Text("old"), Text("row"), Text("gone")}});
    app_.collect_pictures();

    const std::vector<FakeWindow::Row> expected = {
        {Text("1"), ansi("晨曦"), Text("http://a.example/1.png")},
        {Text("2"), ansi("星空"), Text("http://a.example/2.jpg")},
        {Text("3"), ansi("海岸"), Text("http://a.example/3.gif")}};
    EXPECT_EQ(window_.rows(), expected);
    EXPECT_EQ(window_.progress_max(), 3);
    EXPECT_EQ(window_.progress_position(), 3);
    expect_collect_end(window_, "恭喜！采集完毕。");
    EXPECT_EQ(app_.state().result_count, 3);
    EXPECT_EQ(app_.state().last_row, 2);

    // The beginning in its order, the captions at their moments, and one 100 ms pause with
    // event handling after each row.
    const std::vector<std::string> log = window_.log();
    const std::vector<std::string> start(log.begin() + 1, log.begin() + 10);  // after the folder
    EXPECT_EQ(start,
              (std::vector<std::string>{
                  "list clear", "progress 0", "disable 按钮_保存图片", "disable 按钮_搜索图片",
                  "disable 编辑框_图片名子", "button 按钮_停止采集图片 停止采集图片",
                  "caption 即将开始采集！请稍等。。。", "read 编辑框_图片名子", "progress max 3"}));
    EXPECT_EQ(
        tail_from(log, "scroll 2"),
        (std::vector<std::string>{"scroll 2", "pause 100", "events", "caption 恭喜！采集完毕。",
                                  "button 按钮_停止采集图片 重新开始采集图片",
                                  "button 按钮_停止保存图片 开始保存图片", "enable 按钮_保存图片",
                                  "enable 按钮_搜索图片", "enable 编辑框_图片名子"}));
    EXPECT_EQ(window_.count("pause 100"), 3);
    EXPECT_EQ(window_.count("caption 正在采集中！请等待采集完毕。。。"), 1);
}

TEST_F(CollectTest, SendsTheWordRawAfterThePercentSign) {
    struct Case {
        const char* word;  // UTF-8, converted to 936 for the box
        const char* target;
    };
    // What arrives is the request layer's wire form of the URL built with the word unescaped:
    // its 936 bytes as escaped UTF-8, a space escaped, "&" starting a key of its own.
    const Case cases[] = {
        {"美女", "/intf/search?content=%%E7%BE%8E%E5%A5%B3&pageno=1&count=10000000000000"},
        {"a b&c", "/intf/search?content=%a%20b&c&pageno=1&count=10000000000000"},
        {"", "/intf/search?content=%&pageno=1&count=10000000000000"},
    };
    server_.set_search_reply(reply_of({}));
    for (const Case& c : cases) {
        window_.set_control_text(Control::编辑框_图片名子, ansi(c.word));
        app_.collect_pictures();
        ASSERT_FALSE(server_.targets().empty());
        EXPECT_EQ(server_.targets().back(), c.target) << c.word;
    }
}

TEST_F(CollectTest, RepliesWithoutUsableElements) {
    struct Case {
        const char* what;
        std::string reply;
        std::vector<FakeWindow::Row> rows;
    };
    const Case cases[] = {
        {"empty list", reply_of({}), {}},
        {"no list", R"({"data":{"count":2}})", {}},
        {"tag holds a number",
         reply_of({{"12", quoted("u")}}),
         {{Text("1"), Text("12"), Text("u")}}},
        {"members missing or null",
         reply_of({{"", quoted("u1")}, {"null", ""}}),
         {{Text("1"), Text(), Text("u1")}, {Text("2"), Text(), Text()}}},
    };
    for (const Case& c : cases) {
        server_.set_search_reply(c.reply);
        app_.collect_pictures();
        EXPECT_EQ(window_.rows(), c.rows) << c.what;
        EXPECT_EQ(window_.progress_max(), static_cast<int32_t>(c.rows.size())) << c.what;
        expect_collect_end(window_, "恭喜！采集完毕。");
    }
}

TEST_F(CollectTest, FailedSearchRestoresTheWindowAndSaysSo) {
    struct Case {
        const char* what;
        std::string host;
        std::string reply;
    };
    const Case cases[] = {
        // Port 1 on the loopback refuses connections: the request returns no body.
        {"refused connection", "127.0.0.1:1", ""},
        {"reply that is not script", server_.host(), "<html>502 Bad Gateway</html>"},
    };
    for (const Case& c : cases) {
        Application app{Text(c.host), text_from_native_path(folder_.string())};
        app.attach_window(window_);
        server_.set_search_reply(c.reply);
        app.collect_pictures();
        EXPECT_TRUE(window_.rows().empty()) << c.what;
        EXPECT_EQ(window_.progress_position(), 0) << c.what;
        expect_collect_end(window_, "采集失败！请检查网络或搜索词后重试。");
        EXPECT_EQ(window_.count("pause 100"), 0) << c.what;
    }
}

TEST_F(CollectTest, StopAfterTheFifthRowLeavesBeforeASixth) {
    server_.set_search_reply(reply_of(
        {{"1", ""}, {"2", ""}, {"3", ""}, {"4", ""}, {"5", ""}, {"6", ""}, {"7", ""}, {"8", ""}}));
    window_.on_window_pause([&](int pause) {
        if (pause == 5)
            app_.toggle_collecting();
    });
    app_.collect_pictures();
    EXPECT_EQ(window_.rows().size(), 5u);
    EXPECT_EQ(window_.progress_max(), 8);
    EXPECT_EQ(window_.progress_position(), 5);
    EXPECT_EQ(stop_requested(), 1);
    expect_collect_end(window_, "恭喜！采集完毕。");
}

TEST_F(CollectTest, SaveStopClickedDuringACollectStopsItToo) {
    server_.set_search_reply(reply_of({{"1", ""}, {"2", ""}, {"3", ""}, {"4", ""}}));
    // 按钮_停止保存图片 shows "停止保存图片" from the start.
    window_.on_window_pause([&](int pause) {
        if (pause == 2)
            app_.toggle_saving();
    });
    app_.collect_pictures();
    EXPECT_EQ(window_.rows().size(), 2u);
    EXPECT_EQ(utf8(window_.caption()), "恭喜！采集完毕。");
    EXPECT_EQ(window_.count("worker pause 100"), 0);  // no worker was started
}

TEST_F(CollectTest, ACollectStartedInsideAPauseReplacesTheListAndTheOuterRunGoesOn) {
    server_.set_search_reply(reply_of({{quoted("a1"), quoted("u1")},
                                       {quoted("a2"), quoted("u2")},
                                       {quoted("a3"), quoted("u3")},
                                       {quoted("a4"), quoted("u4")}}));
    window_.on_window_pause([&](int pause) {
        if (pause != 2)
            return;
        server_.set_search_reply(
            reply_of({{quoted("b1"), quoted("v1")}, {quoted("b2"), quoted("v2")}}));
        app_.toggle_collecting();  // stops ...
        app_.toggle_collecting();  // ... and restarts: the inner collect runs to its end here
    });
    app_.collect_pictures();
    // The outer run goes on with its own numbers, reading the inner run's document, which
    // has no third or fourth element.
    const std::vector<FakeWindow::Row> expected = {{Text("1"), Text("b1"), Text("v1")},
                                                   {Text("2"), Text("b2"), Text("v2")},
                                                   {Text("3"), Text(), Text()},
                                                   {Text("4"), Text(), Text()}};
    EXPECT_EQ(window_.rows(), expected);
    EXPECT_EQ(window_.count("caption 恭喜！采集完毕。"), 2);
    expect_collect_end(window_, "恭喜！采集完毕。");
}

TEST_F(CollectTest, ClosedInsideAPauseTheCollectEndsWithoutTouchingTheWindow) {
    server_.set_search_reply(reply_of({{"1", ""}, {"2", ""}, {"3", ""}, {"4", ""}}));
    bool may_close = false;
    window_.answer_message_boxes(0);
    window_.on_window_pause([&](int pause) {
        if (pause == 2)
            may_close = app_.confirm_close();
    });
    app_.collect_pictures();
    EXPECT_TRUE(may_close);
    EXPECT_EQ(stop_requested(), 1);
    EXPECT_EQ(window_.rows().size(), 2u);
    // The close's one-second pause is the last thing that reached the window; the collect's
    // own pause then ends with the event handling of its thread.
    EXPECT_EQ(tail_from(window_.log(), "pause 1000"),
              (std::vector<std::string>{"pause 1000", "events"}));
    EXPECT_EQ(window_.count("message ok_cancel 是否要关闭？"), 1);
}

}  // namespace
}  // namespace kessaro::testing
