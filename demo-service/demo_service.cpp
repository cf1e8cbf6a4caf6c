#include "demo-service/demo_service.hpp"

#include <httplib.h>

#include <chrono>
#include <string>

#include "demo-service/search_reply.hpp"
#include "demo-service/search_word.hpp"

namespace kessaro::demo {
namespace {

// The Host header the tool sent, when it is a plain host[:port]; else our own address. The
// reply's picture addresses use it, so they reach us the way the search did.
std::string base_url(const httplib::Request& request, int port) {
    const std::string host = request.get_header_value("Host");
    bool plain = !host.empty() && host.size() <= 255;
    for (const char c : host) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':' ||
                             c == '[' || c == ']';
        plain = plain && allowed;
    }
    return "http://" + (plain ? host : "127.0.0.1:" + std::to_string(port));
}

}  // namespace

struct DemoService::Server {
    httplib::Server http;
    int port = -1;
};

DemoService::DemoService() : server_(std::make_unique<Server>()) {
    Server& server = *server_;
    // Without it, keep-alive requests wait on Nagle's algorithm (about 40 a second).
    server.http.set_tcp_nodelay(true);
    server.http.Get("/intf/search",
                    [&server](const httplib::Request& request, httplib::Response& response) {
                        // The raw target: the decoded parameters would have read the "%" before the
                        // word as the start of an escape.
                        const std::string word = search_word(request.target);
                        response.set_content(search_reply(word, base_url(request, server.port)),
                                             "application/json; charset=utf-8");
                    });
    server.http.Get(R"(/pictures/.*)",
                    [](const httplib::Request& request, httplib::Response& response) {
                        std::string picture = picture_at(request.path);
                        if (picture.empty()) {
                            response.status = 404;
                            response.set_content("no such picture", "text/plain");
                            return;
                        }
                        const std::string& path = request.path;
                        const std::string ext = path.substr(path.rfind('.') + 1);
                        const char* type = ext == "png"   ? "image/png"
                                           : ext == "jpg" ? "image/jpeg"
                                           : ext == "bmp" ? "image/bmp"
                                                          : "image/gif";
                        response.set_content(std::move(picture), type);
                    });
}

DemoService::~DemoService() {
    stop();
}

int DemoService::bind(int port) {
    if (port == 0) {
        server_->port = server_->http.bind_to_any_port("127.0.0.1");
    } else {
        server_->port = server_->http.bind_to_port("127.0.0.1", port) ? port : -1;
    }
    return server_->port;
}

void DemoService::serve() {
    server_->http.listen_after_bind();
}

void DemoService::start() {
    thread_ = std::thread([this] { serve(); });
    // stop() only acts on a running server, so wait until it runs (bounded: a server that
    // could not start ends its thread at once).
    for (int i = 0; i < 5000 && !server_->http.is_running(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void DemoService::stop() {
    server_->http.stop();
    if (thread_.joinable())
        thread_.join();
}

}  // namespace kessaro::demo
