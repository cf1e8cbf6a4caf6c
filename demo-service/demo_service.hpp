// The demo search service: answers the tool's search request and serves the pictures it lists,
// on 127.0.0.1 only.
#pragma once

#include <memory>
#include <thread>

namespace kessaro::demo {

class DemoService {
  public:
    DemoService();
    ~DemoService();
    DemoService(const DemoService&) = delete;
    DemoService& operator=(const DemoService&) = delete;

    // Binds 127.0.0.1:port (0 picks a free port); the bound port, or -1 when binding failed.
    int bind(int port);
    // Serves until stop(); call after a successful bind.
    void serve();
    // serve() on a thread of the service's own, joined by stop() or the destructor.
    void start();
    // Safe from any thread, also before serving starts or after it ended.
    void stop();

  private:
    struct Server;
    std::unique_ptr<Server> server_;
    std::thread thread_;
};

}  // namespace kessaro::demo
