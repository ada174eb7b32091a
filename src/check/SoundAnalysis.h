#pragma once

#include <cstdint>
#include <optional>

#include "audio/Decoder.h"

// What one decoded take tells about itself: length, silence at its ends, clipping, loudness.
namespace check {

// Below this level (about -50 dBFS on 16 bits) a frame counts as silence.
constexpr int SilenceLevel = 104;
// This many full-scale samples in a row on one channel are clipping, not a normalised peak.
constexpr int ClipRun = 3;

struct SoundFacts {
    std::int64_t frames = 0;
    double seconds = 0;
    double leadingSilence = 0;  // seconds before the first frame above SilenceLevel
    double trailingSilence = 0; // seconds after the last one
    std::int64_t clippedSamples = 0;
    // EBU R128 integrated loudness (LUFS) and true peak (dBTP); none for a take too short or
    // too quiet to be gated.
    std::optional<double> loudness;
    std::optional<double> truePeak;
};

SoundFacts analyse(const audio::DecodedAudio &audio);

} // namespace check
