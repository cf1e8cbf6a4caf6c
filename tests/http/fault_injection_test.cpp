// http_request against servers that misbehave on purpose, on raw sockets on 127.0.0.1: broken
// and lying bodies, endless headers and bodies, stalls, redirect loops and redirects to other
// schemes. Each must give the documented result (a failed transfer gives empty bytes, empty
// headers and status 0) within its bound, and the process must stay sound.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "http/http_request.hpp"

namespace kessaro {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One accepted connection, handed to the server's script after its request head was read. All
// waits are bounded and end early when the server stops.
class Connection {
  public:
    Connection(int fd, const std::atomic<bool>& stopping) : fd_(fd), stopping_(stopping) {}

    const std::string& request_head() const { return head_; }

    // Reads up to the empty line that ends the request head; false when it does not come.
    bool read_head() {
        const auto until = Clock::now() + 10s;
        char buffer[4096];
        while (head_.find("\r\n\r\n") == std::string::npos && Clock::now() < until && !stopping_) {
            if (!wait_for(POLLIN))
                continue;
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0)
                return false;
            head_.append(buffer, static_cast<std::size_t>(got));
        }
        return head_.find("\r\n\r\n") != std::string::npos;
    }

    // False once the peer is gone or the server stops.
    bool send(std::string_view bytes) {
        while (!bytes.empty()) {
            if (stopping_)
                return false;
            if (!wait_for(POLLOUT))
                continue;
            const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

    // Ends the connection with a reset instead of an orderly close.
    void reset() {
        const linger abort_on_close{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort_on_close, sizeof abort_on_close);
    }

    // Keeps the connection open, sending nothing, until the peer closes it.
    void wait_for_peer_close(std::chrono::seconds bound) {
        const auto until = Clock::now() + bound;
        char buffer[4096];
        while (Clock::now() < until && !stopping_) {
            if (wait_for(POLLIN) && ::recv(fd_, buffer, sizeof buffer, 0) <= 0)
                return;
        }
    }

  private:
    bool wait_for(short events) {
        pollfd entry{fd_, events, 0};
        return ::poll(&entry, 1, 100) > 0;
    }

    int fd_;
    const std::atomic<bool>& stopping_;
    std::string head_;
};

// Serves one connection at a time with `script`; each connection is closed when the script
// returns. At most `max_connections` are served, so no client loop can keep it busy forever.
class FaultServer {
  public:
    using Script = std::function<void(Connection&)>;

    explicit FaultServer(Script script, int max_connections = 50)
        : script_(std::move(script)), max_connections_(max_connections) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int yes = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener_, 8) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ADD_FAILURE() << "no listener on 127.0.0.1";
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }

    ~FaultServer() {
        stopping_ = true;
        if (thread_.joinable())
            thread_.join();
        ::close(listener_);
    }

    FaultServer(const FaultServer&) = delete;
    FaultServer& operator=(const FaultServer&) = delete;

    Text url(const std::string& path) const {
        return Text("http://127.0.0.1:" + std::to_string(port_) + path);
    }
    int port() const { return port_; }
    int connections() const { return connections_; }

  private:
    void serve() {
        while (!stopping_ && connections_ < max_connections_) {
            pollfd entry{listener_, POLLIN, 0};
            if (::poll(&entry, 1, 100) <= 0)
                continue;
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            ++connections_;
            Connection connection(fd, stopping_);
            if (connection.read_head())
                script_(connection);
            ::close(fd);
        }
    }

    Script script_;
    int max_connections_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::thread thread_;
};

struct Outcome {
    Bytes body;
    Text headers = "stale";
    int32_t status = -1;
    double seconds = 0;
};

Outcome request(const Text& url, int32_t timeout_seconds = 5, bool no_redirect = false) {
    Outcome outcome;
    const auto start = Clock::now();
    outcome.body = http_request(url, {.returned_headers = &outcome.headers,
                                      .returned_status = &outcome.status,
                                      .no_redirect = no_redirect,
                                      .timeout_seconds = timeout_seconds});
    outcome.seconds = seconds_since(start);
    return outcome;
}

void expect_failed(const Outcome& outcome, const std::string& what) {
    EXPECT_TRUE(outcome.body.empty()) << what << ": " << outcome.body.size() << " bytes";
    EXPECT_EQ(outcome.headers.str(), "") << what;
    EXPECT_EQ(outcome.status, 0) << what;
}

std::string pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('a' + i % 26);
    return bytes;
}

// Broken and lying bodies: the transfer fails as a whole, never a silently shortened body.
TEST(HttpFaultTest, BrokenBodiesFailAndExcessBytesAreDropped) {
    const std::string half = pattern(50'000);
    struct Case {
        const char* name;
        FaultServer::Script script;
        const char* body;  // nullptr: the transfer fails
    };
    const Case cases[] = {
        {"reset in the middle of a body",
         [&](Connection& c) {
             c.send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + half);
             std::this_thread::sleep_for(50ms);
             c.reset();
         },
         nullptr},
        {"truncated chunked body",
         [](Connection& c) {
             c.send(
                 "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                 "10\r\n0123456789abcdef\r\n10\r\n01234");
         },
         nullptr},
        {"chunked body without its last chunk",
         [](Connection& c) {
             c.send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nabcd\r\n");
         },
         nullptr},
        {"malformed chunk size",
         [](Connection& c) {
             c.send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nabcd\r\n0\r\n\r\n");
         },
         nullptr},
        {"Content-Length longer than the body",
         [](Connection& c) { c.send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789"); },
         nullptr},
        {"Content-Length shorter than the body",
         [](Connection& c) {
             c.send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA BYTES");
         },
         "hello"},
        {"negative Content-Length",
         [](Connection& c) { c.send("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nhello"); },
         nullptr},
        {"two Content-Lengths that disagree",
         [](Connection& c) {
             c.send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\ncontent-length: 3\r\n\r\nhello");
         },
         nullptr},
        {"the same Content-Length twice",
         [](Connection& c) {
             c.send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length:  5\r\n\r\nhello");
         },
         "hello"},
        {"no response at all", [](Connection&) {}, nullptr},
        {"not HTTP", [](Connection& c) { c.send("hello there\r\n\r\n"); }, nullptr},
    };
    for (const Case& c : cases) {
        FaultServer server(c.script);
        const Outcome outcome = request(server.url("/fault"));
        EXPECT_LT(outcome.seconds, 30.0) << c.name;
        if (c.body == nullptr) {
            expect_failed(outcome, c.name);
        } else {
            EXPECT_EQ(outcome.body.view(), c.body) << c.name;
            EXPECT_EQ(outcome.status, 200) << c.name;
        }
    }
}

// Header bytes that never end, as one line or as endless lines: the response is refused once
// its header passes the cap, long before memory runs short.
TEST(HttpFaultTest, EndlessHeadersFail) {
    const std::string line_piece(64 * 1024, 'x');
    std::string many_lines;
    for (int i = 0; i < 2000; ++i)
        many_lines += "X-Filler-" + std::to_string(i) + ": " + std::string(20, 'v') + "\r\n";
    struct Case {
        const char* name;
        std::string first;
        std::string repeated;
    };
    const Case cases[] = {
        {"one endless header line", "HTTP/1.1 200 OK\r\nX-Endless: ", line_piece},
        {"endless header lines", "HTTP/1.1 200 OK\r\n", many_lines},
        {"endless status line", "HTTP/1.1 200 ", line_piece},
    };
    for (const Case& c : cases) {
        std::atomic<std::size_t> sent{0};
        FaultServer server([&](Connection& connection) {
            if (!connection.send(c.first))
                return;
            // 256 MiB at most: far past any cap, small enough to end on its own.
            while (sent < (std::size_t{256} << 20) && connection.send(c.repeated))
                sent += c.repeated.size();
        });
        const Outcome outcome = request(server.url("/endless-header"));
        expect_failed(outcome, c.name);
        EXPECT_LT(outcome.seconds, 30.0) << c.name;
        EXPECT_LT(sent.load(), std::size_t{64} << 20) << c.name << ": the client kept reading";
    }
}

// The idle limit: a body that stops coming fails once no byte has moved for the limit (a body
// that trickles within the limit completes: see the request tests' slow download).
TEST(HttpFaultTest, StalledBodyFailsAfterTheIdleLimit) {
    FaultServer server([](Connection& c) {
        if (c.send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello"))
            c.wait_for_peer_close(60s);
    });
    const Outcome outcome = request(server.url("/stall"), 1);
    expect_failed(outcome, "stalled body");
    EXPECT_GE(outcome.seconds, 0.9);
    EXPECT_LT(outcome.seconds, 10.0);

    FaultServer silent_head([](Connection& c) {
        if (c.send("HTTP/1.1 200 OK\r\nContent-"))
            c.wait_for_peer_close(60s);
    });
    const Outcome in_head = request(silent_head.url("/stall"), 1);
    expect_failed(in_head, "stalled header");
    EXPECT_LT(in_head.seconds, 10.0);
}

// Redirects that loop end after the hop limit; redirects to any scheme but http and https are
// refused, so no address in a response can make the request read a local file.
TEST(HttpFaultTest, RedirectLoopsAndOtherSchemesFail) {
    // Set by the test between requests, read by the server thread while it answers one.
    std::mutex location_mutex;
    std::string location;
    FaultServer server([&](Connection& c) {
        std::string target;
        {
            std::lock_guard lock(location_mutex);
            target = location;
        }
        c.send("HTTP/1.1 302 Found\r\nLocation: " + target +
               "\r\nContent-Length: 6\r\nConnection: close\r\n\r\nmoving");
    });
    const std::string self = "http://127.0.0.1:" + std::to_string(server.port()) + "/loop";
    const std::string others[] = {
        self,
        "/loop",
        "file:///etc/passwd",
        "FILE:///etc/passwd",
        "file://localhost/etc/passwd",
        "ftp://127.0.0.1:" + std::to_string(server.port()) + "/",
        "gopher://127.0.0.1:" + std::to_string(server.port()) + "/",
        "dict://127.0.0.1:" + std::to_string(server.port()) + "/",
        "telnet://127.0.0.1:" + std::to_string(server.port()) + "/",
        "tftp://127.0.0.1/passwd",
        "scp://127.0.0.1/etc/passwd",
        "smb://127.0.0.1/share",
        "ldap://127.0.0.1/",
        "data:text/plain,root",
    };
    for (const std::string& target : others) {
        {
            std::lock_guard lock(location_mutex);
            location = target;
        }
        const int before = server.connections();
        const Outcome outcome = request(server.url("/loop"));
        expect_failed(outcome, target);
        EXPECT_LT(outcome.seconds, 30.0) << target;
        // The first request and, for a loop, the ten hops allowed: never more.
        EXPECT_LE(server.connections() - before, 11) << target;

        // Not following, the 3xx itself is the response.
        const Outcome unfollowed = request(server.url("/loop"), 5, true);
        EXPECT_EQ(unfollowed.body.view(), "moving") << target;
        EXPECT_EQ(unfollowed.status, 302) << target;
    }
}

// A body without end (no length, streamed as fast as the socket takes it) is cut at 512 MiB and
// fails like a broken transfer; the server sees the client go away.
TEST(HttpFaultTest, EndlessBodyStopsAt512MiB) {
    const std::string block(1 << 20, 'z');
    std::atomic<std::size_t> sent{0};
    FaultServer server([&](Connection& c) {
        if (!c.send("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                    "Connection: close\r\n\r\n"))
            return;
        // 1 GiB at most, so that a client without the cap still ends.
        while (sent < (std::size_t{1} << 30) && c.send(block))
            sent += block.size();
    });
    const Outcome outcome = request(server.url("/endless"), 15);
    expect_failed(outcome, "endless body");
    EXPECT_GE(sent.load(), std::size_t{400} << 20);
    EXPECT_LT(sent.load(), std::size_t{1} << 30) << "the client kept reading";
    EXPECT_LT(outcome.seconds, 120.0);
}

}  // namespace
}  // namespace kessaro
