#pragma once

#include <cstdint>
#include <ebur128.h>
#include <optional>
#include <vector>

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

// Takes a take chunk by chunk (16-bit interleaved frames), so that a recording of any length is
// analysed in the same little memory.
class SoundAnalyser {
public:
    SoundAnalyser(int rate, int channels);
    ~SoundAnalyser();
    SoundAnalyser(const SoundAnalyser &) = delete;
    SoundAnalyser &operator=(const SoundAnalyser &) = delete;

    void add(const std::int16_t *samples, std::int64_t frames);
    // Once, after the last chunk.
    SoundFacts finish();

private:
    void endRun(int channel);

    int rate_;
    int channels_;
    std::int64_t frames_ = 0;
    std::int64_t firstLoud_ = -1;
    std::int64_t lastLoud_ = -1;
    std::vector<std::int64_t> runs_; // full-scale samples in a row, per channel
    std::int64_t clipped_ = 0;
    ebur128_state *loudness_ = nullptr;
    bool loudnessOk_ = true;
};

} // namespace check
