// The workflows over the real window (offscreen) fed hostile input by a server on 127.0.0.1:
// addresses of other schemes, replies that never end or exhaust the engine, a reply of 100,000
// elements, odd member values and pictures that claim 60000 x 60000 pixels. Each gives the
// documented result and leaves the window usable.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <QCoreApplication>
#include <QPushButton>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
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
#include "demo-service/picture_encoders.hpp"
#include "demo-service/raster.hpp"
#include "tests/app/picture_server.hpp"
#include "tests/app/window_test_support.hpp"
#include "tests/app/workflow_fixture.hpp"

namespace kessaro::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class HardeningFlowTest : public ::testing::Test, private WithToolkit {
  protected:
    HardeningFlowTest() {
        static ToolkitSetup setup;
        app_.emplace(Text(server_.host()), text_from_native_path(folder_.path().string()));
        shown_.emplace(*app_);
    }

    MainWindow& window() { return shown_->window(); }
    QtWindowOps& ops() { return shown_->ops(); }
    void click(Control button) { window().button(button)->click(); }
    fs::path save_folder() const { return folder_.path() / "保存的图片"; }

    // A collect of `reply`; the seconds it took.
    double collect(const std::string& reply) {
        server_.set_search_reply(reply);
        const auto start = Clock::now();
        click(Control::按钮_搜索图片);
        return seconds_since(start);
    }

    void expect_collect_end(const char* caption, const std::string& what) {
        EXPECT_EQ(window().windowTitle(), q(caption)) << what;
        for (Control c :
             {Control::按钮_保存图片, Control::按钮_搜索图片, Control::编辑框_图片名子}) {
            EXPECT_TRUE(window().control(c).isEnabled()) << what << " " << control_name(c);
        }
    }

    // Saves the listed rows and waits, at most 60 s, for the worker's end.
    bool save_all() {
        click(Control::按钮_保存图片);
        return serve_until(
            [&] {
                return window().windowTitle() == q("恭喜！保存完毕。") &&
                       window().control(Control::编辑框_图片名子).isEnabled();
            },
            std::chrono::seconds(60));
    }

    // The preview of row `row`, as a left click on it runs it.
    void preview(int row) {
        window().list().selectRow(row);
        app_->preview_current_row();
    }

    PictureServer server_;
    TemporaryFolder folder_;
    std::optional<Application> app_;
    std::optional<ApplicationWindow> shown_;
};

// Addresses in a reply that name local files or other schemes are never read: saving writes
// each such row as an empty file and goes on; the preview shows nothing.
TEST_F(HardeningFlowTest, AddressesOfOtherSchemesSaveEmptyFilesAndReadNothingLocal) {
    const fs::path secret = folder_.path() / "secret.txt";
    std::FILE* file = std::fopen(secret.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("top secret", file);
    std::fclose(file);
    const std::string picture = demo::encode_png(demo::paint_picture(3, 1, 20, 10));
    server_.set_body("/p/ok", picture);

    const std::vector<std::string> addresses = {
        "file://" + secret.string(),
        "FILE://" + secret.string(),
        "file://localhost" + secret.string(),
        secret.string(),
        "ftp://127.0.0.1:1/secret.txt",
        "gopher://127.0.0.1:1/",
        "dict://127.0.0.1:1/",
        "data:text/plain,top%20secret",
        server_.url("/p/ok"),
    };
    std::string reply = R"({"data":{"list":[)";
    for (const std::string& address : addresses)
        reply += (reply.back() == '[' ? "" : ",") + std::string(R"({"tag":"t","url":")") + address +
                 "\"}";
    collect(reply + "]}}");
    ASSERT_EQ(ops().list_row_count(), static_cast<int32_t>(addresses.size()));

    ASSERT_TRUE(save_all());
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(save_folder()))
        names.insert(entry.path().filename().string());
    std::set<std::string> expected;
    for (std::size_t n = 1; n <= addresses.size(); ++n)
        expected.insert(std::to_string(n) + ".png");
    EXPECT_EQ(names, expected);
    for (std::size_t n = 1; n < addresses.size(); ++n) {
        EXPECT_EQ(read_file(save_folder() / (std::to_string(n) + ".png")), "") << addresses[n - 1];
    }
    EXPECT_EQ(read_file(save_folder() / (std::to_string(addresses.size()) + ".png")), picture);

    for (int row = 0; row < 4; ++row) {
        preview(row);
        EXPECT_TRUE(window().picture_box().is_empty()) << addresses[static_cast<size_t>(row)];
    }
}

// A reply that never ends or grows without bound fails within the engine's bounds; a read that
// never ends gives an empty cell; afterwards an ordinary reply collects as usual.
TEST_F(HardeningFlowTest, EndlessAndGreedyRepliesFailWithinTheEngineBound) {
    struct Case {
        const char* what;
        std::string reply;
        const char* caption;
        int32_t rows;
    };
    const Case cases[] = {
        {"while(1){}", "while(1){}", "采集失败！请检查网络或搜索词后重试。", 0},
        {"endless call", "(function(){while(1){}})()", "采集失败！请检查网络或搜索词后重试。", 0},
        {"endless member", R"({"data":{"list":(function(){for(;;){}})()}})",
         "采集失败！请检查网络或搜索词后重试。", 0},
        {"heap without end",
         "(function(){var a=[];for(;;){a.push(new Array(100000).join('x')+a.length)}})()",
         "采集失败！请检查网络或搜索词后重试。", 0},
        {"catastrophic regular expression",
         R"({data:{list:[{tag:/(a+)+$/.test("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa!"),url:"u"}]}})",
         "采集失败！请检查网络或搜索词后重试。", 0},
        {"endless getter", R"(({data:{list:[{get tag(){for(;;){}},url:"u"}]}}))",
         "恭喜！采集完毕。", 1},
    };
    for (const Case& c : cases) {
        const double seconds = collect(c.reply);
        // Each engine step has a 3 s bound; a read makes at most three steps.
        EXPECT_LT(seconds, 60.0) << c.what;
        EXPECT_EQ(ops().list_row_count(), c.rows) << c.what;
        expect_collect_end(c.caption, c.what);

        collect(reply_of({{quoted("t"), quoted("u")}}));
        ASSERT_EQ(ops().list_row_count(), 1) << c.what;
        EXPECT_EQ(ops().list_cell(0, 1), Text("t")) << c.what;
        expect_collect_end("恭喜！采集完毕。", c.what);
    }
}

// 100,000 elements load; the progress maximum stops at 32767; rows appear one by one and a
// stop after a few ends the collect (a full listing takes hours by design). The engine's step
// bound is wall-clock time, and a sanitizer slows the parse about tenfold: there 40,000
// elements, still past the progress bar's range, keep the parse well inside the bound.
TEST_F(HardeningFlowTest, HundredThousandElementsLoadAndAStopEndsTheCollect) {
#if defined(KESSARO_SANITIZED)
    constexpr int elements = 40'000;
#else
    constexpr int elements = 100'000;
#endif
    std::string reply = R"({"data":{"list":[)";
    for (int k = 0; k < elements; ++k) {
        reply += (k ? ",{" : "{") + std::string(R"("tag":"t)") + std::to_string(k) +
                 R"(","url":"http://127.0.0.1:1/)" + std::to_string(k) + ".png\"}";
    }
    reply += "]}}";
    DialogAnswerer stop_at_three([&] {
        if (ops().list_row_count() < 3)
            return false;
        click(Control::按钮_停止采集图片);
        return true;
    });
    collect(reply);
    EXPECT_GE(ops().list_row_count(), 3);
    EXPECT_LT(ops().list_row_count(), 20);
    EXPECT_EQ(window().progress_bar().maximum_value(), 32767);
    EXPECT_EQ(ops().list_cell(2, 0), Text("3"));
    EXPECT_EQ(ops().list_cell(2, 1), Text("t2"));
    EXPECT_EQ(ops().list_cell(2, 2), Text("http://127.0.0.1:1/2.png"));
    expect_collect_end("恭喜！采集完毕。", "100,000 elements");
}

// Members of every kind in tag and url: each element gives its row; a value that is not a
// string shows as the engine's text of it or stays empty, and saving such rows writes empty
// files.
TEST_F(HardeningFlowTest, OddMemberValuesGiveRowsAndEmptyFiles) {
    const std::string long_text(1 << 20, 'w');
    collect(reply_of({
        {"null", "null"},
        {"12", "-3.5"},
        {"true", "false"},
        {R"({"a":1})", "[1,2]"},
        {"[]", "{}"},
        {quoted("a\\u0000b"), quoted("\\ud800")},
        {quoted(long_text), quoted("")},
        {"", ""},
        {"1e400", "-0"},
    }));
    ASSERT_EQ(ops().list_row_count(), 9);
    for (int32_t row = 0; row < 9; ++row)
        EXPECT_EQ(ops().list_cell(row, 0), int_to_text(row + 1));
    EXPECT_EQ(ops().list_cell(0, 1), Text());
    EXPECT_EQ(ops().list_cell(0, 2), Text());
    EXPECT_EQ(ops().list_cell(1, 1), Text("12"));
    EXPECT_EQ(ops().list_cell(1, 2), Text("-3.5"));
    EXPECT_EQ(ops().list_cell(5, 1), Text("a"));  // a text ends at its first NUL
    EXPECT_EQ(ops().list_cell(6, 1).size(), long_text.size());
    EXPECT_EQ(ops().list_cell(7, 1), Text());
    EXPECT_EQ(ops().list_cell(7, 2), Text());
    expect_collect_end("恭喜！采集完毕。", "odd members");

    ASSERT_TRUE(save_all());
    for (int n = 1; n <= 9; ++n)
        EXPECT_EQ(read_file(save_folder() / (std::to_string(n) + ".png")), "") << n;
}

void put_little_endian(std::string& bytes, std::size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}

void put_big_endian(std::string& bytes, std::size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes[at + static_cast<std::size_t>(i)] =
            static_cast<char>(value >> (8 * (size - 1 - i)) & 0xFF);
}

// Real small pictures whose headers are changed to claim 60000 x 60000 pixels.
std::vector<std::pair<std::string, std::string>> pictures_claiming_60000_square() {
    constexpr uint32_t side = 60000;
    std::vector<std::pair<std::string, std::string>> pictures;

    std::string png = fixture("pattern.png");
    put_big_endian(png, 16, side, 4);
    put_big_endian(png, 20, side, 4);
    const auto* header = reinterpret_cast<const Bytef*>(png.data() + 12);
    put_big_endian(png, 29, static_cast<uint32_t>(crc32(0, header, 17)), 4);
    pictures.emplace_back("png", png);

    std::string jpeg = fixture("colour.jpg");
    const std::size_t frame = jpeg.find("\xFF\xC0");
    put_big_endian(jpeg, frame + 5, side, 2);
    put_big_endian(jpeg, frame + 7, side, 2);
    pictures.emplace_back("jpeg", jpeg);

    std::string bmp = fixture("pattern.bmp");
    put_little_endian(bmp, 18, side, 4);
    put_little_endian(bmp, 22, side, 4);
    pictures.emplace_back("bmp", bmp);

    std::string gif = fixture("still87.gif");
    put_little_endian(gif, 6, side, 2);
    put_little_endian(gif, 8, side, 2);
    const std::size_t image = gif.find(',');
    put_little_endian(gif, image + 5, side, 2);
    put_little_endian(gif, image + 7, side, 2);
    pictures.emplace_back("gif", gif);

    std::string pcx = fixture("pattern_rgb24.pcx");
    put_little_endian(pcx, 8, side - 1, 2);
    put_little_endian(pcx, 10, side - 1, 2);
    put_little_endian(pcx, 66, side, 2);
    pictures.emplace_back("pcx", pcx);

    return pictures;
}

TEST_F(HardeningFlowTest, PicturesClaiming60000SquareLeaveThePreviewEmpty) {
    const auto pictures = pictures_claiming_60000_square();
    std::string reply = R"({"data":{"list":[)";
    for (const auto& [name, bytes] : pictures) {
        server_.set_body("/p/" + name, bytes);
        reply += R"({"tag":")" + name + R"(","url":")" + server_.url("/p/" + name) + "\"},";
    }
    server_.set_body("/p/good", demo::encode_png(demo::paint_picture(5, 1, 30, 20)));
    reply += R"({"tag":"good","url":")" + server_.url("/p/good") + "\"}]}}";
    collect(reply);
    ASSERT_EQ(ops().list_row_count(), static_cast<int32_t>(pictures.size() + 1));

    for (std::size_t row = 0; row < pictures.size(); ++row) {
        // A good picture first, so that each oversized one must also empty the box.
        preview(static_cast<int>(pictures.size()));
        ASSERT_FALSE(window().picture_box().is_empty());
        preview(static_cast<int>(row));
        EXPECT_TRUE(window().picture_box().is_empty()) << pictures[row].first;
    }
}

}  // namespace
}  // namespace kessaro::testing

// Read by LeakSanitizer in the sanitizer builds: the toolkit's fontconfig engine keeps the
// fallback patterns it matched and never frees them (as in the other window tests).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

// The program ends as the tool does, without static destructors: a save worker ends with its
// last call to the window, not with a join.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
#if defined(__SANITIZE_ADDRESS__)
    __lsan_do_leak_check();
#endif
    std::fflush(nullptr);
    ::_exit(result);
}
