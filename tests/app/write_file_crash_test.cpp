// A writer process killed with SIGKILL at random moments while it saves large pictures never
// leaves a partly written file under a final name: each n.png is absent, a complete earlier
// version or complete.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

#include "app/window_ops.hpp"
#include "core/text_ops.hpp"

namespace kessaro {
namespace {

constexpr int kFiles = 3;
constexpr std::size_t kSize = 6 * 1024 * 1024;

// Version v of a picture: kSize bytes, every one of them v, so a mix of versions or a cut
// shows at once.
Bytes picture(unsigned char version) {
    return Bytes(std::string(kSize, static_cast<char>(version)));
}

[[noreturn]] void write_forever(const std::filesystem::path& folder) {
    const Text base(folder.string() + "\\");
    for (unsigned version = 1;; ++version) {
        const Bytes body = picture(static_cast<unsigned char>(version % 250 + 1));
        for (int n = 1; n <= kFiles; ++n)
            write_file(base + int_to_text(n) + ".png", body);
    }
}

TEST(WriteFileCrashTest, KilledWritesLeaveNoPartialFile) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kessaro-crash-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);

    std::mt19937 random(20261211);
    std::uniform_int_distribution<int> delay_ms(0, 120);
    int complete_seen = 0;
    for (int round = 0; round < 50; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            write_forever(folder);
        std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms(random)));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        for (int n = 1; n <= kFiles; ++n) {
            const auto path = folder / (std::to_string(n) + ".png");
            if (!std::filesystem::exists(path))
                continue;
            std::ifstream file(path, std::ios::binary);
            const std::string bytes{std::istreambuf_iterator<char>(file), {}};
            ASSERT_EQ(bytes.size(), kSize) << path << " in round " << round;
            ASSERT_EQ(bytes.find_first_not_of(bytes.front()), std::string::npos)
                << path << " mixes versions in round " << round;
            ++complete_seen;
        }
    }
    EXPECT_GT(complete_seen, 0);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kessaro
