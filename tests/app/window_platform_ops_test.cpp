// The platform operations: folders one level at a time, existence tests, the crash-safe
// writing of picture files, the program's and the user's folders, and detached threads.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/native_path.hpp"
#include "app/window_ops.hpp"

namespace kessaro {
namespace {

namespace fs = std::filesystem;

// "乗" in code page 936 is 81 5C: its second byte is the backslash.
constexpr const char* backslash_trail_936 = "\x81\x5C";
constexpr const char* backslash_trail_utf8 = "\xE4\xB9\x97";
// "保存的图片" in code page 936 and in UTF-8.
constexpr const char* saved_pictures_936 = "\xB1\xA3\xB4\xE6\xB5\xC4\xCD\xBC\xC6\xAC";
constexpr const char* saved_pictures_utf8 = "保存的图片";

class PlatformOpsTest : public ::testing::Test {
  protected:
    PlatformOpsTest() {
        std::string pattern = (fs::temp_directory_path() / "kessaro-ops-XXXXXX").string();
        folder_ = ::mkdtemp(pattern.data());
    }
    ~PlatformOpsTest() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    // The folder as the system writes paths: 936 text with "\" separators.
    Text path(const char* name_936 = nullptr) const {
        Text folder = text_from_native_path(folder_.string());
        return name_936 ? folder + "\\" + name_936 : folder;
    }
    static std::string contents(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Names in the folder other than the expected ones (a temporary file left behind).
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    fs::path folder_;
};

TEST_F(PlatformOpsTest, PathsBecomeUtf8WithSlashesAfterConversion) {
    EXPECT_EQ(native_path(Text("a\\b\\c.png")), "a/b/c.png");
    // The 0x5C inside a double-byte character is part of the character, not a separator.
    EXPECT_EQ(native_path(Text(std::string("d\\") + backslash_trail_936 + "\\e")),
              std::string("d/") + backslash_trail_utf8 + "/e");
    EXPECT_EQ(native_path(Text()), "");
}

TEST_F(PlatformOpsTest, CreateDirectoryMakesOneLevelAndSaysWhetherItDid) {
    const Text chinese = path(saved_pictures_936);
    EXPECT_TRUE(create_directory(chinese));
    EXPECT_TRUE(fs::is_directory(folder_ / saved_pictures_utf8));
    EXPECT_FALSE(create_directory(chinese)) << "exists already";

    const Text tricky = path(backslash_trail_936);
    EXPECT_TRUE(create_directory(tricky));
    EXPECT_TRUE(fs::is_directory(folder_ / backslash_trail_utf8));

    EXPECT_FALSE(create_directory(path("missing\\child"))) << "no intermediate folders";
    EXPECT_FALSE(fs::exists(folder_ / "missing"));
    EXPECT_FALSE(create_directory(Text()));
}

TEST_F(PlatformOpsTest, PathExistsForFilesAndFoldersOnly) {
    std::ofstream(folder_ / "file.png") << "x";
    EXPECT_TRUE(path_exists(path("file.png")));
    EXPECT_TRUE(path_exists(path()));
    EXPECT_FALSE(path_exists(path("none.png")));
    EXPECT_FALSE(path_exists(Text()));
}

TEST_F(PlatformOpsTest, WriteFileCreatesAndReplacesWholeFiles) {
    const std::string body("\x89PNG\0\1\2\0tail", 12);
    ASSERT_TRUE(write_file(path("1.png"), Bytes(std::string(body))));
    EXPECT_EQ(contents(folder_ / "1.png"), body);

    ASSERT_TRUE(write_file(path("1.png"), Bytes(std::string("short"))));
    EXPECT_EQ(contents(folder_ / "1.png"), "short");

    // A failed download still leaves an empty file.
    ASSERT_TRUE(write_file(path("2.png"), Bytes()));
    EXPECT_TRUE(fs::exists(folder_ / "2.png"));
    EXPECT_EQ(fs::file_size(folder_ / "2.png"), 0u);

    ASSERT_TRUE(create_directory(path(saved_pictures_936)));
    ASSERT_TRUE(write_file(path(saved_pictures_936) + "\\3.png", Bytes(std::string("abc"))));
    EXPECT_EQ(contents(folder_ / saved_pictures_utf8 / "3.png"), "abc");

    // Only the pictures: no temporary file stays behind.
    EXPECT_EQ(entries().size(), 3u);
}

TEST_F(PlatformOpsTest, WriteFileGetsTheOrdinaryFileMode) {
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(write_file(path("1.png"), Bytes(std::string("x"))));
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat((folder_ / "1.png").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(PlatformOpsTest, WriteFileFailuresLeaveNothingBehind) {
    std::ofstream(folder_ / "locked.png") << "keep";
    fs::permissions(folder_ / "locked.png", fs::perms::owner_read | fs::perms::group_read);
    fs::create_directory(folder_ / "folder.png");

    const struct {
        const char* what;
        Text path;
    } cases[] = {
        {"empty path", Text()},
        {"missing folder", path("missing\\1.png")},
        {"read-only file", path("locked.png")},
        {"a folder", path("folder.png")},
        {"a folder's path", path("sub\\")},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(write_file(c.path, Bytes(std::string("new")))) << c.what;
    }
    EXPECT_EQ(contents(folder_ / "locked.png"), "keep");
    EXPECT_EQ(entries().size(), 2u) << "no temporary file stays behind";
}

TEST_F(PlatformOpsTest, WritersOfTheSameFileNeverMixTheirBytes) {
    const std::string a(300000, 'a');
    const std::string b(200000, 'b');
    std::atomic<bool> all_written{true};
    const auto writer = [&](const std::string& body) {
        for (int i = 0; i < 20; ++i) {
            if (!write_file(path("1.png"), Bytes(std::string(body))))
                all_written = false;
        }
    };
    std::thread first(writer, std::cref(a));
    std::thread second(writer, std::cref(b));
    first.join();
    second.join();
    EXPECT_TRUE(all_written);
    const std::string result = contents(folder_ / "1.png");
    EXPECT_TRUE(result == a || result == b);
    EXPECT_EQ(entries().size(), 1u);
}

TEST_F(PlatformOpsTest, AWriterKilledMidwayLeavesTheOldFileWhole) {
    ASSERT_TRUE(write_file(path("1.png"), Bytes(std::string("old picture"))));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Large enough that the kill below lands while the bytes are still being written.
        write_file(path("1.png"), Bytes(std::string(256u << 20, 'n')));
        ::_exit(0);
    }
    // Wait (at most 10 s) until the temporary file has appeared, then kill the writer.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (entries().size() < 2 && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string result = contents(folder_ / "1.png");
    EXPECT_TRUE(result == "old picture" || result.size() == (256u << 20))
        << "a half-written file has length " << result.size();
}

TEST_F(PlatformOpsTest, WritableDirectoryOnlyForFolders) {
    std::ofstream(folder_ / "file") << "x";
    EXPECT_TRUE(is_writable_directory(path()));
    EXPECT_FALSE(is_writable_directory(path("file")));
    EXPECT_FALSE(is_writable_directory(path("missing")));
    EXPECT_FALSE(is_writable_directory(Text()));
}

TEST_F(PlatformOpsTest, UserPicturesFolderFollowsUserDirsElseHome) {
    const fs::path home = folder_ / "home";
    fs::create_directories(home / ".config");
    fs::create_directories(home / "Bilder \"x\"");
    fs::create_directories(folder_ / "elsewhere");
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    const auto write_dirs = [&](const std::string& line) {
        std::ofstream(home / ".config" / "user-dirs.dirs") << "# written by a test\n"
                                                           << "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                                           << line << "\n";
    };
    const Text home_text = text_from_native_path(home.string());

    EXPECT_EQ(user_pictures_directory(), home_text) << "no user-dirs.dirs";
    write_dirs("XDG_PICTURES_DIR=\"$HOME/Bilder \\\"x\\\"\"");
    EXPECT_EQ(user_pictures_directory(), home_text + "/Bilder \"x\"");
    write_dirs("XDG_PICTURES_DIR=\"" + (folder_ / "elsewhere").string() + "/\"");
    EXPECT_EQ(user_pictures_directory(), text_from_native_path((folder_ / "elsewhere").string()));
    write_dirs("XDG_PICTURES_DIR=\"$HOME/Missing\"");
    EXPECT_EQ(user_pictures_directory(), home_text) << "the named folder does not exist";
    write_dirs("XDG_PICTURES_DIR=\"$HOME/Bilder");
    EXPECT_EQ(user_pictures_directory(), home_text) << "unterminated quote";

    // XDG_CONFIG_HOME moves the file.
    fs::create_directories(folder_ / "config");
    std::ofstream(folder_ / "config" / "user-dirs.dirs")
        << "XDG_PICTURES_DIR=\"$HOME/Bilder \\\"x\\\"\"\n";
    ::setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
    write_dirs("");
    EXPECT_EQ(user_pictures_directory(), home_text + "/Bilder \"x\"");
}

TEST_F(PlatformOpsTest, ProgramDirectoryIsTheExecutablesFolder) {
    const Text folder = program_directory();
    EXPECT_EQ(folder,
              text_from_native_path(fs::canonical("/proc/self/exe").parent_path().string()));
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.view().back(), '/');
    EXPECT_NE(folder.view().back(), '\\');
}

TEST_F(PlatformOpsTest, RunOnNewThreadRunsTheRoutineDetached) {
    std::promise<std::thread::id> ran;
    std::future<std::thread::id> ran_on = ran.get_future();
    EXPECT_TRUE(run_on_new_thread([&ran] { ran.set_value(std::this_thread::get_id()); }));
    ASSERT_EQ(ran_on.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_NE(ran_on.get(), std::this_thread::get_id());
    EXPECT_FALSE(run_on_new_thread(std::function<void()>()));
}

}  // namespace
}  // namespace kessaro
