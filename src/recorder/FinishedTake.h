#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/Peaks.h"

namespace recorder {

// A take once stopped: trimmed as the preparation trims (silence below -50 dBFS cut down to its
// margin, short fades at the cuts), with what the window shows of it.
struct FinishedTake {
    std::vector<std::int16_t> samples; // 44100 Hz mono
    double seconds = 0;
    double peakDb = -90.0;
    std::optional<double> loudness; // LUFS; none for a take too short or quiet to be gated
    std::uint64_t lostFrames = 0;
    bool silent = false; // nothing above the silence level: left as it was
    core::Peaks peaks;

    bool empty() const { return samples.empty(); }
};

FinishedTake finishTake(const std::vector<std::int16_t> &raw, std::uint64_t lostFrames);

} // namespace recorder
