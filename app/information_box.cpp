// The application's message box and how its answer is read.
#include "app/information_box.hpp"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

#include "app/qt_text.hpp"

namespace kessaro {

InformationBox::InformationBox(const Text& text, MessageKind kind) {
    setWindowTitle(QStringLiteral("信息："));
    setIcon(QMessageBox::Information);
    setText(to_qstring(text));
    setTextFormat(Qt::PlainText);
    if (kind == MessageKind::ok_cancel) {
        setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        setEscapeButton(QMessageBox::Cancel);
    } else {
        setStandardButtons(QMessageBox::Ok);
        setEscapeButton(QMessageBox::Ok);
    }
    setDefaultButton(QMessageBox::Ok);
}

int32_t InformationBox::answer() const {
    return !dismissed_ && clickedButton() == button(QMessageBox::Ok) ? 0 : 1;
}

void InformationBox::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel))
        dismissed_ = true;
    QMessageBox::keyPressEvent(event);
}

void InformationBox::closeEvent(QCloseEvent* event) {
    dismissed_ = true;
    QMessageBox::closeEvent(event);
}

}  // namespace kessaro
