#include "ui/PromptButton.h"

#include <QMouseEvent>
#include <QPainter>

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

void PromptButton::paintEvent(QPaintEvent *) {
    // Drawn by hand: a flat face in the button's colour with a one-pixel bevel, raised or sunk
    // while selected or held down, and the caption wrapped at word boundaries so that a long
    // one-line label takes a second line instead of being cut. Cheaper than the style's
    // gradients, which matters with 59 of them on the first paint.
    QPainter p(this);
    const QRect r = rect();
    const QColor face = palette().color(QPalette::Button);
    const bool sunken = isDown() || isChecked();
    p.fillRect(r, sunken ? face.darker(112) : face);
    const QColor light = face.lighter(135);
    const QColor dark = face.darker(160);
    p.setPen(sunken ? dark : light);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(sunken ? light : dark);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    const int shift = sunken ? 1 : 0;
    p.drawText(r.adjusted(3 + shift, 2 + shift, -3 + shift, -2 + shift),
               Qt::AlignCenter | Qt::TextWordWrap, text());
}

} // namespace ui
