// The main window: one fixed-size window holding the twelve controls of the window's design at
// their places, with their texts, settings and focus order.
#pragma once

#include <QWidget>

#include <array>
#include <functional>

#include "app/window_ops.hpp"

class QLineEdit;
class QPushButton;

namespace kessaro {

class PictureBox;
class ProgressBar;
class ReportListView;

class MainWindow : public QWidget {
  public:
    static constexpr int client_width = 600;
    static constexpr int client_height = 490;
    // The outer size of the design, title bar and frame included.
    static constexpr int outer_width = 608;
    static constexpr int outer_height = 524;

    MainWindow();

    QWidget& control(Control which) const;
    // nullptr when the control is not an edit box or not a button.
    QLineEdit* edit_box(Control which) const;
    QPushButton* button(Control which) const;
    ProgressBar& progress_bar() const;
    ReportListView& list() const;
    PictureBox& picture_box() const;

    // Asked when the user requests the window's closing; true lets it close.
    void set_close_request_handler(std::function<bool()> handler);
    // Runs once a close has been accepted.
    void set_closed_handler(std::function<void()> handler);

    // Places the window in the middle of its screen's available area.
    void centre_on_screen();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    std::array<QWidget*, 12> controls_{};
    std::function<bool()> on_close_request_;
    std::function<void()> on_closed_;
};

}  // namespace kessaro
