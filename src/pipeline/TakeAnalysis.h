#pragma once

#include <cstdint>
#include <ebur128.h>
#include <optional>
#include <vector>

#include "core/ChannelBalance.h"

// What one decoded take tells about itself: length, silence at its ends, clipping, loudness and
// whether its channels cancel when mixed to mono. Shared by the pack check and the preparation.
namespace pipeline {

// Below this level (-50 dBFS, 104 on 16 bits) a frame counts as silence.
constexpr float SilenceLevel = 104.0f / 32768.0f;
// This many full-scale samples in a row on one channel are clipping, not a normalised peak.
constexpr int ClipRun = 3;

struct TakeFacts {
    std::int64_t frames = 0;
    double seconds = 0;
    double leadingSilence = 0;  // seconds before the first frame above SilenceLevel
    double trailingSilence = 0; // seconds after the last one
    std::int64_t clippedSamples = 0;
    // EBU R128 integrated loudness (LUFS) and true peak (dBTP); no loudness for a take too short
    // or too quiet to be gated.
    std::optional<double> loudness;
    std::optional<double> truePeak;
    // A take shorter than one 400 ms block, measured as one block over its whole length.
    std::optional<double> shortLoudness;
    int loudestChannel = 0;
    bool channelsCancel = false;
    bool silent() const { return leadingSilence >= seconds; }
    // The loudness to level by: the gated one, or the one block of a short take.
    std::optional<double> levelLoudness() const { return loudness ? loudness : shortLoudness; }
};

// Takes a take chunk by chunk (interleaved floats, full scale at 1.0, nothing clipped), so that a
// recording of any length is analysed in the same little memory.
class TakeAnalyser {
public:
    TakeAnalyser(int rate, int channels);
    ~TakeAnalyser();
    TakeAnalyser(const TakeAnalyser &) = delete;
    TakeAnalyser &operator=(const TakeAnalyser &) = delete;

    void add(const float *samples, std::int64_t frames);
    // Once, after the last chunk.
    TakeFacts finish();

private:
    void endRun(int channel);

    int rate_;
    int channels_;
    std::int64_t frames_ = 0;
    std::int64_t firstLoud_ = -1;
    std::int64_t lastLoud_ = -1;
    std::vector<std::int64_t> runs_; // full-scale samples in a row, per channel
    std::int64_t clipped_ = 0;
    core::ChannelBalance balance_;
    ebur128_state *loudness_ = nullptr;
    bool loudnessOk_ = true;
};

} // namespace pipeline
