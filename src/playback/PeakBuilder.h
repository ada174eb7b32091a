#pragma once

#include <cstdint>

#include "core/Peaks.h"

namespace playback {

// Folds decoded 16-bit interleaved frames into peak blocks, run after run of any length: whole
// blocks go out as they fill, the last partial one at finish.
class PeakBuilder {
public:
    explicit PeakBuilder(int channels) : channels_(channels) {}

    void add(const std::int16_t *samples, std::int64_t frames, core::Peaks &out);
    void finish(core::Peaks &out);

private:
    void close(core::Peaks &out);

    int channels_;
    int filled_ = 0; // frames in the open block
    int low_ = 0;
    int high_ = 0;
    bool clipped_ = false;
};

} // namespace playback
