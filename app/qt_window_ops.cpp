// The window operations over Qt Widgets, and the carrying of a worker's calls to the window
// thread.
#include "app/qt_window_ops.hpp"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <type_traits>

#include "app/information_box.hpp"
#include "app/main_window.hpp"
#include "app/picture_box.hpp"
#include "app/progress_bar.hpp"
#include "app/qt_text.hpp"
#include "app/report_list.hpp"

namespace kessaro {

namespace {

using Clock = std::chrono::steady_clock;

// Where a worker stays once the window can no longer answer it: returning with a made-up
// empty result would send it on with a wrong path (an empty folder text writes "/1.png").
[[noreturn]] void wait_until_process_ends() {
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(24));
}

// Returns once `end` lies in the past (strictly: more than the asked time has passed).
void wait_past(Clock::time_point end) {
    while (Clock::now() <= end)
        std::this_thread::sleep_until(end + std::chrono::microseconds(50));
}

}  // namespace

QtWindowOps::QtWindowOps(MainWindow& window)
    : window_(window), window_thread_(std::this_thread::get_id()) {}

template <typename Operation>
auto QtWindowOps::on_window(Operation operation) {
    using Result = std::invoke_result_t<Operation&>;
    if constexpr (std::is_void_v<Result>) {
        on_window([&] {
            operation();
            return true;
        });
    } else {
        if (on_window_thread())
            return operation();
        // Called from the worker thread: the window thread runs the operation in its event
        // loop (the main loop, a pause, a message box or the folder chooser) while this thread
        // waits. A call still queued when the application ends is dropped without running.
        std::optional<Result> result;
        if (!closed_.load()) {
            QMetaObject::invokeMethod(
                &bridge_,
                [&] {
                    if (!closed_.load())
                        result.emplace(operation());
                },
                Qt::BlockingQueuedConnection);
        }
        if (!result)
            wait_until_process_ends();
        return std::move(*result);
    }
}

void QtWindowOps::set_window_caption(const Text& caption) {
    on_window([&] { window_.setWindowTitle(to_qstring(caption)); });
}

Text QtWindowOps::control_text(Control edit_box) {
    return on_window([&] {
        const QLineEdit* box = window_.edit_box(edit_box);
        return box ? to_text(box->text()) : Text();
    });
}

void QtWindowOps::set_control_text(Control edit_box, const Text& text) {
    on_window([&] {
        if (QLineEdit* box = window_.edit_box(edit_box))
            box->setText(to_qstring(text));
    });
}

Text QtWindowOps::button_caption(Control button) {
    return on_window([&] {
        const QPushButton* found = window_.button(button);
        return found ? to_text(found->text()) : Text();
    });
}

void QtWindowOps::set_button_caption(Control button, const Text& caption) {
    on_window([&] {
        if (QPushButton* found = window_.button(button))
            found->setText(to_qstring(caption));
    });
}

void QtWindowOps::set_enabled(Control control, bool enabled) {
    on_window([&] { window_.control(control).setEnabled(enabled); });
}

void QtWindowOps::progress_set_max(int32_t maximum) {
    on_window([&] { window_.progress_bar().set_maximum(maximum); });
}

void QtWindowOps::progress_set_pos(int32_t position) {
    on_window([&] { window_.progress_bar().set_position(position); });
}

int32_t QtWindowOps::progress_pos() {
    return on_window([&] { return window_.progress_bar().position(); });
}

void QtWindowOps::list_clear() {
    on_window([&] { window_.list().model().clear(); });
}

int32_t QtWindowOps::list_append_row() {
    return on_window([&] { return window_.list().model().append_row(); });
}

void QtWindowOps::list_set_cell(int32_t row, int32_t column, const Text& text) {
    on_window([&] { window_.list().model().set_cell(row, column, text); });
}

Text QtWindowOps::list_cell(int32_t row, int32_t column) {
    return on_window([&] { return window_.list().model().cell(row, column); });
}

int32_t QtWindowOps::list_row_count() {
    return on_window([&] { return window_.list().model().row_count(); });
}

void QtWindowOps::list_scroll_to(int32_t row) {
    on_window([&] { window_.list().scroll_to_row(row); });
}

int32_t QtWindowOps::list_current_row() {
    return on_window([&] { return window_.list().selected_row(); });
}

void QtWindowOps::show_picture(const Bytes& picture) {
    on_window([&] { window_.picture_box().show_picture(picture); });
}

int32_t QtWindowOps::message_box(const Text& text, MessageKind kind) {
    if (on_window_thread()) {
        // Modal for the window thread's windows: they take no input until it is answered.
        InformationBox box(text, kind);
        box.exec();
        return box.answer();
    }
    // From a worker: the window thread shows the box without blocking, and stays free for
    // the main window; the answer goes to this worker alone.
    auto answer = std::make_shared<std::promise<int32_t>>();
    std::future<int32_t> answered = answer->get_future();
    on_window([&] {
        // The toolkit owns the box from here; it is deleted once answered.
        InformationBox* box = std::make_unique<InformationBox>(text, kind).release();
        box->setWindowModality(Qt::NonModal);
        QObject::connect(
            box, &QDialog::finished, box,
            [box, answer] {
                answer->set_value(box->answer());
                box->deleteLater();
            },
            Qt::SingleShotConnection);
        box->show();
    });
    try {
        return answered.get();
    } catch (const std::future_error&) {
        // The box went away unanswered: the application is ending.
        wait_until_process_ends();
    }
}

Text QtWindowOps::choose_folder(const Text& title) {
    return on_window([&] {
        QWidget* owner = QApplication::activeWindow();
        if (!owner)
            owner = &window_;
        const QString folder = QFileDialog::getExistingDirectory(
            owner, to_qstring(title), QString(),
            QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
        if (folder.isEmpty())
            return Text();
        // A name that code page 936 cannot write would come back as another folder's path.
        const QString native = QDir::toNativeSeparators(folder);
        Text path = to_text(native);
        return to_qstring(path) == native ? path : Text();
    });
}

void QtWindowOps::pause_with_events(int32_t milliseconds) {
    if (milliseconds <= 0)
        return;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
    if (!on_window_thread()) {
        wait_past(end);
        return;
    }
    while (Clock::now() <= end) {
        // A coarse timer may fire a little early; a precise one, checked against a monotonic
        // clock, never returns before the time has passed.
        QEventLoop loop;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()) +
                    std::chrono::milliseconds(1));
        loop.exec();
        if (timer.isActive()) {
            // The loop was ended from outside: the application is ending and its event loops
            // no longer run, so the rest of the pause is a plain wait.
            wait_past(end);
        }
    }
}

void QtWindowOps::process_events() {
    if (on_window_thread())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace kessaro
