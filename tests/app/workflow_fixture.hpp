// What the workflow tests share: an application attached to a window double, a picture server
// of the test's own as its search service, and a fresh folder as the program's folder (so the
// default save folder is <folder>/保存的图片 and no two tests share files).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

#include "app/application.hpp"
#include "app/native_path.hpp"
#include "core/text_ops.hpp"
#include "encoding/code_page.hpp"
#include "tests/app/fake_window.hpp"
#include "tests/app/picture_server.hpp"

namespace kessaro::testing {

inline Text ansi(const char* utf8) {
    return utf8_to_ansi(utf8);
}

// One element of a search reply: raw JSON texts for its members ("" leaves the member out).
struct Element {
    std::string tag_json;
    std::string url_json;
};

inline std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

inline std::string reply_of(std::initializer_list<Element> elements) {
    std::string reply = R"({"data":{"list":[)";
    bool first = true;
    for (const Element& e : elements) {
        reply += first ? "{" : ",{";
        first = false;
        std::string members;
        if (!e.tag_json.empty())
            members += R"("tag":)" + e.tag_json;
        if (!e.url_json.empty())
            members += (members.empty() ? "" : ",") + std::string(R"("url":)") + e.url_json;
        reply += members + "}";
    }
    return reply + "]}}";
}

inline std::optional<std::string> read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class WorkflowTest : public ::testing::Test {
  protected:
    WorkflowTest()
        : folder_(make_folder()),
          app_(Text(server_.host()), text_from_native_path(folder_.string())) {
        app_.attach_window(window_);
        app_.prepare_main_window();
    }
    ~WorkflowTest() override { std::filesystem::remove_all(folder_); }

    // The default save folder, as prepare_main_window made it.
    std::filesystem::path save_folder() const { return folder_ / "保存的图片"; }

    // Serves `count` pictures at /p/1 ... /p/count with distinct bodies (NUL bytes included)
    // and puts them in the list as rows, the way a collect leaves them.
    std::vector<std::string> serve_pictures(int count) {
        std::vector<std::string> bodies;
        std::vector<FakeWindow::Row> rows;
        for (int n = 1; n <= count; ++n) {
            std::string body("\x89PNG\r\n\x1a\n", 8);
            body += std::string(1, '\0') + "picture " + std::to_string(n) +
                    std::string(50 * n, char('a' + n));
            server_.set_body("/p/" + std::to_string(n), body);
            bodies.push_back(body);
            rows.push_back(
                {int_to_text(n), Text("tag"), Text(server_.url("/p/" + std::to_string(n)))});
        }
        window_.set_rows(std::move(rows));
        return bodies;
    }

    int32_t stop_requested() { return app_.state().stop_requested.load(); }

    PictureServer server_;
    FakeWindow window_;
    std::filesystem::path folder_;
    Application app_;

  private:
    static std::filesystem::path make_folder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kessaro-flow-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        return pattern;
    }
};

}  // namespace kessaro::testing
