// Start to window shown, offscreen: the real program's start-up (toolkit settings, the
// Application with its script engine, the main window with its twelve controls and its created
// handler) beside a bare toolkit window with one button. Each iteration runs a fresh process up
// to its first paint.
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "bench/bench_ratios.hpp"

extern char** environ;

namespace kessaro::bench {
namespace {

bool run(const char* program, const std::string& folder) {
    std::string name = program;
    std::string argument = folder;
    char* arguments[] = {name.data(), argument.data(), nullptr};
    pid_t child = 0;
    if (::posix_spawn(&child, program, nullptr, nullptr, arguments, environ) != 0)
        return false;
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void start_to_window_shown(benchmark::State& state, const char* program) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string folder = (std::filesystem::temp_directory_path() / "kessaro-bench-XXXXXX").string();
    if (!::mkdtemp(folder.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    for (auto _ : state) {
        if (!run(program, folder)) {
            state.SkipWithError("the probe did not show its window");
            break;
        }
    }
    std::filesystem::remove_all(folder);
}

BENCHMARK_CAPTURE(start_to_window_shown, kessaro, KESSARO_START_PROBE)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);
BENCHMARK_CAPTURE(start_to_window_shown, bare_qt_window, KESSARO_BARE_PROBE)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);

}  // namespace
}  // namespace kessaro::bench

int main(int argc, char** argv) {
    return kessaro::bench::run_with_ratios(
        argc, argv,
        {{"start_to_window_shown/kessaro/iterations:20/real_time",
          "start_to_window_shown/bare_qt_window/iterations:20/real_time", ""}});
}
