#include "tests/http/test_servers.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace kessaro::test {
namespace {

using namespace std::chrono_literals;

// A listening socket on 127.0.0.1 with a port chosen by the system.
int listen_on_loopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

bool port_accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool connected =
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

std::string loopback_url(const char* scheme, int port) {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port);
}

// Waits up to `limit` for the descriptor to become readable.
bool readable_within(int fd, std::chrono::milliseconds limit) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, static_cast<int>(limit.count())) > 0;
}

// The Content-Length a request head announces, 0 when none.
std::size_t announced_length(const std::string& head) {
    std::size_t line = 0;
    while ((line = head.find("\r\n", line)) != std::string::npos) {
        line += 2;
        constexpr std::string_view name = "content-length:";
        if (head.size() - line < name.size())
            break;
        bool match = true;
        for (std::size_t i = 0; i < name.size() && match; ++i) {
            match = std::tolower(static_cast<unsigned char>(head[line + i])) == name[i];
        }
        if (match)
            return std::strtoul(head.c_str() + line + name.size(), nullptr, 10);
    }
    return 0;
}

int run_and_wait(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kessaro-http-XXXXXX").string();
    if (::mkdtemp(pattern.data()))
        path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
}

int unused_port() {
    int port = 0;
    const int fd = listen_on_loopback(port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

WebServer::WebServer() : server_(std::make_unique<httplib::Server>()) {}

WebServer::WebServer(const std::string& certificate_path, const std::string& key_path)
    : server_(std::make_unique<httplib::SSLServer>(certificate_path.c_str(), key_path.c_str())),
      secure_(true) {}

void WebServer::start() {
    // Without TCP_NODELAY, keep-alive requests wait on Nagle's algorithm.
    server_->set_tcp_nodelay(true);
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    for (int i = 0; i < 500 && !server_->is_running(); ++i)
        std::this_thread::sleep_for(10ms);
}

WebServer::~WebServer() {
    server_->stop();
    if (thread_.joinable())
        thread_.join();
}

std::string WebServer::base_url() const {
    return loopback_url(secure_ ? "https" : "http", port_);
}

RawServer::RawServer(Reply reply) : reply_(std::move(reply)) {
    listener_ = listen_on_loopback(port_);
    thread_ = std::thread([this] { serve(); });
}

RawServer::~RawServer() {
    stopping_ = true;
    thread_.join();
    if (listener_ >= 0)
        ::close(listener_);
}

std::string RawServer::base_url() const {
    return loopback_url("http", port_);
}

std::vector<std::string> RawServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void RawServer::serve() {
    while (!stopping_ && listener_ >= 0) {
        if (!readable_within(listener_, 50ms))
            continue;
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        serve_connection(connection);
        ::close(connection);
    }
}

void RawServer::serve_connection(int connection) {
    std::string request;
    std::size_t wanted = std::string::npos;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    char buffer[65536];
    while (!stopping_ && std::chrono::steady_clock::now() < deadline &&
           (wanted == std::string::npos || request.size() < wanted)) {
        if (!readable_within(connection, 50ms))
            continue;
        const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        request.append(buffer, static_cast<std::size_t>(got));
        const std::size_t head_end = request.find("\r\n\r\n");
        if (wanted == std::string::npos && head_end != std::string::npos) {
            wanted = head_end + 4 + announced_length(request.substr(0, head_end + 2));
        }
    }
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    const std::string reply = reply_(request);
    if (reply.empty()) {
        // Hold the connection without a word until the server stops.
        while (!stopping_)
            std::this_thread::sleep_for(50ms);
        return;
    }
    std::size_t sent = 0;
    while (sent < reply.size()) {
        const ssize_t put =
            ::send(connection, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
        if (put <= 0)
            break;
        sent += static_cast<std::size_t>(put);
    }
}

SilentServer::SilentServer() {
    listener_ = listen_on_loopback(port_);
}

SilentServer::~SilentServer() {
    if (listener_ >= 0)
        ::close(listener_);
}

std::string SilentServer::base_url() const {
    return loopback_url("http", port_);
}

TinyProxy::TinyProxy(const std::string& user, const std::string& password) {
    port_ = unused_port();
    const std::string config = folder_.path() + "/tinyproxy.conf";
    {
        std::ofstream out(config);
        out << "Port " << port_ << "\n"
            << "Listen 127.0.0.1\n"
            << "Timeout 30\n"
            << "MaxClients 20\n"
            << "Allow 127.0.0.1\n"
            << "BasicAuth " << user << " " << password << "\n"
            << "LogLevel Critical\n"
            << "LogFile \"" << folder_.path() << "/tinyproxy.log\"\n";
    }
    std::vector<std::string> arguments = {"tinyproxy", "-d", "-c", config};
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (::posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
        return;
    }
    for (int i = 0; i < 500 && !started_; ++i) {
        started_ = port_accepts(port_);
        if (!started_)
            std::this_thread::sleep_for(10ms);
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;  // it ended on its own
            return;
        }
    }
}

TinyProxy::~TinyProxy() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}

SelfSignedCertificate::SelfSignedCertificate() {
    certificate_path = folder.path() + "/certificate.pem";
    key_path = folder.path() + "/key.pem";
    made = run_and_wait({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                         "-subj", "/CN=example.invalid", "-keyout", key_path, "-out",
                         certificate_path}) == 0;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace kessaro::test
