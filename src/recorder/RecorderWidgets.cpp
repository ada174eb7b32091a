#include "recorder/RecorderWidgets.h"

#include <QPainter>
#include <algorithm>

#include "ui/PositionBar.h"
#include "ui/WaveformPainter.h"

namespace recorder {

namespace {

constexpr double ScaleDb = 60.0;

int levelWidth(double db, int width) {
    return static_cast<int>(std::clamp((db + ScaleDb) / ScaleDb, 0.0, 1.0) * width);
}

} // namespace

LevelMeter::LevelMeter(QWidget *parent) : QWidget(parent) {
    setMinimumSize(300, 18);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void LevelMeter::show(const MeterReading &reading) {
    reading_ = reading;
    hold_ = reading.clipped ? HoldPolls : std::max(hold_ - 1, 0);
    update();
}

void LevelMeter::reset() {
    reading_ = {};
    hold_ = 0;
    update();
}

void LevelMeter::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x20, 0x20, 0x20));
    const QColor bar = red() ? QColor(0xE0, 0x20, 0x20) : QColor(0x30, 0xC0, 0x30);
    painter.fillRect(QRect(0, 2, levelWidth(reading_.rmsDb, width()), height() - 4), bar);
    const int peak = levelWidth(reading_.peakDb, width());
    painter.fillRect(QRect(std::max(peak - 2, 0), 0, 2, height()),
                     red() ? QColor(0xFF, 0x40, 0x40) : QColor(0xF0, 0xF0, 0x60));
}

TakeWaveform::TakeWaveform(QWidget *parent) : QWidget(parent) {
    setMinimumSize(300, 60);
}

void TakeWaveform::setPeaks(const core::Peaks &peaks) {
    peaks_ = peaks;
    update();
}

void TakeWaveform::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), ui::PositionBar::background());
    if (peaks_.frames == 0)
        return;
    ui::paintWaveform(painter, core::peakColumns(peaks_, width()), height(), 0, 0, width());
}

} // namespace recorder
