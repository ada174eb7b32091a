#pragma once

#include <QPixmap>
#include <QWidget>
#include <memory>
#include <vector>

#include "core/Peaks.h"

namespace ui {

// The file channel's position bar: a dark-green strip on which a bright-green rectangle grows
// from the left. Drawing accumulates like a picture box: fillTo never clears what is there.
// Under the drawing, the bar may show the file's waveform, which clearing leaves in place.
class PositionBar : public QWidget {
    Q_OBJECT
public:
    explicit PositionBar(QWidget *parent = nullptr);

    int barWidth() const { return width(); }
    int barHeight() const { return height(); }
    // Right end of everything drawn since the last clear (0 when blank).
    int drawnEnd() const { return drawnEnd_; }

    void fillTo(int x);
    void clear();

    // The waveform shown across the bar (null: none); call waveformGrew when it has grown.
    void setWaveform(std::shared_ptr<const core::Peaks> peaks);
    void waveformGrew();
    const core::Peaks *waveform() const { return waveform_.get(); }

    static QColor background() { return QColor(0x00, 0x60, 0x00); }
    static QColor foreground() { return QColor(0x00, 0xFF, 0x00); }

signals:
    void pressed(int x, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    int drawnEnd_ = 0;
    std::shared_ptr<const core::Peaks> waveform_;
    // The waveform's columns at the width they were worked out for.
    std::vector<core::PeakColumn> columns_;
    std::size_t columnsBlocks_ = 0;
    bool columnsStale_ = true;
};

} // namespace ui
