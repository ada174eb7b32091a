#pragma once

#include <QColor>
#include <QImage>
#include <vector>

#include "core/Peaks.h"

class QPainter;

namespace ui {

// The colours of a waveform drawn on the position bar's green.
struct WaveformColors {
    static QColor wave() { return QColor(0x40, 0xA8, 0x40); }       // quiet, on the background
    static QColor waveOnFill() { return QColor(0x00, 0x90, 0x00); } // darker, over the played part
    static QColor clip() { return QColor(0xFF, 0x30, 0x20); }       // near full scale
};

// Draws one column per x of `columns` in a strip `height` pixels high starting at the painter's
// origin, each from its lowest to its highest value about the middle; columns left of
// `filledEnd` lie over the played part. Columns [from, to) only.
void paintWaveform(QPainter &painter, const std::vector<core::PeakColumn> &columns, int height,
                   int filledEnd, int from, int to);

// A small picture of a whole sound on the bar's background.
QImage waveformPicture(const core::Peaks &peaks, QSize size);

} // namespace ui
