// The platform operations over POSIX and the standard library: threads, folders and files.
// No toolkit here: these also run in the toolkit-free tests and on the save worker's thread.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/native_path.hpp"
#include "app/window_ops.hpp"
#include "encoding/code_page.hpp"

namespace kessaro {

std::string native_path(const Text& path) {
    std::string utf8 = cp936_to_utf8(path);
    for (char& c : utf8) {
        if (c == '\\')
            c = '/';
    }
    return utf8;
}

Text text_from_native_path(std::string_view utf8_path) {
    return utf8_to_cp936(utf8_path);
}

namespace {

// A folder without its trailing separators; the root folder becomes the empty text, so that
// appending "\name" still names a folder at the root.
std::string without_trailing_slashes(std::string folder) {
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    return folder;
}

bool is_directory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string home_directory() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir) {
        return found->pw_dir;
    }
    return "/";
}

// The value of XDG_PICTURES_DIR in user-dirs.dirs: a shell-quoted "$HOME/..." or absolute
// path. Empty when the file or the line is missing or malformed.
std::string xdg_pictures_directory(const std::string& home) {
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        config = xdg;
    } else {
        config = home + "/.config";
    }
    std::ifstream file(config + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_PICTURES_DIR=\"";
    while (std::getline(file, line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0)
            continue;
        std::string value;
        bool closed = false;
        for (std::size_t i = start + key.size(); i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                value += line[++i];
            } else if (line[i] == '"') {
                closed = true;
                break;
            } else {
                value += line[i];
            }
        }
        if (!closed)
            return {};
        if (value == "$HOME" || value.starts_with("$HOME/"))
            return home + value.substr(5);
        if (value.starts_with("/"))
            return value;
        return {};
    }
    return {};
}

// A fresh name for the temporary file of one write; recognisable as ours if a crash leaves it.
std::string temporary_name(const std::string& folder) {
    std::random_device random;
    const uint64_t number = (uint64_t{random()} << 32) ^ random();
    static constexpr char digits[] = "0123456789abcdef";
    std::string name = folder + "/.kessaro-write-";
    for (int shift = 60; shift >= 0; shift -= 4)
        name += digits[(number >> shift) & 0xF];
    return name + ".tmp";
}

bool write_all(int descriptor, const Bytes& bytes) {
    const unsigned char* next = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor, next, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        next += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

bool run_on_new_thread(std::function<void()> routine) {
    if (!routine)
        return false;
    try {
        std::thread(std::move(routine)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

Text program_directory() {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return Text();
        if (static_cast<std::size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(length));
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    const std::size_t slash = buffer.rfind('/');
    if (slash == std::string::npos)
        return Text();
    return text_from_native_path(without_trailing_slashes(buffer.substr(0, slash)));
}

bool create_directory(const Text& path) {
    if (path.empty())
        return false;
    return ::mkdir(native_path(path).c_str(), 0777) == 0;
}

bool path_exists(const Text& path) {
    if (path.empty())
        return false;
    struct stat info {};
    return ::lstat(native_path(path).c_str(), &info) == 0;
}

bool write_file(const Text& path, const Bytes& bytes) {
    if (path.empty())
        return false;
    const std::string target = native_path(path);
    const std::size_t slash = target.rfind('/');
    if (slash + 1 == target.size())
        return false;  // names a folder, not a file
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);

    // An existing target must be a file that may be replaced: a read-only file keeps its bytes
    // (the rename below would otherwise replace it, since renaming asks only the folder).
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode))
            return false;
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            return false;
        if (::access(target.c_str(), W_OK) != 0)
            return false;
    } else if (errno != ENOENT) {
        return false;
    }

    // The bytes go to a temporary file beside the target, renamed over it once complete, so a
    // crash never leaves a half-written picture under the final name. Mode 0666 minus the
    // umask gives the ordinary file mode.
    std::string temporary;
    int descriptor = -1;
    for (int attempt = 0; attempt < 8 && descriptor < 0; ++attempt) {
        temporary = temporary_name(folder);
        descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST)
            return false;
    }
    if (descriptor < 0)
        return false;

    // No fdatasync: the rename already keeps a crashed or killed process from leaving a cut
    // file, and syncing every picture cost about 5 ms each, more than all the rest of a save.
    bool written = write_all(descriptor, bytes);
    written = (::close(descriptor) == 0) && written;
    if (written && ::rename(temporary.c_str(), target.c_str()) == 0)
        return true;
    ::unlink(temporary.c_str());
    return false;
}

bool is_writable_directory(const Text& path) {
    if (path.empty())
        return false;
    const std::string folder = native_path(path);
    return is_directory(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

Text user_pictures_directory() {
    const std::string home = home_directory();
    std::string pictures = xdg_pictures_directory(home);
    if (pictures.empty() || !is_directory(pictures))
        pictures = home;
    return text_from_native_path(without_trailing_slashes(pictures));
}

}  // namespace kessaro
