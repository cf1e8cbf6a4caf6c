// A search service and picture server for the workflow tests, on 127.0.0.1 at a free port:
// /intf/search answers the reply the test set, every other path the body the test set for it
// (404 when none). A path can be held: its requests wait until the test releases it (bounded).
// It records the raw request targets, so tests see exactly what the tool sent.
#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace kessaro::testing {

class PictureServer {
  public:
    PictureServer() {
        server_.set_tcp_nodelay(true);
        server_.Get(R"(.*)", [this](const httplib::Request& request, httplib::Response& response) {
            serve(request, response);
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        for (int i = 0; i < 5000 && !server_.is_running(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~PictureServer() {
        {
            std::lock_guard lock(mutex_);
            held_.clear();
            stopping_ = true;
        }
        changed_.notify_all();
        server_.stop();
        thread_.join();
    }
    PictureServer(const PictureServer&) = delete;
    PictureServer& operator=(const PictureServer&) = delete;

    // "127.0.0.1:port", the search host the application is given.
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string url(const std::string& path) const { return "http://" + host() + path; }

    void set_search_reply(std::string reply) {
        std::lock_guard lock(mutex_);
        reply_ = std::move(reply);
    }
    void set_body(const std::string& path, std::string body) {
        std::lock_guard lock(mutex_);
        bodies_[path] = std::move(body);
    }
    void hold(const std::string& path) {
        std::lock_guard lock(mutex_);
        held_.insert(path);
    }
    void release(const std::string& path) {
        {
            std::lock_guard lock(mutex_);
            held_.erase(path);
        }
        changed_.notify_all();
    }
    std::vector<std::string> targets() const {
        std::lock_guard lock(mutex_);
        return targets_;
    }
    // Waits, bounded, until a request for `path` has arrived.
    bool wait_for_request(const std::string& path) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [&] {
            for (const auto& target : targets_) {
                if (target == path)
                    return true;
            }
            return false;
        });
    }

  private:
    void serve(const httplib::Request& request, httplib::Response& response) {
        std::unique_lock lock(mutex_);
        targets_.push_back(request.target);
        changed_.notify_all();
        changed_.wait_for(lock, std::chrono::seconds(20),
                          [&] { return stopping_ || !held_.count(request.path); });
        if (request.path == "/intf/search") {
            response.set_content(reply_, "application/json; charset=utf-8");
            return;
        }
        const auto it = bodies_.find(request.path);
        if (it == bodies_.end()) {
            response.status = 404;
            return;
        }
        response.set_content(it->second, "application/octet-stream");
    }

    httplib::Server server_;
    int port_ = -1;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string reply_;
    std::map<std::string, std::string> bodies_;
    std::set<std::string> held_;
    std::vector<std::string> targets_;
    bool stopping_ = false;
};

}  // namespace kessaro::testing
