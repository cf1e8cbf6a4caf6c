// The workflows end to end over the real main window (offscreen), driven by clicks on its
// controls, against a server of the test's own or the demo search service on 127.0.0.1.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/application.hpp"
#include "app/application_window.hpp"
#include "app/main_window.hpp"
#include "app/native_path.hpp"
#include "app/picture_box.hpp"
#include "app/progress_bar.hpp"
#include "app/report_list.hpp"
#include "app/toolkit_setup.hpp"
#include "demo-service/catalogue.hpp"
#include "demo-service/demo_service.hpp"
#include "demo-service/picture_encoders.hpp"
#include "demo-service/search_reply.hpp"
#include "tests/app/picture_server.hpp"
#include "tests/app/window_test_support.hpp"
#include "tests/app/workflow_fixture.hpp"

namespace kessaro::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class WindowFlowTest : public ::testing::Test, private WithToolkit {
  protected:
    static ToolkitSetup& setup() {
        static ToolkitSetup made;
        return made;
    }

    // The application and its window, asking `host` (the test's server when empty).
    void start(std::string host = {}) {
        setup();
        if (host.empty())
            host = server_.host();
        app_.emplace(Text(host), text_from_native_path(folder_.path().string()));
        shown_.emplace(*app_);
    }

    ~WindowFlowTest() override {
        // An accepted close ends the application's event loop, which also makes every later
        // event loop of this thread return at once. A short run of the main loop clears that,
        // so that the next test in this program has working pauses and dialogs.
        if (shown_ && !window().isVisible()) {
            QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
            QCoreApplication::exec();
        }
    }

    MainWindow& window() { return shown_->window(); }
    QtWindowOps& ops() { return shown_->ops(); }
    void click(Control button) { window().button(button)->click(); }
    QString title() { return window().windowTitle(); }
    QString text(Control control) {
        if (QPushButton* button = window().button(control))
            return button->text();
        return window().edit_box(control)->text();
    }
    bool enabled(Control control) { return window().control(control).isEnabled(); }
    std::vector<FakeWindow::Row> rows() {
        std::vector<FakeWindow::Row> rows;
        for (int32_t r = 0; r < ops().list_row_count(); ++r) {
            rows.push_back({ops().list_cell(r, 0), ops().list_cell(r, 1), ops().list_cell(r, 2)});
        }
        return rows;
    }
    int32_t stop_requested() { return app_->state().stop_requested.load(); }
    fs::path save_folder() const { return folder_.path() / "保存的图片"; }

    // A worker's downloads may take a while: 30 s before a wait fails.
    static bool serve_until(const std::function<bool()>& done) {
        return testing::serve_until(done, std::chrono::seconds(30));
    }
    // A save worker's end: its caption, then its last call, enabling the search word box.
    bool serve_until_saved() {
        return serve_until(
            [&] { return title() == q("恭喜！保存完毕。") && enabled(Control::编辑框_图片名子); });
    }
    bool serve_until_requested(const std::string& target) {
        return serve_until([&] {
            for (const std::string& seen : server_.targets()) {
                if (seen == target)
                    return true;
            }
            return false;
        });
    }

    void expect_collect_end(const char* caption) {
        EXPECT_EQ(title(), q(caption));
        EXPECT_EQ(text(Control::按钮_停止采集图片), q("重新开始采集图片"));
        EXPECT_EQ(text(Control::按钮_停止保存图片), q("开始保存图片"));
        for (Control c :
             {Control::按钮_保存图片, Control::按钮_搜索图片, Control::编辑框_图片名子}) {
            EXPECT_TRUE(enabled(c)) << control_name(c);
        }
    }
    void expect_save_end() {
        EXPECT_EQ(title(), q("恭喜！保存完毕。"));
        EXPECT_EQ(text(Control::按钮_停止保存图片), q("重新开始保存图片"));
        for (Control c :
             {Control::按钮_保存图片, Control::按钮_搜索图片, Control::编辑框_图片名子}) {
            EXPECT_TRUE(enabled(c)) << control_name(c);
        }
    }

    // Serves `count` small pictures at /p/1 ... and lists them with a collect.
    std::vector<std::string> collect_pictures_served(int count) {
        std::vector<std::string> bodies;
        std::string reply = R"({"data":{"list":[)";
        for (int n = 1; n <= count; ++n) {
            const std::string path = "/p/" + std::to_string(n);
            bodies.push_back("picture " + std::to_string(n) + std::string(100 * n, 'x'));
            server_.set_body(path, bodies.back());
            reply += (n > 1 ? "," : "") + std::string(R"({"tag":"t","url":")") + server_.url(path) +
                     "\"}";
        }
        server_.set_search_reply(reply + "]}}");
        click(Control::按钮_搜索图片);
        EXPECT_EQ(ops().list_row_count(), count);
        return bodies;
    }

    PictureServer server_;
    TemporaryFolder folder_;
    std::optional<Application> app_;
    std::optional<ApplicationWindow> shown_;
};

TEST_F(WindowFlowTest, CollectListsThreeElements) {
    start();
    server_.set_search_reply(reply_of({{quoted("晨曦"), quoted("http://a.example/1.png")},
                                       {quoted("星空"), quoted("http://a.example/2.jpg")},
                                       {"12", quoted("http://a.example/3.gif")}}));
    click(Control::按钮_搜索图片);
    const std::vector<FakeWindow::Row> expected = {
        {Text("1"), ansi("晨曦"), Text("http://a.example/1.png")},
        {Text("2"), ansi("星空"), Text("http://a.example/2.jpg")},
        {Text("3"), Text("12"), Text("http://a.example/3.gif")}};
    EXPECT_EQ(rows(), expected);
    EXPECT_EQ(window().progress_bar().maximum_value(), 3);
    EXPECT_EQ(window().progress_bar().position(), 3);
    expect_collect_end("恭喜！采集完毕。");
    // The word went out as the box held it, after the "%".
    ASSERT_EQ(server_.targets().size(), 1u);
    EXPECT_EQ(server_.targets()[0],
              "/intf/search?content=%%E7%BE%8E%E5%A5%B3&pageno=1&count=10000000000000");

    server_.set_search_reply(reply_of({}));
    click(Control::按钮_搜索图片);
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(window().progress_bar().maximum_value(), 0);
    expect_collect_end("恭喜！采集完毕。");
}

TEST_F(WindowFlowTest, FailedRequestRestoresTheWindow) {
    start("127.0.0.1:1");  // nothing listens there
    click(Control::按钮_搜索图片);
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(window().progress_bar().position(), 0);
    expect_collect_end("采集失败！请检查网络或搜索词后重试。");
}

TEST_F(WindowFlowTest, StopAfterTheFifthRow) {
    start();
    server_.set_search_reply(reply_of(
        {{"1", ""}, {"2", ""}, {"3", ""}, {"4", ""}, {"5", ""}, {"6", ""}, {"7", ""}, {"8", ""}}));
    // The click on the stop button lands in the pause after the fifth row.
    DialogAnswerer stop_at_five([&] {
        if (ops().list_row_count() < 5)
            return false;
        click(Control::按钮_停止采集图片);
        return true;
    });
    click(Control::按钮_搜索图片);
    EXPECT_EQ(ops().list_row_count(), 5);
    EXPECT_EQ(window().progress_bar().maximum_value(), 8);
    expect_collect_end("恭喜！采集完毕。");
}

TEST_F(WindowFlowTest, TheTwoToggleButtonsFromTheStartState) {
    start();
    server_.set_search_reply(reply_of({{"1", ""}}));
    click(Control::按钮_停止采集图片);
    EXPECT_EQ(text(Control::按钮_停止采集图片), q("重新开始采集图片"));
    EXPECT_EQ(text(Control::按钮_停止保存图片), q("开始保存图片"));
    EXPECT_EQ(stop_requested(), 1);
    EXPECT_TRUE(server_.targets().empty());
    click(Control::按钮_停止采集图片);  // starts a collect
    EXPECT_EQ(ops().list_row_count(), 1);
    expect_collect_end("恭喜！采集完毕。");

    shown_.reset();
    app_.reset();
    start();
    click(Control::按钮_停止保存图片);
    EXPECT_EQ(text(Control::按钮_停止保存图片), q("重新开始保存图片"));
    EXPECT_EQ(stop_requested(), 1);
    click(Control::按钮_停止保存图片);  // starts a worker saving the empty list
    ASSERT_TRUE(serve_until_saved());
    EXPECT_EQ(window().progress_bar().maximum_value(), 0);
    EXPECT_TRUE(fs::is_empty(save_folder()));
    expect_save_end();
}

TEST_F(WindowFlowTest, SaveThreeRowsIntoTheDefaultFolderThenAgain) {
    start();
    std::vector<std::string> bodies = collect_pictures_served(3);
    click(Control::按钮_保存图片);
    ASSERT_TRUE(serve_until_saved());
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(read_file(save_folder() / (std::to_string(n) + ".png")), bodies[n - 1]) << n;
    }
    EXPECT_EQ(window().progress_bar().position(), 3);
    expect_save_end();

    // Saving twice replaces the files with the new downloads.
    server_.set_body("/p/2", "changed");
    ops().set_window_caption(Text("waiting"));
    click(Control::按钮_保存图片);
    ASSERT_TRUE(serve_until_saved());
    EXPECT_EQ(read_file(save_folder() / "1.png"), bodies[0]);
    EXPECT_EQ(read_file(save_folder() / "2.png"), "changed");
    EXPECT_EQ(std::distance(fs::directory_iterator(save_folder()), fs::directory_iterator()), 3);
}

TEST_F(WindowFlowTest, StopDuringTheSecondDownload) {
    start();
    const std::vector<std::string> bodies = collect_pictures_served(3);
    server_.hold("/p/2");
    click(Control::按钮_保存图片);
    ASSERT_TRUE(serve_until_requested("/p/2"));
    click(Control::按钮_停止保存图片);
    server_.release("/p/2");
    ASSERT_TRUE(serve_until_saved());
    EXPECT_EQ(read_file(save_folder() / "2.png"), bodies[1]);
    EXPECT_FALSE(fs::exists(save_folder() / "3.png"));
    expect_save_end();
}

TEST_F(WindowFlowTest, AnUnreachableAddressGivesAnEmptyFileAndTheLoopGoesOn) {
    start();
    const std::vector<std::string> bodies = collect_pictures_served(3);
    ops().list_set_cell(1, 2, Text("http://127.0.0.1:1/gone.png"));
    click(Control::按钮_保存图片);
    ASSERT_TRUE(serve_until_saved());
    EXPECT_EQ(read_file(save_folder() / "2.png"), "");
    EXPECT_EQ(read_file(save_folder() / "3.png"), bodies[2]);
}

TEST_F(WindowFlowTest, AFolderChosenWhileSavingContinuesTheNumberingThere) {
    start();
    const std::vector<std::string> bodies = collect_pictures_served(3);
    const fs::path chosen = folder_.path() / "chosen";
    fs::create_directory(chosen);
    server_.hold("/p/2");
    click(Control::按钮_保存图片);
    ASSERT_TRUE(serve_until_requested("/p/2"));
    // 2.png's name was made before its download began: the new folder takes 3.png.
    DialogAnswerer choose([&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return false;
        auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!field)
            return false;
        field->setText(QString::fromStdString(chosen.string()));
        QMetaObject::invokeMethod(dialog, "accept");
        return true;
    });
    click(Control::按钮_设置图片保存路径);
    EXPECT_EQ(ops().control_text(Control::编辑框_保存路径),
              text_from_native_path(chosen.string()) + "\\" + ansi("美女"));
    server_.release("/p/2");
    ASSERT_TRUE(serve_until_saved());
    EXPECT_EQ(read_file(save_folder() / "2.png"), bodies[1]);
    EXPECT_FALSE(fs::exists(save_folder() / "3.png"));
    EXPECT_EQ(read_file(chosen / "美女" / "3.png"), bodies[2]);
    EXPECT_FALSE(fs::exists(chosen / "美女" / "2.png"));
}

TEST_F(WindowFlowTest, ClickOnTheThirdRowPreviewsItsAddressFromTheReply) {
    start();
    for (const char* name : {"a", "b", "c"}) {
        demo::Raster raster = demo::paint_picture(7, 1, 40, 30);
        server_.set_body(std::string("/p/") + name, demo::encode_png(raster));
    }
    server_.set_search_reply(reply_of({{quoted("a"), quoted(server_.url("/p/a"))},
                                       {quoted("b"), quoted(server_.url("/p/b"))},
                                       {quoted("c"), quoted(server_.url("/p/c"))}}));
    click(Control::按钮_搜索图片);
    ops().list_set_cell(2, 2, Text(server_.url("/p/a")));  // the cell is not what is asked
    window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
    ReportListView& list = window().list();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualRect(list.model().index(2, 1)).center());
    EXPECT_EQ(server_.targets().back(), "/p/c");
    EXPECT_FALSE(window().picture_box().is_empty());

    // A click on empty space selects nothing: the box is emptied.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      QPoint(50, list.viewport()->height() - 5));
    EXPECT_TRUE(window().picture_box().is_empty());
}

TEST_F(WindowFlowTest, CloseAnsweredCancelThenOk) {
    start();
    {
        DialogAnswerer cancel([&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box->text() != q("是否要关闭？"))
                return false;
            box->button(QMessageBox::Cancel)->click();
            return true;
        });
        window().close();
        EXPECT_TRUE(window().isVisible());
        EXPECT_EQ(stop_requested(), 0);
    }
    DialogAnswerer ok(press_message_box(QMessageBox::Ok));
    const auto asked = Clock::now();
    window().close();
    // A lower bound only: the pause lasts more than a second by the monotonic clock.
    EXPECT_GT(Clock::now() - asked, std::chrono::milliseconds(1000));
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(stop_requested(), 1);
}

TEST_F(WindowFlowTest, ACollectWhoseWindowClosedInItsPauseEndsWithoutTouchingIt) {
    start();
    server_.set_search_reply(reply_of({{"1", ""}, {"2", ""}, {"3", ""}, {"4", ""}}));
    DialogAnswerer ok(press_message_box(QMessageBox::Ok));
    DialogAnswerer close_at_two([&] {
        if (ops().list_row_count() < 2)
            return false;
        window().close();
        return true;
    });
    click(Control::按钮_搜索图片);
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(ops().list_row_count(), 2);
    // The collect's closing updates did not run.
    EXPECT_EQ(title(), q("正在采集中！请等待采集完毕。。。"));
    EXPECT_FALSE(enabled(Control::按钮_搜索图片));
}

TEST_F(WindowFlowTest, AWorkerWhoseDownloadOutlastsTheCloseWritesItsFileAndStops) {
    start();
    const std::vector<std::string> bodies = collect_pictures_served(3);
    server_.hold("/p/2");
    click(Control::按钮_保存图片);
    ASSERT_TRUE(serve_until_requested("/p/2"));
    DialogAnswerer ok(press_message_box(QMessageBox::Ok));
    window().close();
    ASSERT_FALSE(window().isVisible());
    server_.release("/p/2");
    // The worker finishes its pass (2.png whole), then waits for the process to end at its
    // next window call: no third download, no window update.
    ASSERT_TRUE(serve_until([&] { return fs::exists(save_folder() / "2.png"); }));
    EXPECT_EQ(read_file(save_folder() / "2.png"), bodies[1]);
    for (int i = 0; i < 50; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(fs::exists(save_folder() / "3.png"));
    EXPECT_EQ(title(), q("正在保存图片中！请等待保存完毕。。。"));
    for (const auto& entry : fs::directory_iterator(save_folder())) {
        EXPECT_TRUE(entry.path().extension() == ".png") << entry.path();
    }
}

// The whole road with the demo search service: a word starting with digits, every listed
// picture saved with the bytes the service serves.
TEST_F(WindowFlowTest, TheDemoServiceListsAndSavesAWordStartingWithDigits) {
    demo::DemoService service;
    const int port = service.bind(0);
    ASSERT_GT(port, 0);
    service.start();
    start("127.0.0.1:" + std::to_string(port));
    window().edit_box(Control::编辑框_图片名子)->setText(q("2024壁纸"));
    click(Control::按钮_搜索图片);
    const uint64_t seed = demo::word_seed("2024壁纸");
    const int count = demo::picture_count(seed);
    ASSERT_EQ(ops().list_row_count(), count);
    EXPECT_EQ(cp936_to_utf8(ops().list_cell(0, 1)), demo::picture_tag("2024壁纸", seed, 1));
    click(Control::按钮_保存图片);
    ASSERT_TRUE(serve_until_saved());
    for (int n = 1; n <= count; ++n) {
        const std::string expected = demo::picture_at(demo::picture_path(seed, n));
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(read_file(save_folder() / (std::to_string(n) + ".png")), expected) << n;
    }
}

}  // namespace
}  // namespace kessaro::testing

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

// Read by LeakSanitizer in the sanitizer builds: the toolkit's fontconfig engine keeps the
// fallback patterns it matched and never frees them (the same suppression as the window tests).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

// The program ends as the tool does, without running static destructors: a save worker that
// outlived its window still waits inside the window operations, and the toolkit's own
// process-wide objects are not torn down under it.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
#if defined(__SANITIZE_ADDRESS__)
    __lsan_do_leak_check();
#endif
    std::fflush(nullptr);
    ::_exit(result);
}
