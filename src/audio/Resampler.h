#pragma once

#include <cstdint>
#include <vector>

namespace audio {

constexpr int kOutputRate = 44100;
constexpr int kOutputChannels = 2;

// Output frames that `frames` input frames at `rate` take at the output rate.
std::int64_t outputFrameCount(std::int64_t frames, int rate);

// Converts interleaved 16-bit samples to the mixer's format (44100 Hz, stereo, 16-bit), exactly
// outputFrameCount(frames, rate) frames long. Mono is duplicated and more than two channels keep
// the first two, both by hand and exactly; only the rate change goes through SDL. Returns an
// empty vector if SDL cannot convert.
std::vector<std::int16_t> toOutputFormat(const std::int16_t *samples, std::int64_t frames, int rate,
                                         int channels);

} // namespace audio
