// Servers the request tests talk to, all on 127.0.0.1 and all stopped by their destructors:
// an HTTP(S) server of handlers, a raw responder that records the exact request bytes and
// answers fixed bytes, a listener that never answers, a real proxy and a self-signed
// certificate made at run time.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace kessaro::test {

// A temporary folder removed with its contents at the end.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// A port on 127.0.0.1 that nothing listens on (taken from the system, then released).
int unused_port();

// An HTTP server of cpp-httplib, or HTTPS when a certificate and key are given. Handlers are
// added through server() before start().
class WebServer {
  public:
    WebServer();
    WebServer(const std::string& certificate_path, const std::string& key_path);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    httplib::Server& server() { return *server_; }
    void start();
    int port() const { return port_; }
    // "http://127.0.0.1:PORT" or "https://127.0.0.1:PORT".
    std::string base_url() const;

  private:
    std::unique_ptr<httplib::Server> server_;
    bool secure_ = false;
    int port_ = 0;
    std::thread thread_;
};

// Answers every request with the bytes that `reply` gives for it (keeping the connection open
// without answering when the reply is empty) and records each request's bytes: head, and the
// body that its Content-Length announces. One connection at a time; each is closed after its
// reply.
class RawServer {
  public:
    using Reply = std::function<std::string(const std::string& request)>;
    explicit RawServer(Reply reply);
    ~RawServer();
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int port() const { return port_; }
    std::string base_url() const;
    std::vector<std::string> requests() const;

  private:
    void serve();
    void serve_connection(int connection);

    Reply reply_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// Accepts connections (the system completes them) and never reads or answers.
class SilentServer {
  public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    int port() const { return port_; }
    std::string base_url() const;

  private:
    int listener_ = -1;
    int port_ = 0;
};

// tinyproxy on its own port with Basic authorisation user:pass, its own config file, stopped
// by its process id. started() is false when it could not be run.
class TinyProxy {
  public:
    TinyProxy(const std::string& user, const std::string& password);
    ~TinyProxy();
    TinyProxy(const TinyProxy&) = delete;
    TinyProxy& operator=(const TinyProxy&) = delete;
    bool started() const { return started_; }
    int port() const { return port_; }

  private:
    TempFolder folder_;
    int port_ = 0;
    pid_t pid_ = -1;
    bool started_ = false;
};

// A self-signed certificate for CN=example.invalid made by the openssl tool: for 127.0.0.1 it
// has both an unknown authority and a name mismatch.
struct SelfSignedCertificate {
    SelfSignedCertificate();
    bool made = false;
    TempFolder folder;
    std::string certificate_path;
    std::string key_path;
};

// Seconds since `start`, for "returns within its bound" checks.
double seconds_since(std::chrono::steady_clock::time_point start);

}  // namespace kessaro::test
