// The main window's controls as the window's design gives them.
#include "app/main_window.hpp"

#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>

#include <limits>
#include <utility>

#include "app/picture_box.hpp"
#include "app/progress_bar.hpp"
#include "app/report_list.hpp"

namespace kessaro {

namespace {

std::size_t slot(Control which) {
    return static_cast<std::size_t>(which);
}

// The parent widget owns its children and deletes them with itself (the toolkit's ownership).
template <typename Widget, typename... Arguments>
Widget* make_child(QWidget* parent, Arguments&&... arguments) {
    return new Widget(std::forward<Arguments>(arguments)..., parent);
}

// The application font's families (the CJK faces follow the default one) at a pixel height.
QFont edit_box_font(int pixel_size) {
    QFont font = QGuiApplication::font();
    font.setPixelSize(pixel_size);
    font.setWeight(QFont::Normal);
    return font;
}

QLineEdit* make_edit_box(QWidget* parent, const QString& text, int pixel_size) {
    auto* box = make_child<QLineEdit>(parent, text);
    box->setFrame(true);
    box->setAlignment(Qt::AlignCenter);
    // The toolkit's default limit is 32767 characters; the design sets none.
    box->setMaxLength(std::numeric_limits<int>::max());
    box->setFont(edit_box_font(pixel_size));
    QPalette colours = box->palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Base));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText, colours.color(QPalette::Text));
    box->setPalette(colours);
    return box;
}

}  // namespace

MainWindow::MainWindow() {
    setWindowTitle(QStringLiteral("Kessaro"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(client_width, client_height);

    const auto place = [this](Control which, QWidget* widget, int left, int top, int width,
                              int height) {
        widget->setGeometry(left, top, width, height);
        controls_[slot(which)] = widget;
    };
    const auto make_button = [this](const QString& caption) {
        auto* button = make_child<QPushButton>(this, caption);
        button->setFocusPolicy(Qt::StrongFocus);
        return button;
    };
    const auto make_label = [this](const QString& text) {
        auto* label = make_child<QLabel>(this, text);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return label;
    };

    place(Control::按钮_搜索图片, make_button(QStringLiteral("搜索图片")), 11, 6, 88, 40);
    place(Control::编辑框_图片名子, make_edit_box(this, QStringLiteral("美女"), 21), 104, 6, 264,
          40);
    place(Control::标签1, make_label(QStringLiteral("请输入图片名")), 373, 6, 88, 40);
    place(Control::图片框1, make_child<PictureBox>(this), 472, 5, 120, 96);
    place(Control::按钮_保存图片, make_button(QStringLiteral("保存图片")), 11, 60, 88, 40);
    QLineEdit* save_folder = make_edit_box(this, QString(), 12);
    save_folder->setEnabled(false);
    save_folder->setFocusPolicy(Qt::NoFocus);
    place(Control::编辑框_保存路径, save_folder, 104, 60, 264, 40);
    place(Control::标签2, make_label(QStringLiteral("保存图片路径")), 373, 60, 88, 40);
    place(Control::按钮_停止采集图片, make_button(QStringLiteral("停止采集图片")), 11, 110, 136,
          40);
    place(Control::按钮_停止保存图片, make_button(QStringLiteral("停止保存图片")), 154, 110, 136,
          40);
    place(Control::按钮_设置图片保存路径, make_button(QStringLiteral("设置图片保存路径")), 298, 110,
          136, 40);
    auto* progress = make_child<ProgressBar>(this);
    progress->setFocusPolicy(Qt::NoFocus);
    place(Control::进度条_保存进度, progress, 1, 157, 599, 24);
    auto* list = make_child<ReportListView>(this);
    list->setFocusPolicy(Qt::StrongFocus);
    place(Control::超级列表框_图片数据显示, list, 0, 184, 600, 305);

    // Keyboard focus visits the buttons, the search word box and the list in the design's order.
    const Control focus_order[] = {Control::按钮_搜索图片,          Control::编辑框_图片名子,
                                   Control::按钮_保存图片,          Control::按钮_停止采集图片,
                                   Control::按钮_停止保存图片,      Control::按钮_设置图片保存路径,
                                   Control::超级列表框_图片数据显示};
    for (std::size_t i = 1; i < std::size(focus_order); ++i) {
        setTabOrder(&control(focus_order[i - 1]), &control(focus_order[i]));
    }
}

QWidget& MainWindow::control(Control which) const {
    return *controls_[slot(which)];
}

QLineEdit* MainWindow::edit_box(Control which) const {
    return qobject_cast<QLineEdit*>(controls_[slot(which)]);
}

QPushButton* MainWindow::button(Control which) const {
    return qobject_cast<QPushButton*>(controls_[slot(which)]);
}

ProgressBar& MainWindow::progress_bar() const {
    return static_cast<ProgressBar&>(control(Control::进度条_保存进度));
}

ReportListView& MainWindow::list() const {
    return static_cast<ReportListView&>(control(Control::超级列表框_图片数据显示));
}

PictureBox& MainWindow::picture_box() const {
    return static_cast<PictureBox&>(control(Control::图片框1));
}

void MainWindow::set_close_request_handler(std::function<bool()> handler) {
    on_close_request_ = std::move(handler);
}

void MainWindow::set_closed_handler(std::function<void()> handler) {
    on_closed_ = std::move(handler);
}

void MainWindow::centre_on_screen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - outer_width) / 2,
         area.y() + (area.height() - outer_height) / 2);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (on_close_request_ && !on_close_request_()) {
        event->ignore();
        return;
    }
    event->accept();
    if (on_closed_)
        on_closed_();
}

}  // namespace kessaro
