#include "ui/PositionBar.h"

#include <QMouseEvent>
#include <QPainter>

namespace ui {

PositionBar::PositionBar(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PositionBar::fillTo(int x) {
    // Rectangles drawn from the left edge only ever cover each other, so the picture is the
    // widest one since the last clear.
    if (x <= drawnEnd_)
        return;
    const int previous = drawnEnd_;
    drawnEnd_ = x;
    update(QRect(previous, 0, x - previous, height()));
}

void PositionBar::clear() {
    if (drawnEnd_ == 0)
        return;
    drawnEnd_ = 0;
    update();
}

void PositionBar::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), background());
    if (drawnEnd_ > 0)
        p.fillRect(QRect(0, 0, std::min(drawnEnd_, width()), height()), foreground());
}

void PositionBar::mousePressEvent(QMouseEvent *event) {
    emit pressed(static_cast<int>(event->position().x()), event->button());
}

} // namespace ui
