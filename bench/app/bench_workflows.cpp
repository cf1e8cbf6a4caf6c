// The workflows' own cost beyond their mandated pauses, over a window double whose pause only
// counts: a collect of 300 elements per row, beside the document reads it cannot avoid (one
// parse, two get_text per row); saving 100 small pictures per file, beside bare libcurl
// downloading the same pictures with a new handle each, and beside the same downloads written
// through the platform's write_file (which syncs each file to disk before renaming it).
#include <curl/curl.h>
#include <httplib.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "app/application.hpp"
#include "app/native_path.hpp"
#include "bench/app/counting_window.hpp"
#include "bench/bench_ratios.hpp"
#include "core/text_ops.hpp"
#include "encoding/code_page.hpp"
#include "json/json_doc.hpp"

namespace kessaro::bench {
namespace {

constexpr int kRows = 300;
constexpr int kFiles = 100;
constexpr int kPictureBytes = 8 * 1024;

// A search service and picture server on 127.0.0.1 for the whole run.
class Server {
  public:
    Server() {
        server_.set_tcp_nodelay(true);
        std::string reply = R"({"data":{"list":[)";
        for (int k = 0; k < kRows; ++k) {
            // Appended piece by piece: g++ 12 at -O3 warns (falsely) about "," + std::string.
            if (k > 0)
                reply += ',';
            reply += R"({"id":)" + std::to_string(k + 1) + R"(,"tag":"风景 )" + std::to_string(k) +
                     R"(","url":"http://127.0.0.1/p/)" + std::to_string(k) + R"(.png"})";
        }
        reply_ = reply + "]}}";
        picture_.assign(kPictureBytes, 'p');
        server_.Get("/intf/search", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(reply_, "application/json");
        });
        server_.Get(R"(/p/\d+)", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(picture_, "image/png");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        for (int i = 0; i < 5000 && !server_.is_running(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~Server() {
        server_.stop();
        thread_.join();
    }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string picture_url(int n) const { return "http://" + host() + "/p/" + std::to_string(n); }
    const std::string& reply() const { return reply_; }

  private:
    httplib::Server server_;
    std::string reply_;
    std::string picture_;
    int port_ = -1;
    std::thread thread_;
};

Server& server() {
    static Server instance;
    return instance;
}

// A fresh folder for the saved pictures, removed at the end of the benchmark.
struct TemporaryFolder {
    std::filesystem::path path;
    TemporaryFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kessaro-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path = pattern;
    }
    ~TemporaryFolder() {
        if (!path.empty())
            std::filesystem::remove_all(path);
    }
};

void set_per_item_time(benchmark::State& state, int items) {
    state.counters["per_item"] = benchmark::Counter(
        static_cast<double>(items),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_collect_300_rows(benchmark::State& state) {
    TemporaryFolder folder;
    Application app(Text(server().host()), text_from_native_path(folder.path.string()));
    CountingWindow window;
    window.texts[Control::编辑框_图片名子] = utf8_to_ansi("风景");
    app.attach_window(window);
    for (auto _ : state) {
        window.pauses = 0;
        app.collect_pictures();
        if (window.pauses != kRows || window.rows.size() != kRows)
            state.SkipWithError("rows");
    }
    set_per_item_time(state, kRows);
}
BENCHMARK(BM_collect_300_rows)->Unit(benchmark::kMillisecond)->UseRealTime();

// What a collect must do in any case: convert and parse the reply, and read two members of
// every element.
void BM_reference_parse_and_read_300(benchmark::State& state) {
    JsonDoc doc;
    const Text reply_utf8(server().reply());
    for (auto _ : state) {
        if (!doc.parse(utf8_to_ansi(reply_utf8)))
            state.SkipWithError("parse");
        for (int k = 0; k < kRows; ++k) {
            const Text element = "data.list[" + int_to_text(k) + "]";
            benchmark::DoNotOptimize(doc.get_text(element + ".tag"));
            benchmark::DoNotOptimize(doc.get_text(element + ".url"));
        }
    }
    set_per_item_time(state, kRows);
}
BENCHMARK(BM_reference_parse_and_read_300)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_save_100_pictures(benchmark::State& state) {
    TemporaryFolder folder;
    Application app(Text(server().host()), text_from_native_path(folder.path.string()));
    CountingWindow window;
    window.texts[Control::编辑框_保存路径] = text_from_native_path(folder.path.string());
    for (int n = 0; n < kFiles; ++n) {
        window.rows.push_back({int_to_text(n + 1), Text("t"), Text(server().picture_url(n))});
    }
    app.attach_window(window);
    for (auto _ : state) {
        window.pauses = 0;
        app.save_pictures();  // the worker's routine, run here on the benchmark's thread
        if (window.pauses != kFiles)
            state.SkipWithError("pauses");
    }
    if (std::filesystem::file_size(folder.path / (std::to_string(kFiles) + ".png")) !=
        kPictureBytes) {
        state.SkipWithError("saved file");
    }
    set_per_item_time(state, kFiles);
}
BENCHMARK(BM_save_100_pictures)->Unit(benchmark::kMillisecond)->UseRealTime();

size_t append_body(char* data, size_t size, size_t count, void* body) {
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

// One download through bare libcurl with a new easy handle, as the reference does it.
std::string bare_download(const std::string& url) {
    std::string body;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, append_body);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return body;
}

void BM_reference_libcurl_100_downloads(benchmark::State& state) {
    for (auto _ : state) {
        for (int n = 0; n < kFiles; ++n) {
            const std::string body = bare_download(server().picture_url(n));
            if (body.size() != kPictureBytes)
                state.SkipWithError("download");
        }
    }
    set_per_item_time(state, kFiles);
}
BENCHMARK(BM_reference_libcurl_100_downloads)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same downloads, each written with the platform's crash-safe write_file as the worker
// does: the save's work without the workflow around it.
void BM_reference_libcurl_100_downloads_written(benchmark::State& state) {
    TemporaryFolder folder;
    const Text prefix = text_from_native_path(folder.path.string()) + "\\";
    for (auto _ : state) {
        for (int n = 0; n < kFiles; ++n) {
            std::string body = bare_download(server().picture_url(n));
            if (!write_file(prefix + int_to_text(n + 1) + ".png", Bytes(std::move(body)))) {
                state.SkipWithError("write_file");
            }
        }
    }
    set_per_item_time(state, kFiles);
}
BENCHMARK(BM_reference_libcurl_100_downloads_written)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kessaro::bench

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    return kessaro::bench::run_with_ratios(
        argc, argv,
        {{"BM_collect_300_rows/real_time", "BM_reference_parse_and_read_300/real_time", ""},
         {"BM_save_100_pictures/real_time", "BM_reference_libcurl_100_downloads/real_time", ""},
         {"BM_save_100_pictures/real_time", "BM_reference_libcurl_100_downloads_written/real_time",
          ""}});
}
