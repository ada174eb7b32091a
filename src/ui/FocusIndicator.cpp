#include "ui/FocusIndicator.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace ui {

namespace {

constexpr int Ring = 2; // pixels, drawn just outside the control

} // namespace

FocusIndicator::FocusIndicator(QWidget *window, QWidget *focusSink)
    : QWidget(window), sink_(focusSink) {
    setObjectName(QStringLiteral("focusIndicator"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { follow(now); });
}

void FocusIndicator::follow(QWidget *focused) {
    if (target_)
        target_->removeEventFilter(this);
    target_ = nullptr;
    if (!focused || focused == sink_ || focused->window() != parentWidget() ||
        focused == parentWidget()) {
        hide();
        return;
    }
    // A control's inner part (a combo box's editor) rings the whole control.
    while (focused->parentWidget() != parentWidget() &&
           focused->parentWidget()->focusProxy() == focused)
        focused = focused->parentWidget();
    target_ = focused;
    target_->installEventFilter(this); // moves and hides with it
    place();
}

void FocusIndicator::place() {
    if (!target_ || !target_->isVisible()) {
        hide();
        return;
    }
    const QPoint topLeft = target_->mapTo(parentWidget(), QPoint(0, 0));
    setGeometry(QRect(topLeft, target_->size()).adjusted(-Ring, -Ring, Ring, Ring));
    show();
    raise();
    update();
}

bool FocusIndicator::eventFilter(QObject *watched, QEvent *event) {
    if (watched == target_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                               event->type() == QEvent::Show || event->type() == QEvent::Hide))
        place();
    return QWidget::eventFilter(watched, event);
}

void FocusIndicator::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    QPen pen(palette().color(QPalette::Active, QPalette::Highlight), Ring);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(Ring / 2.0, Ring / 2.0, -Ring / 2.0, -Ring / 2.0));
}

} // namespace ui
