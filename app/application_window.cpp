// Wiring of the main window's events to the Application's handlers.
#include "app/application_window.hpp"

#include <QCoreApplication>
#include <QPushButton>

#include "app/report_list.hpp"

namespace kessaro {

ApplicationWindow::ApplicationWindow(Application& application) : ops_(window_) {
    const auto on_click = [this](Control button, auto handler) {
        QObject::connect(window_.button(button), &QPushButton::clicked, &window_, handler);
    };
    on_click(Control::按钮_搜索图片, [&application] { application.collect_pictures(); });
    on_click(Control::按钮_保存图片, [&application] { application.start_save_worker(); });
    on_click(Control::按钮_停止采集图片, [&application] { application.toggle_collecting(); });
    on_click(Control::按钮_停止保存图片, [&application] { application.toggle_saving(); });
    on_click(Control::按钮_设置图片保存路径, [&application] { application.choose_save_folder(); });
    window_.list().set_left_click_handler([&application] { application.preview_current_row(); });

    window_.set_close_request_handler([&application] { return application.confirm_close(); });
    window_.set_closed_handler([this] {
        ops_.window_closed();
        // exit(), not quit(): quit() would first ask every window to close, a worker's open
        // message box included, and one refusal would keep the application running.
        QCoreApplication::exit(0);
    });

    application.attach_window(ops_);
    application.prepare_main_window();
    window_.centre_on_screen();
    window_.show();
}

}  // namespace kessaro
