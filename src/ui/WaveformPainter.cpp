#include "ui/WaveformPainter.h"

#include "ui/PositionBar.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace ui {

void paintWaveform(QPainter &painter, const std::vector<core::PeakColumn> &columns, int height,
                   int filledEnd, int from, int to) {
    const double middle = height / 2.0;
    const double scale = height / 2.0 / 127.0;
    to = std::min(to, static_cast<int>(columns.size()));
    for (int x = std::max(from, 0); x < to; ++x) {
        const core::PeakColumn &c = columns[static_cast<std::size_t>(x)];
        if (!c.known)
            continue;
        const int top = static_cast<int>(std::floor(middle - c.high * scale));
        const int bottom = std::max(top, static_cast<int>(std::ceil(middle - c.low * scale)) - 1);
        const QColor color = c.clipped       ? WaveformColors::clip()
                             : x < filledEnd ? WaveformColors::waveOnFill()
                                             : WaveformColors::wave();
        painter.fillRect(QRect(x, top, 1, bottom - top + 1), color);
    }
}

QImage waveformPicture(const core::Peaks &peaks, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(PositionBar::background());
    QPainter painter(&image);
    paintWaveform(painter, core::peakColumns(peaks, size.width()), size.height(), 0, 0,
                  size.width());
    return image;
}

} // namespace ui
