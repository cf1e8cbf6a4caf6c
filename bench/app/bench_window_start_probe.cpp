// A program that starts, shows its window and ends at the first paint, for the start-up
// benchmark: built twice, as the real program's start (the toolkit settings, the Application
// with its script engine, the main window and its created handler) and, with
// KESSARO_BARE_WINDOW, as a bare toolkit window with one button. The first argument is the
// folder that stands for the program's folder.
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QWidget>

#include <cstdio>
#include <functional>

#ifndef KESSARO_BARE_WINDOW
#include "app/application.hpp"
#include "app/application_window.hpp"
#include "app/native_path.hpp"
#include "app/toolkit_setup.hpp"
#include "http/http_request_object.hpp"
#endif

namespace {

// Ends the process when the window's first paint begins (the paint of a widget of either
// window; both programs watch the toolkit's events the same way).
class FirstPaint : public QObject {
  public:
    // Runs before the process ends.
    std::function<void()> before_end;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            if (before_end)
                before_end();
            std::fflush(nullptr);
            ::_exit(0);
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    int argument_count = 1;
    FirstPaint first_paint;
#ifdef KESSARO_BARE_WINDOW
    QApplication toolkit(argument_count, argv);
    QWidget window;
    window.setFixedSize(600, 490);
    QPushButton button(QStringLiteral("button"), &window);
    toolkit.installEventFilter(&first_paint);
    window.show();
#else
    kessaro::http_global_init();
    QApplication toolkit(argument_count, argv);
    kessaro::ToolkitSetup setup;
    first_paint.before_end = [&setup] { setup.remove_private_files(); };
    kessaro::Application application(kessaro::Text("127.0.0.1:9"),
                                     kessaro::text_from_native_path(argv[1]));
    toolkit.installEventFilter(&first_paint);
    kessaro::ApplicationWindow window(application);
#endif
    QApplication::exec();
    return 1;
}
