// Replays every file of a fuzz target's corpus folder through the target: the seeds and every
// input that once found a defect run in each ordinary (and sanitized) test build.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

TEST(FuzzCorpusTest, EveryInputRunsCleanly) {
    const char* folder = std::getenv("KESSARO_FUZZ_CORPUS");
    ASSERT_NE(folder, nullptr);
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(file), {}};
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
            0);
        ++inputs;
    }
    EXPECT_GT(inputs, 0) << "no corpus in " << folder;
}

}  // namespace
