// Resident memory stays flat over repeated work in one process, over the real window
// (offscreen): previews of a 1920 x 1080 picture, parses of a 10,000-element reply into the
// reply document, and collects of a 10-element reply. Each series may grow by less than 10%
// after its first round. Measured in the plain build only: a sanitizer's quarantine holds
// freed memory back on purpose.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QPushButton>

#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "app/application.hpp"
#include "app/application_window.hpp"
#include "app/main_window.hpp"
#include "app/native_path.hpp"
#include "app/picture_box.hpp"
#include "app/report_list.hpp"
#include "app/toolkit_setup.hpp"
#include "demo-service/picture_encoders.hpp"
#include "demo-service/raster.hpp"
#include "encoding/code_page.hpp"
#include "tests/app/picture_server.hpp"
#include "tests/app/window_test_support.hpp"

namespace kessaro::testing {
namespace {

double resident_mib() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

// Runs `step` `rounds` x `per_round` times; the resident memory after the first round and at
// the end, printed for the record. Growth beyond 10% of the first figure fails.
void expect_flat(const char* what, int rounds, int per_round, const std::function<void()>& step) {
    double first = 0;
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < per_round; ++i)
            step();
        if (round == 0)
            first = resident_mib();
    }
    const double last = resident_mib();
    const double growth = (last - first) / first * 100.0;
    std::printf("memory: %s: %.1f MiB after the first round, %.1f MiB after %d (%+.1f%%)\n", what,
                first, last, rounds * per_round, growth);
    EXPECT_LT(last, first * 1.10) << what;
}

std::string reply_of_count(const PictureServer& server, int count) {
    std::string reply = R"({"data":{"list":[)";
    for (int k = 0; k < count; ++k) {
        reply += (k ? ",{" : "{") + std::string(R"("tag":"标签)") + std::to_string(k) +
                 R"(","url":")" + server.url("/p/" + std::to_string(k)) + "\"}";
    }
    return reply + "]}}";
}

class MemoryTest : public ::testing::Test, private WithToolkit {
  protected:
    MemoryTest() {
        static ToolkitSetup setup;
        app_.emplace(Text(server_.host()), text_from_native_path(folder_.path().string()));
        shown_.emplace(*app_);
    }

    PictureServer server_;
    TemporaryFolder folder_;
    std::optional<Application> app_;
    std::optional<ApplicationWindow> shown_;
};

TEST_F(MemoryTest, PreviewsParsesAndCollectsKeepResidentMemoryFlat) {
#if defined(KESSARO_SANITIZED)
    GTEST_SKIP() << "measured in the plain build only";
#endif
    MainWindow& window = shown_->window();
    ReportListView& list = window.list();

    // 500 previews of a 1920 x 1080 picture, each downloaded, decoded and shown.
    server_.set_body("/p/0", demo::encode_jpeg(demo::paint_picture(11, 1, 1920, 1080)));
    server_.set_search_reply(reply_of_count(server_, 1));
    window.button(Control::按钮_搜索图片)->click();
    ASSERT_EQ(shown_->ops().list_row_count(), 1);
    list.selectRow(0);
    app_->preview_current_row();
    ASSERT_FALSE(window.picture_box().is_empty());
    expect_flat("500 previews of 1920 x 1080", 10, 50, [&] { app_->preview_current_row(); });
    EXPECT_FALSE(window.picture_box().is_empty());

    // 100 parses of a 10,000-element reply into the reply document.
    const Text reply = utf8_to_ansi(Text(reply_of_count(server_, 10'000)));
    JsonDoc& doc = *app_->state().reply_doc;
    expect_flat("100 parses of 10,000 elements", 10, 10, [&] {
        ASSERT_TRUE(doc.parse(reply));
        ASSERT_EQ(doc.member_count("data.list"), 10'000);
    });

    // 20 collects of a 10-element reply through the window.
    server_.set_search_reply(reply_of_count(server_, 10));
    expect_flat("20 collects of 10 elements", 10, 2, [&] {
        window.button(Control::按钮_搜索图片)->click();
        ASSERT_EQ(shown_->ops().list_row_count(), 10);
    });
}

}  // namespace
}  // namespace kessaro::testing

// Read by LeakSanitizer in the sanitizer builds (where the test skips): the toolkit's fontconfig
// engine keeps the fallback patterns it matched and never frees them.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::fflush(nullptr);
    ::_exit(result);
}
