// Two threads requesting at once, as the window thread and the save worker do.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "http/http_request.hpp"
#include "tests/http/test_servers.hpp"

namespace kessaro {
namespace {

// Answers each request with its own target, so every reply can be checked.
std::string echo_target(const std::string& request) {
    const std::size_t start = request.find(' ') + 1;
    const std::string target = request.substr(start, request.find(' ', start) - start);
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(target.size()) + "\r\n\r\n" +
           target;
}

TEST(HttpRequestThreadsTest, TwoThreadsRequestAtOnce) {
    test::RawServer server(echo_target);
    constexpr int kRequests = 20;
    int good[2] = {0, 0};
    auto worker = [&](int thread) {
        for (int i = 0; i < kRequests; ++i) {
            const std::string target = "/t" + std::to_string(thread) + "/" + std::to_string(i);
            int32_t status = 0;
            const Bytes body = http_request(Text(server.base_url() + target),
                                            {.returned_status = &status, .timeout_seconds = 10});
            if (status == 200 && body.view() == target)
                ++good[thread];
        }
    };
    std::thread first(worker, 0);
    std::thread second(worker, 1);
    first.join();
    second.join();
    EXPECT_EQ(good[0], kRequests);
    EXPECT_EQ(good[1], kRequests);
    EXPECT_EQ(server.requests().size(), 2u * kRequests);
}

}  // namespace
}  // namespace kessaro
