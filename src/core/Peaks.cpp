#include "core/Peaks.h"

#include <algorithm>

namespace core {

void Peaks::append(const Peaks &more) {
    low.insert(low.end(), more.low.begin(), more.low.end());
    high.insert(high.end(), more.high.begin(), more.high.end());
    clipped.insert(clipped.end(), more.clipped.begin(), more.clipped.end());
    frames += more.frames;
}

std::vector<PeakColumn> peakColumns(const Peaks &peaks, int width) {
    std::vector<PeakColumn> columns(static_cast<std::size_t>(std::max(width, 0)));
    const std::int64_t span = peaks.spanFrames();
    if (span <= 0 || width <= 0)
        return columns;
    const auto blocks = static_cast<std::int64_t>(peaks.blocks());
    for (int x = 0; x < width; ++x) {
        // Frames [x * span / width, (x + 1) * span / width) in whole blocks, at least one.
        const std::int64_t first = x * span / width / Peaks::FramesPerBlock;
        const std::int64_t end =
            std::max(first + 1,
                     ((x + 1) * span / width + Peaks::FramesPerBlock - 1) / Peaks::FramesPerBlock);
        if (first >= blocks)
            break;
        PeakColumn &c = columns[static_cast<std::size_t>(x)];
        c.known = true;
        for (std::int64_t b = first; b < std::min(end, blocks); ++b) {
            const auto i = static_cast<std::size_t>(b);
            c.low = std::min(c.low, peaks.low[i]);
            c.high = std::max(c.high, peaks.high[i]);
            c.clipped = c.clipped || peaks.clipped[i];
        }
    }
    return columns;
}

} // namespace core
