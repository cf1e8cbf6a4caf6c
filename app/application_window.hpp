// The application's main window: built over the Application, each control's event wired to
// its handler, the window operations attached, the created handler run, then shown.
#pragma once

#include "app/application.hpp"
#include "app/main_window.hpp"
#include "app/qt_window_ops.hpp"

namespace kessaro {

class ApplicationWindow {
  public:
    // On the window thread, after the toolkit and the Application exist.
    explicit ApplicationWindow(Application& application);

    MainWindow& window() { return window_; }
    QtWindowOps& ops() { return ops_; }

  private:
    MainWindow window_;
    QtWindowOps ops_;
};

}  // namespace kessaro
