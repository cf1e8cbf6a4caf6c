// The application's own message box: no owner window, title "信息：", the information icon,
// and an OK button or OK and Cancel buttons.
#pragma once

#include <QMessageBox>

#include <cstdint>

#include "app/window_ops.hpp"
#include "core/text.hpp"

namespace kessaro {

class InformationBox : public QMessageBox {
  public:
    InformationBox(const Text& text, MessageKind kind);

    // 0 when OK was pressed; 1 for Cancel, Esc and the close box (also for the OK kind, whose
    // Esc and close box the toolkit would count as OK).
    int32_t answer() const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    bool dismissed_ = false;
};

}  // namespace kessaro
