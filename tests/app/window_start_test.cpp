// The start-up of the real main window over an Application (a fresh temporary folder as the
// program's folder, a loopback search host): the window and its controls as designed, the
// default save folder made and shown, the events reaching their handlers, and the close that
// asks first and then ends the event loop.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "app/application.hpp"
#include "app/application_window.hpp"
#include "app/native_path.hpp"
#include "app/picture_box.hpp"
#include "app/progress_bar.hpp"
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

constexpr const char* saved_pictures = "保存的图片";

class StartTest : public ::testing::Test, private testing::WithToolkit {
  protected:
    StartTest() {
        static ToolkitSetup setup;
        // Nothing answers on the discard port: a request fails at once.
        search_host_ = Text("127.0.0.1:9");
    }

    void start() {
        window_.reset();
        application_ = std::make_unique<Application>(search_host_, program_folder());
        window_ = std::make_unique<ApplicationWindow>(*application_);
    }

    Text program_folder() const { return text_from_native_path(program_.path().string()); }
    MainWindow& window() { return window_->window(); }
    QString box_text(Control which) { return window().edit_box(which)->text(); }

    TemporaryFolder program_;
    Text search_host_;
    std::unique_ptr<Application> application_;
    std::unique_ptr<ApplicationWindow> window_;
};

TEST_F(StartTest, TheWindowIsTheDesignedOne) {
    start();
    MainWindow& w = window();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Kessaro"));
    EXPECT_EQ(w.size(), QSize(600, 490));
    EXPECT_EQ(w.minimumSize(), w.maximumSize()) << "fixed";
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowCloseButtonHint);
    const QRect screen = w.screen()->availableGeometry();
    EXPECT_EQ(w.pos(), QPoint(screen.x() + (screen.width() - 608) / 2,
                              screen.y() + (screen.height() - 524) / 2));

    enum class Kind { button, edit, label, picture, progress, list };
    using enum Kind;
    const struct {
        Control control;
        Kind kind;
        QRect place;
        QString text;
        bool enabled;
    } controls[] = {
        {Control::按钮_搜索图片, button, {11, 6, 88, 40}, "搜索图片", true},
        {Control::编辑框_图片名子, edit, {104, 6, 264, 40}, "美女", true},
        {Control::标签1, label, {373, 6, 88, 40}, "请输入图片名", true},
        {Control::图片框1, picture, {472, 5, 120, 96}, "", true},
        {Control::按钮_保存图片, button, {11, 60, 88, 40}, "保存图片", true},
        {Control::编辑框_保存路径, edit, {104, 60, 264, 40}, "(the folder)", false},
        {Control::标签2, label, {373, 60, 88, 40}, "保存图片路径", true},
        {Control::按钮_停止采集图片, button, {11, 110, 136, 40}, "停止采集图片", true},
        {Control::按钮_停止保存图片, button, {154, 110, 136, 40}, "停止保存图片", true},
        {Control::按钮_设置图片保存路径, button, {298, 110, 136, 40}, "设置图片保存路径", true},
        {Control::进度条_保存进度, progress, {1, 157, 599, 24}, "", true},
        {Control::超级列表框_图片数据显示, list, {0, 184, 600, 305}, "", true},
    };
    for (const auto& c : controls) {
        QWidget& widget = w.control(c.control);
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_TRUE(widget.isVisible());
        EXPECT_EQ(widget.geometry(), c.place);
        EXPECT_EQ(widget.isEnabled(), c.enabled);
        switch (c.kind) {
            case button:
                ASSERT_NE(qobject_cast<QPushButton*>(&widget), nullptr);
                EXPECT_EQ(qobject_cast<QPushButton*>(&widget)->text(), c.text);
                break;
            case edit: {
                auto* box = qobject_cast<QLineEdit*>(&widget);
                ASSERT_NE(box, nullptr);
                if (c.enabled) {
                    EXPECT_EQ(box->text(), c.text);
                }
                EXPECT_EQ(box->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
                EXPECT_FALSE(box->isReadOnly());
                EXPECT_EQ(box->echoMode(), QLineEdit::Normal);
                EXPECT_GE(box->maxLength(), 1 << 30) << "no length limit";
                EXPECT_EQ(box->font().pixelSize(), c.enabled ? 21 : 12);
                EXPECT_TRUE(box->font().families().contains("WenQuanYi Micro Hei"));
                break;
            }
            case label:
                ASSERT_NE(qobject_cast<QLabel*>(&widget), nullptr);
                EXPECT_EQ(qobject_cast<QLabel*>(&widget)->text(), c.text);
                break;
            case picture:
                EXPECT_TRUE(w.picture_box().is_empty());
                EXPECT_TRUE(w.picture_box().hasScaledContents());
                break;
            case progress:
                EXPECT_EQ(w.progress_bar().maximum_value(), 100);
                EXPECT_EQ(w.progress_bar().position(), 0);
                break;
            case Kind::list:
                break;
        }
    }

    ReportListView& report = w.list();
    EXPECT_EQ(report.model().row_count(), 0);
    const QString titles[] = {"id", "图片名称", "图片地址"};
    const int widths[] = {50, 210, 300};
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(report.model().headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(),
                  titles[column]);
        EXPECT_EQ(report.columnWidth(column), widths[column]);
    }
    EXPECT_FALSE(report.showGrid());
    EXPECT_FALSE(report.isSortingEnabled());
    EXPECT_FALSE(report.horizontalHeader()->sectionsClickable());
    EXPECT_TRUE(report.horizontalHeader()->isVisible());
    EXPECT_EQ(report.selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(report.selectionBehavior(), QAbstractItemView::SelectRows);

    // Focus visits the buttons, the search word box and the list in the design's order.
    std::vector<QWidget*> order;
    QWidget* first = &w.control(Control::按钮_搜索图片);
    QWidget* next = first;
    do {
        for (const auto& c : controls) {
            QWidget* control = &w.control(c.control);
            if (next == control && (control->focusPolicy() & Qt::TabFocus) &&
                control->isEnabled()) {
                order.push_back(control);
            }
        }
        next = next->nextInFocusChain();
    } while (next != first);
    const std::vector<QWidget*> expected = {
        &w.control(Control::按钮_搜索图片),          &w.control(Control::编辑框_图片名子),
        &w.control(Control::按钮_保存图片),          &w.control(Control::按钮_停止采集图片),
        &w.control(Control::按钮_停止保存图片),      &w.control(Control::按钮_设置图片保存路径),
        &w.control(Control::超级列表框_图片数据显示)};
    EXPECT_EQ(order, expected);
}

TEST_F(StartTest, TheDefaultSaveFolderIsMadeBesideTheProgramAndShown) {
    const QString expected =
        QString::fromStdString(program_.path().string()) + "\\" + saved_pictures;
    start();
    EXPECT_TRUE(fs::is_directory(program_.path() / saved_pictures));
    EXPECT_EQ(box_text(Control::编辑框_保存路径), expected);

    // A later start finds the folder and shows the same path.
    start();
    EXPECT_EQ(box_text(Control::编辑框_保存路径), expected);
    EXPECT_EQ(std::distance(fs::directory_iterator(program_.path()), fs::directory_iterator()), 1)
        << "nothing but the folder is written";
}

TEST_F(StartTest, AnUnwritableProgramFolderMovesTheDefaultToThePictures) {
    // Where the default folder should be stands a file: saving there would write nothing.
    std::ofstream(program_.path() / saved_pictures) << "in the way";
    TemporaryFolder home;
    fs::create_directories(home.path() / ".config");
    fs::create_directories(home.path() / "Pictures");
    std::ofstream(home.path() / ".config" / "user-dirs.dirs")
        << "XDG_PICTURES_DIR=\"$HOME/Pictures\"\n";
    ::setenv("HOME", home.path().c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");

    start();
    EXPECT_TRUE(fs::is_directory(home.path() / "Pictures" / saved_pictures));
    EXPECT_EQ(box_text(Control::编辑框_保存路径),
              QString::fromStdString((home.path() / "Pictures").string()) + "\\" + saved_pictures);
}

TEST_F(StartTest, EventsReachTheirHandlers) {
    start();
    MainWindow& w = window();
    QtWindowOps& ops = window_->ops();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    // The stop/restart buttons: the first click after the start only stops.
    QTest::mouseClick(w.button(Control::按钮_停止采集图片), Qt::LeftButton);
    EXPECT_EQ(w.button(Control::按钮_停止采集图片)->text(), QStringLiteral("重新开始采集图片"));
    EXPECT_EQ(w.button(Control::按钮_停止保存图片)->text(), QStringLiteral("开始保存图片"));

    // Now it starts a save worker, which saves the empty list through the real operations.
    QTest::mouseClick(w.button(Control::按钮_停止保存图片), Qt::LeftButton);
    EXPECT_TRUE(serve_until([&] { return w.windowTitle() == QStringLiteral("恭喜！保存完毕。"); }));
    EXPECT_TRUE(serve_until([&] {
        return w.button(Control::按钮_停止保存图片)->text() == QStringLiteral("重新开始保存图片");
    }));

    // The folder button opens the chooser with its title.
    QString title;
    DialogAnswerer cancel([&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return false;
        title = dialog->windowTitle();
        dialog->reject();
        return true;
    });
    QTest::mouseClick(w.button(Control::按钮_设置图片保存路径), Qt::LeftButton);
    EXPECT_EQ(title, QStringLiteral("请选择保存路径"));

    // A click on the list's empty space previews nothing: the box is emptied.
    ops.show_picture(Bytes(testing::fixture("pattern.png")));
    ASSERT_FALSE(w.picture_box().is_empty());
    QTest::mouseClick(w.list().viewport(), Qt::LeftButton, {}, QPoint(50, 200));
    EXPECT_TRUE(w.picture_box().is_empty());

    // The search button starts a collect; the service does not answer.
    QTest::mouseClick(w.button(Control::按钮_搜索图片), Qt::LeftButton);
    EXPECT_EQ(w.list().model().row_count(), 0);
    EXPECT_NE(w.windowTitle(), QStringLiteral("恭喜！保存完毕。"));
}

// Last in this file: it runs the application's event loop to its end.
TEST_F(StartTest, CloseAsksThenEndsTheEventLoop) {
    start();
    MainWindow& w = window();
    int boxes = 0;
    QString question;
    DialogAnswerer answer([&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return false;
        question = box->text();
        // The first close is cancelled, the second confirmed.
        box->button(++boxes == 1 ? QMessageBox::Cancel : QMessageBox::Ok)->click();
        return boxes == 2;
    });
    bool visible_after_cancel = false;
    Clock::time_point confirmed_close_began;
    QTimer::singleShot(0, [&] {
        w.close();
        visible_after_cancel = w.isVisible();
        confirmed_close_began = Clock::now();
        w.close();
    });
    // Should the loop never end, this ends it with a code the test rejects.
    QTimer::singleShot(20000, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_GT(Clock::now() - confirmed_close_began, std::chrono::milliseconds(1000));

    EXPECT_EQ(boxes, 2);
    EXPECT_EQ(question, QStringLiteral("是否要关闭？"));
    EXPECT_TRUE(visible_after_cancel);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(application_->state().stop_requested.load(), 1);
    application_->exit_routine();
    EXPECT_FALSE(application_->state().reply_doc.has_value());
}

}  // namespace
}  // namespace kessaro
