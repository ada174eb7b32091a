#pragma once

#include <cstdint>
#include <vector>

// A look-ahead limiter on the true peak: the gain goes down smoothly before a peak between
// samples would pass the ceiling, and comes back up slowly, so that speech with peaks far above
// its loudness can be levelled without distortion. Pure arithmetic on floats (full scale 1.0).
namespace pack {

// The gain is already down this long before the peak it makes room for.
constexpr double LimiterLookAheadMs = 5.0;
// Time constant of the gain's return once the peak has passed: slow enough not to pump.
constexpr double LimiterReleaseMs = 50.0;

// For each sample, the highest magnitude of the signal 4x oversampled around it (the interval
// from the sample before to the sample after), as a true-peak meter sees it.
std::vector<float> truePeakEnvelope(const std::vector<float> &samples);

// `samples` x `gainDb`, with the gain lowered wherever the true peak would pass `ceilingDb`.
// `envelope` is truePeakEnvelope(samples). Returns the largest reduction, in dB (0: untouched).
double limitInto(const std::vector<float> &samples, const std::vector<float> &envelope, int rate,
                 double gainDb, double ceilingDb, std::vector<float> &out);

struct LimitedTake {
    std::vector<float> samples;
    double gainDb = 0;      // the gain before the limiter
    double reductionDb = 0; // the limiter's largest reduction
    double loudness = 0;    // LUFS, as measured on `samples`
    double truePeak = 0;    // dBTP, likewise
};

// Levels `samples` to `target` LUFS with its true peak at most `ceilingDb`: the limiter lowers
// the loudness a little, so the gain is corrected on a new measure, a few times at most.
// `loudness` is that of `samples` (LUFS). False when the result cannot be measured.
bool levelWithLimiter(const std::vector<float> &samples, int rate, double loudness, double target,
                      double ceilingDb, LimitedTake &out);

} // namespace pack
