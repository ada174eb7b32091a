#include "playback/PeakBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace playback {

namespace {

// Full scale to the -127..127 of a block, rounded away from silence so that a sound that is
// there never draws as nothing.
std::int8_t scaled(int sample) {
    const double v = sample * 127.0 / 32767.0;
    return static_cast<std::int8_t>(
        std::clamp(v < 0 ? std::floor(v) : std::ceil(v), -127.0, 127.0));
}

} // namespace

void PeakBuilder::add(const std::int16_t *samples, std::int64_t frames, core::Peaks &out) {
    out.frames += frames;
    for (std::int64_t f = 0; f < frames; ++f) {
        int sum = 0;
        for (int c = 0; c < channels_; ++c) {
            const int s = *samples++;
            sum += s;
            clipped_ = clipped_ || std::abs(s) >= core::Peaks::ClipLevel;
        }
        const int mono = channels_ == 1 ? sum : sum / channels_;
        low_ = std::min(low_, mono);
        high_ = std::max(high_, mono);
        if (++filled_ == core::Peaks::FramesPerBlock)
            close(out);
    }
}

void PeakBuilder::finish(core::Peaks &out) {
    if (filled_ > 0)
        close(out);
}

void PeakBuilder::close(core::Peaks &out) {
    out.low.push_back(scaled(low_));
    out.high.push_back(scaled(high_));
    out.clipped.push_back(clipped_);
    filled_ = 0;
    low_ = high_ = 0;
    clipped_ = false;
}

} // namespace playback
