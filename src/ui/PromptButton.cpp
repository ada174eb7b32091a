#include "ui/PromptButton.h"

#include <QMouseEvent>

namespace ui {

PromptButton::PromptButton(int row, QWidget *parent) : QPushButton(parent), row_(row) {
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
}

void PromptButton::mousePressEvent(QMouseEvent *event) {
    // Let the toolkit select the button first, as a click on an option button does, then act.
    QPushButton::mousePressEvent(event);
    emit mousePressed(row_, event->button(), event->modifiers());
}

void PromptButton::mouseDoubleClickEvent(QMouseEvent *event) {
    // Not forwarded to the press handling: a double click neither plays nor appends twice.
    if (event->button() == Qt::LeftButton)
        emit doubleClicked(row_);
    event->accept();
}

void PromptButton::keyPressEvent(QKeyEvent *event) {
    emit keyPressed(row_);
    event->accept();
}

} // namespace ui
