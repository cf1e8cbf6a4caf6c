// Shared by the window tests: one toolkit per test program, fixture pictures, a private
// temporary folder per test, and answering modal dialogs from a timer.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QTimer>

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "core/bytes.hpp"

// Set in sanitized builds, whose memory and timing figures mean nothing.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KESSARO_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KESSARO_SANITIZED 1
#endif
#endif

namespace kessaro::testing {

// The toolkit of a test program, made on first use on the test's main thread. The program's
// main (window_test_main.cpp) ends it before static objects go, some of which it still uses.
inline std::optional<QApplication>& toolkit_holder() {
    static std::optional<QApplication> held;
    return held;
}

inline QApplication& toolkit() {
    static int argument_count = 1;
    static char name[] = "kessaro-test";
    static char* arguments[] = {name, nullptr};
    std::optional<QApplication>& held = toolkit_holder();
    if (!held)
        held.emplace(argument_count, arguments);
    return *held;
}

// A base of test fixtures whose members are widgets: the toolkit exists before them.
struct WithToolkit {
    WithToolkit() { toolkit(); }
};

inline std::string read_binary(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A committed fixture from tests/app/pictures (see make_pictures.sh there).
inline std::string fixture(const std::string& name) {
    return read_binary(std::filesystem::path(KESSARO_TEST_PICTURES) / name);
}

// A QString from a UTF-8 literal (the sources are UTF-8).
inline QString q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A fresh folder removed with the object.
class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kessaro-test-XXXXXX");
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Handles the window thread's events (a worker's calls among them) until `done` answers true;
// false when `limit` passes first.
inline bool serve_until(const std::function<bool()>& done,
                        std::chrono::seconds limit = std::chrono::seconds(10)) {
    const auto give_up = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > give_up)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Polls every 10 ms until `act` answers true (it found its dialog and dealt with it), for at
// most 10 s; runs while a modal loop of the window thread is open.
class DialogAnswerer {
  public:
    explicit DialogAnswerer(std::function<bool()> act) : act_(std::move(act)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (act_() || std::chrono::steady_clock::now() > give_up_)
                timer_.stop();
        });
        timer_.start();
    }

  private:
    std::function<bool()> act_;
    QTimer timer_;
    std::chrono::steady_clock::time_point give_up_ =
        std::chrono::steady_clock::now() + std::chrono::seconds(10);
};

// An answer for DialogAnswerer: presses `button` of the open modal message box.
inline std::function<bool()> press_message_box(QMessageBox::StandardButton button) {
    return [button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return false;
        box->button(button)->click();
        return true;
    };
}

}  // namespace kessaro::testing
