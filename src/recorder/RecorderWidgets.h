#pragma once

#include <QWidget>

#include "core/Peaks.h"
#include "recorder/TakeRecorder.h"

namespace recorder {

// The level meter: RMS as a bar, the peak as a line, on a scale of -60 to 0 dBFS; red once the
// input reached -0.1 dBFS, for as long as the hold lasts.
class LevelMeter : public QWidget {
    Q_OBJECT
public:
    // Polls a clipped reading stays red for.
    static constexpr int HoldPolls = 60;

    explicit LevelMeter(QWidget *parent = nullptr);

    void show(const MeterReading &reading);
    void reset();
    bool red() const { return hold_ > 0; }
    const MeterReading &reading() const { return reading_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    MeterReading reading_;
    int hold_ = 0;
};

// The stopped take's waveform, drawn as the position bar draws a file's.
class TakeWaveform : public QWidget {
    Q_OBJECT
public:
    explicit TakeWaveform(QWidget *parent = nullptr);

    void setPeaks(const core::Peaks &peaks);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    core::Peaks peaks_;
};

} // namespace recorder
