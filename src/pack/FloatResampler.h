#pragma once

#include <vector>

// A mono take brought to another rate in floating point, so that the limiter measures the very
// samples the encoder gets (its own resampler would move the true peaks after the fact).
namespace pack {

// Windowed-sinc interpolation, low-passed under the lower of the two Nyquist frequencies.
// floor(size x to / from) samples; `in` itself when the rates are equal.
std::vector<float> resampled(const std::vector<float> &in, int from, int to);

} // namespace pack
