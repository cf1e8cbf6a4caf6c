// http_request beside bare libcurl on loopback: sequential GETs of a 100 KB body (time per
// request; the reference makes a new easy handle per request, as http_request makes a new
// request object) and one 20 MB body (throughput).
#include <curl/curl.h>
#include <httplib.h>

#include <string>
#include <thread>
#include <vector>

#include "bench/bench_ratios.hpp"
#include "http/http_request.hpp"

namespace {

constexpr std::size_t kSmallBody = 100 * 1024;
constexpr std::size_t kLargeBody = 20 * 1024 * 1024;

std::string pattern(std::size_t size) {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = static_cast<char>(i * 7 % 251);
    return body;
}

// One server on 127.0.0.1 for the whole run.
class Server {
  public:
    Server() : small_(pattern(kSmallBody)), large_(pattern(kLargeBody)) {
        server_.Get("/small", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(small_, "application/octet-stream");
        });
        server_.Get("/large", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(large_, "application/octet-stream");
        });
        server_.set_tcp_nodelay(true);
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        for (int i = 0; i < 500 && !server_.is_running(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~Server() {
        server_.stop();
        thread_.join();
    }
    std::string url(const char* path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

  private:
    std::string small_;
    std::string large_;
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

Server& server() {
    static Server instance;
    return instance;
}

size_t append_body(char* data, size_t size, size_t count, void* body) {
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

std::string bare_curl_get(const std::string& url) {
    std::string body;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &append_body);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return body;
}

void check(benchmark::State& state, std::size_t got, std::size_t wanted) {
    if (got != wanted)
        state.SkipWithError("wrong body size");
}

void http_request_100k(benchmark::State& state) {
    const kessaro::Text url(server().url("/small"));
    for (auto _ : state)
        check(state, kessaro::http_request(url).size(), kSmallBody);
}

void bare_curl_100k(benchmark::State& state) {
    const std::string url = server().url("/small");
    for (auto _ : state)
        check(state, bare_curl_get(url).size(), kSmallBody);
}

void http_request_20mb(benchmark::State& state) {
    const kessaro::Text url(server().url("/large"));
    for (auto _ : state)
        check(state, kessaro::http_request(url).size(), kLargeBody);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kLargeBody));
}

void bare_curl_20mb(benchmark::State& state) {
    const std::string url = server().url("/large");
    for (auto _ : state)
        check(state, bare_curl_get(url).size(), kLargeBody);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kLargeBody));
}

BENCHMARK(http_request_100k)
    ->Iterations(200)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(bare_curl_100k)
    ->Iterations(200)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(http_request_20mb)
    ->Iterations(10)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(bare_curl_20mb)
    ->Iterations(10)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    kessaro::http_global_init();
    server();
    // The repetitions of ours and of the reference take turns, so that a busy moment of the
    // shared machine falls on both.
    std::vector<char*> arguments(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave.data());
    int count = static_cast<int>(arguments.size());
    return kessaro::bench::run_with_ratios(
        count, arguments.data(),
        {{"http_request_100k/iterations:200/repeats:5/real_time",
          "bare_curl_100k/iterations:200/repeats:5/real_time", ""},
         {"http_request_20mb/iterations:10/repeats:5/real_time",
          "bare_curl_20mb/iterations:10/repeats:5/real_time", "bytes_per_second"}});
}
