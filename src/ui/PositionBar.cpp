#include "ui/PositionBar.h"

#include "ui/WaveformPainter.h"

#include <QMouseEvent>
#include <QPaintEvent>
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

void PositionBar::setWaveform(std::shared_ptr<const core::Peaks> peaks) {
    if (peaks == waveform_)
        return;
    waveform_ = std::move(peaks);
    waveformGrew();
}

void PositionBar::waveformGrew() {
    columnsStale_ = true;
    update();
}

void PositionBar::paintEvent(QPaintEvent *event) {
    QPainter p(this);
    p.fillRect(rect(), background());
    if (drawnEnd_ > 0)
        p.fillRect(QRect(0, 0, std::min(drawnEnd_, width()), height()), foreground());
    if (!waveform_)
        return;
    // The fill repaints many times a second: the columns are worked out again only when the
    // waveform or the width has changed.
    if (columnsStale_ || columns_.size() != static_cast<std::size_t>(width()) ||
        columnsBlocks_ != waveform_->blocks()) {
        columns_ = core::peakColumns(*waveform_, width());
        columnsBlocks_ = waveform_->blocks();
        columnsStale_ = false;
    }
    const QRect dirty = event->rect();
    paintWaveform(p, columns_, height(), drawnEnd_, dirty.left(), dirty.right() + 1);
}

void PositionBar::mousePressEvent(QMouseEvent *event) {
    emit pressed(static_cast<int>(event->position().x()), event->button());
}

} // namespace ui
