// The window operations over the real main window: texts in code page 936, the clamped
// progress bar, the list, the message box and the folder chooser (answered from a timer),
// the pauses, and calls from a worker thread: carried over in order, served while the window
// thread pauses or shows a box, and never reaching the window once it has closed.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>

#include "app/main_window.hpp"
#include "app/native_path.hpp"
#include "app/picture_box.hpp"
#include "app/progress_bar.hpp"
#include "app/qt_window_ops.hpp"
#include "app/report_list.hpp"
#include "app/toolkit_setup.hpp"
#include "window_test_support.hpp"

namespace kessaro {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using testing::DialogAnswerer;
using testing::serve_until;
using testing::TemporaryFolder;

// "美女" and "中文" in code page 936.
const Text beauty("\xC3\xC0\xC5\xAE");
const Text chinese("\xD6\xD0\xCE\xC4");

Text text_of(const fs::path& path) {
    return text_from_native_path(path.string());
}

class WindowOpsTest : public ::testing::Test, private testing::WithToolkit {
  protected:
    // The toolkit's settings of the real program, made once per test program.
    static ToolkitSetup& setup() {
        static ToolkitSetup made;
        return made;
    }

    static QMessageBox* open_message_box() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box && box->isVisible())
                return box;
        }
        return nullptr;
    }

    MainWindow window;
    QtWindowOps ops{window};
};

TEST_F(WindowOpsTest, TextsCrossTheWindowIn936) {
    ops.set_control_text(Control::编辑框_图片名子, beauty);
    EXPECT_EQ(window.edit_box(Control::编辑框_图片名子)->text(), QStringLiteral("美女"));
    EXPECT_EQ(ops.control_text(Control::编辑框_图片名子), beauty);

    // The disabled save folder box takes texts too, and has no length limit.
    const Text long_path = Text("/x") + Text(std::string(40000, 'a'));
    ops.set_control_text(Control::编辑框_保存路径, long_path);
    EXPECT_EQ(ops.control_text(Control::编辑框_保存路径), long_path);
    ops.set_control_text(Control::编辑框_保存路径, Text());
    EXPECT_EQ(ops.control_text(Control::编辑框_保存路径), Text());

    ops.set_button_caption(Control::按钮_停止采集图片, chinese);
    EXPECT_EQ(window.button(Control::按钮_停止采集图片)->text(), QStringLiteral("中文"));
    EXPECT_EQ(ops.button_caption(Control::按钮_停止采集图片), chinese);

    ops.set_window_caption(chinese);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("中文"));

    // A control of the wrong kind has no such text.
    EXPECT_EQ(ops.control_text(Control::按钮_搜索图片), Text());
    EXPECT_EQ(ops.button_caption(Control::编辑框_图片名子), Text());

    ops.set_enabled(Control::按钮_保存图片, false);
    EXPECT_FALSE(window.control(Control::按钮_保存图片).isEnabled());
    ops.set_enabled(Control::按钮_保存图片, true);
    EXPECT_TRUE(window.control(Control::按钮_保存图片).isEnabled());
}

TEST_F(WindowOpsTest, ProgressValuesAreClampedTo32767) {
    const ProgressBar& bar = window.progress_bar();
    const struct {
        int32_t maximum, position;
        int32_t stored_maximum, stored_position, drawn;
    } cases[] = {
        {40000, 40000, 32767, 32767, 32767},
        {-5, 3, 0, 3, 0},
        {10, -1, 10, 0, 0},
        {10, 25, 10, 25, 10},
        {0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        ops.progress_set_max(c.maximum);
        ops.progress_set_pos(c.position);
        EXPECT_EQ(bar.maximum_value(), c.stored_maximum) << c.maximum;
        EXPECT_EQ(ops.progress_pos(), c.stored_position) << c.position;
        EXPECT_EQ(bar.value(), c.drawn) << c.maximum << " " << c.position;
        EXPECT_GT(bar.maximum(), 0) << "a maximum of 0 must not show the busy animation";
    }
    ops.progress_set_max(40000);
    ops.progress_set_pos(32766);
    for (int i = 0; i < 3; ++i)
        ops.progress_set_pos(ops.progress_pos() + 1);
    EXPECT_EQ(ops.progress_pos(), 32767);
}

TEST_F(WindowOpsTest, ListRowsCellsAndSelection) {
    EXPECT_EQ(ops.list_row_count(), 0);
    EXPECT_EQ(ops.list_current_row(), -1);
    EXPECT_EQ(ops.list_append_row(), 0);
    EXPECT_EQ(ops.list_append_row(), 1);
    ops.list_set_cell(1, 1, chinese);
    ops.list_set_cell(1, 2, Text("http://127.0.0.1/1.jpg"));
    ops.list_set_cell(5, 0, Text("ignored"));
    ops.list_set_cell(1, 3, Text("ignored"));
    EXPECT_EQ(ops.list_cell(1, 1), chinese);
    EXPECT_EQ(ops.list_cell(1, 2), Text("http://127.0.0.1/1.jpg"));
    EXPECT_EQ(ops.list_cell(0, 2), Text());
    EXPECT_EQ(ops.list_cell(2, 0), Text()) << "a missing row";
    EXPECT_EQ(ops.list_cell(-1, 0), Text());
    EXPECT_EQ(ops.list_cell(1, 3), Text()) << "a missing column";
    EXPECT_EQ(window.list().model().data(window.list().model().index(1, 1), Qt::DisplayRole),
              QStringLiteral("中文"));

    window.list().selectRow(1);
    EXPECT_EQ(ops.list_current_row(), 1);
    ops.list_clear();
    EXPECT_EQ(ops.list_row_count(), 0);
    EXPECT_EQ(ops.list_current_row(), -1);
    EXPECT_EQ(ops.list_append_row(), 0);
}

TEST_F(WindowOpsTest, ScrollToShowsTheWholeRow) {
    window.show();
    for (int i = 0; i < 1000; ++i)
        ops.list_set_cell(ops.list_append_row(), 0, Text("row"));
    ReportListView& list = window.list();
    for (const int32_t row : {700, 5, 999}) {
        ops.list_scroll_to(row);
        const QRect shown = list.visualRect(list.model().index(row, 0));
        EXPECT_TRUE(list.viewport()->rect().contains(shown)) << row;
    }
    ops.list_scroll_to(5000);  // no such row: nothing happens
}

TEST_F(WindowOpsTest, EveryLeftClickIsReportedEvenOnEmptySpace) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (int i = 0; i < 3; ++i)
        ops.list_append_row();
    ReportListView& list = window.list();
    std::vector<int32_t> rows_seen;
    list.set_left_click_handler([&] { rows_seen.push_back(ops.list_current_row()); });

    const QPoint on_row_1 = list.visualRect(list.model().index(1, 1)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, on_row_1);
    const QPoint below_rows(50, list.viewport()->height() - 5);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, below_rows);
    QTest::mouseClick(list.viewport(), Qt::RightButton, {}, on_row_1);
    EXPECT_EQ(rows_seen, (std::vector<int32_t>{1, -1}));
}

TEST_F(WindowOpsTest, ShowPictureFillsOrEmptiesTheBox) {
    ops.show_picture(Bytes(testing::fixture("pattern.png")));
    EXPECT_FALSE(window.picture_box().is_empty());
    ops.show_picture(Bytes());
    EXPECT_TRUE(window.picture_box().is_empty());
}

TEST_F(WindowOpsTest, MessageBoxAnswersZeroOnlyForOk) {
    setup();
    enum class Action { ok, cancel, escape, close_box };
    const struct {
        MessageKind kind;
        Action action;
        int32_t answer;
    } cases[] = {
        {MessageKind::ok_cancel, Action::ok, 0},
        {MessageKind::ok_cancel, Action::cancel, 1},
        {MessageKind::ok_cancel, Action::escape, 1},
        {MessageKind::ok_cancel, Action::close_box, 1},
        {MessageKind::ok, Action::ok, 0},
        {MessageKind::ok, Action::escape, 1},
        {MessageKind::ok, Action::close_box, 1},
    };
    for (const auto& c : cases) {
        QString title, ok_text, cancel_text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool had_owner = true;
        DialogAnswerer answerer([&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return false;
            title = box->windowTitle();
            icon = box->icon();
            had_owner = box->parentWidget() != nullptr;
            ok_text = box->button(QMessageBox::Ok)->text();
            if (QAbstractButton* cancel = box->button(QMessageBox::Cancel)) {
                cancel_text = cancel->text();
            }
            switch (c.action) {
                case Action::ok:
                    box->button(QMessageBox::Ok)->click();
                    break;
                case Action::cancel:
                    box->button(QMessageBox::Cancel)->click();
                    break;
                case Action::escape:
                    QTest::keyClick(box, Qt::Key_Escape);
                    break;
                case Action::close_box:
                    box->close();
                    break;
            }
            return true;
        });
        EXPECT_EQ(ops.message_box(chinese, c.kind), c.answer) << static_cast<int>(c.action);
        EXPECT_EQ(title, QStringLiteral("信息："));
        EXPECT_EQ(icon, QMessageBox::Information);
        EXPECT_FALSE(had_owner);
        EXPECT_EQ(ok_text, QStringLiteral("确定"));
        EXPECT_EQ(cancel_text,
                  c.kind == MessageKind::ok_cancel ? QStringLiteral("取消") : QString());
    }
}

TEST_F(WindowOpsTest, ChooseFolderGivesThePathOrNothingAndStoresNoSettings) {
    TemporaryFolder config;
    ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    setup();
    TemporaryFolder root;
    fs::create_directory(root.path() / "中文");

    QString title;
    bool native = true;
    DialogAnswerer choose([&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return false;
        title = dialog->windowTitle();
        native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
        // The user types the path into the dialog's edit field.
        auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!field)
            return false;
        field->setText(QString::fromStdString((root.path() / "中文").string()));
        QMetaObject::invokeMethod(dialog, "accept");
        return true;
    });
    EXPECT_EQ(ops.choose_folder(beauty), text_of(root.path() / "中文"));
    EXPECT_EQ(title, QStringLiteral("美女"));
    EXPECT_FALSE(native);

    DialogAnswerer cancel([] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return false;
        dialog->reject();
        return true;
    });
    EXPECT_EQ(ops.choose_folder(beauty), Text());

    // The chooser kept its history, but in the program's private folder only.
    const QString settings_file =
        QSettings(QSettings::UserScope, QStringLiteral("QtProject")).fileName();
    EXPECT_TRUE(fs::exists(settings_file.toStdString())) << settings_file.toStdString();
    EXPECT_FALSE(settings_file.startsWith(QString::fromStdString(config.path().string())));
    EXPECT_TRUE(fs::is_empty(config.path())) << "nothing in the user's configuration folder";
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_FALSE(settings_file.startsWith(QString::fromUtf8(home)));
    setup().remove_private_files();
    EXPECT_FALSE(fs::exists(settings_file.toStdString()));
}

TEST_F(WindowOpsTest, PauseHandlesEventsUntilMoreThanTheTimeHasPassed) {
    bool timer_ran = false;
    QTimer::singleShot(10, [&] { timer_ran = true; });
    const auto start = Clock::now();
    ops.pause_with_events(100);
    const auto elapsed = Clock::now() - start;
    EXPECT_GT(elapsed, std::chrono::milliseconds(100));
    EXPECT_LT(elapsed, std::chrono::seconds(10));
    EXPECT_TRUE(timer_ran);

    const auto at_once = Clock::now();
    ops.pause_with_events(0);
    ops.pause_with_events(-5);
    EXPECT_LT(Clock::now() - at_once, std::chrono::seconds(5));

    bool posted_ran = false;
    QTimer::singleShot(0, [&] { posted_ran = true; });
    ops.process_events();
    EXPECT_TRUE(posted_ran);

    // On a thread without windows both are plain: a wait, and nothing.
    std::future<Clock::duration> worker = std::async(std::launch::async, [this] {
        const auto begun = Clock::now();
        ops.pause_with_events(50);
        ops.process_events();
        return Clock::now() - begun;
    });
    ASSERT_TRUE(serve_until(
        [&] { return worker.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_GT(worker.get(), std::chrono::milliseconds(50));
}

TEST_F(WindowOpsTest, WorkerCallsRunInOrderWhileTheWindowThreadPauses) {
    std::atomic<bool> done{false};
    std::vector<Text> read_back;
    std::thread worker([&] {
        ops.set_window_caption(chinese);
        ops.progress_set_max(50);
        for (int i = 0; i < 50; ++i) {
            const int32_t row = ops.list_append_row();
            ops.list_set_cell(row, 0, Text(std::to_string(i)));
            ops.progress_set_pos(ops.progress_pos() + 1);
        }
        for (int i = 0; i < 50; ++i)
            read_back.push_back(ops.list_cell(i, 0));
        ops.show_picture(Bytes(testing::fixture("pattern.png")));
        done = true;
    });
    // The pause's event loop serves the worker.
    while (!done)
        ops.pause_with_events(20);
    worker.join();
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(read_back[static_cast<std::size_t>(i)], Text(std::to_string(i)));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("中文"));
    EXPECT_EQ(ops.progress_pos(), 50);
    EXPECT_FALSE(window.picture_box().is_empty());
}

TEST_F(WindowOpsTest, WorkerCallsAreServedWhileAModalBoxIsOpen) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i)
            ops.list_append_row();
        ops.set_button_caption(Control::按钮_停止保存图片, chinese);
        done = true;
    });
    DialogAnswerer answer_when_done([&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !done)
            return false;
        box->button(QMessageBox::Ok)->click();
        return true;
    });
    EXPECT_EQ(ops.message_box(chinese, MessageKind::ok), 0);
    worker.join();
    EXPECT_EQ(ops.list_row_count(), 20);
    EXPECT_EQ(ops.button_caption(Control::按钮_停止保存图片), chinese);
}

TEST_F(WindowOpsTest, AWorkersMessageBoxLeavesTheWindowUsable) {
    for (const auto& [button, answer] : {std::pair{QMessageBox::Ok, 0}, {QMessageBox::Cancel, 1}}) {
        std::future<int32_t> worker = std::async(std::launch::async, [this] {
            return ops.message_box(chinese, MessageKind::ok_cancel);
        });
        QMessageBox* box = nullptr;
        ASSERT_TRUE(serve_until([&] { return (box = open_message_box()) != nullptr; }));
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "not modal for the window";
        EXPECT_EQ(box->parentWidget(), nullptr);
        // The window thread goes on with its own work while the box is open.
        ops.set_window_caption(beauty);
        EXPECT_EQ(worker.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
        box->button(button)->click();
        ASSERT_TRUE(serve_until(
            [&] { return worker.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        EXPECT_EQ(worker.get(), answer);
    }
}

TEST_F(WindowOpsTest, AfterTheWindowClosedAWorkerCallNeverReturns) {
    TemporaryFolder pictures;
    ops.set_control_text(Control::编辑框_保存路径, Text("kept"));
    std::atomic<bool> queued_returned{false};
    std::atomic<bool> late_returned{false};

    // One call is already queued when the window closes; the toolkit never runs it.
    std::thread queued([&] {
        ops.set_window_caption(chinese);
        queued_returned = true;
    });
    // The window thread handles no events meanwhile: the call waits in its queue. (Should the
    // worker be slower than this, its call comes after the close, which is the next case.)
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ops.window_closed();

    // A call made after the close: if it came back with an empty folder text, the worker
    // would write its picture at the root.
    const fs::path folder = pictures.path();
    std::thread late([&, folder] {
        const Text saved = ops.control_text(Control::编辑框_保存路径);
        late_returned = true;
        std::ofstream(folder / (saved.str() + "1.png")) << "picture";
    });
    const auto watch_until = Clock::now() + std::chrono::milliseconds(500);
    while (Clock::now() < watch_until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    EXPECT_FALSE(queued_returned);
    EXPECT_FALSE(late_returned);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kessaro")) << "the window was not touched";
    EXPECT_TRUE(fs::is_empty(folder)) << "nothing written";
    // The window thread itself still works on its (hidden) window.
    EXPECT_EQ(ops.control_text(Control::编辑框_保存路径), Text("kept"));
    // The two workers wait until the process ends.
    queued.detach();
    late.detach();
}

}  // namespace
}  // namespace kessaro
