// kessaro-demo-service [--port N]: the search service the tool asks by default, with pictures
// of its own, on 127.0.0.1 (port 8642 unless told otherwise; 0 picks a free one). It prints the
// address it listens on and serves until SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "demo-service/demo_service.hpp"

namespace {

constexpr int kDefaultPort = 8642;

int usage(int status) {
    std::fprintf(status == 0 ? stdout : stderr, "usage: kessaro-demo-service [--port N]\n");
    return status;
}

// A port from 0 to 65535 written in decimal digits only; -1 otherwise.
int parse_port(std::string_view text) {
    if (text.empty() || text.size() > 5)
        return -1;
    int port = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        port = port * 10 + (c - '0');
    }
    return port <= 65535 ? port : -1;
}

}  // namespace

int main(int argc, char** argv) {
    int port = kDefaultPort;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h")
            return usage(0);
        if (arg == "--port" && i + 1 < argc) {
            port = parse_port(argv[++i]);
        } else if (arg.starts_with("--port=")) {
            port = parse_port(arg.substr(7));
        } else {
            return usage(2);
        }
        if (port < 0)
            return usage(2);
    }

    // The signals are taken by sigwait below; block them before any thread starts so that
    // every thread inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    kessaro::demo::DemoService service;
    const int bound = service.bind(port);
    if (bound < 0) {
        std::fprintf(stderr, "kessaro-demo-service: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    service.start();
    std::printf("kessaro-demo-service: listening on http://127.0.0.1:%d\n", bound);
    std::fflush(stdout);

    int received = 0;
    sigwait(&signals, &received);
    service.stop();
    return 0;
}
