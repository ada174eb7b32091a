#include "check/SoundAnalysis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace check {

namespace {

bool loud(const std::int16_t *frame, int channels) {
    for (int c = 0; c < channels; ++c)
        if (std::abs(static_cast<int>(frame[c])) > SilenceLevel)
            return true;
    return false;
}

} // namespace

SoundAnalyser::SoundAnalyser(int rate, int channels)
    : rate_(rate), channels_(channels), runs_(static_cast<std::size_t>(std::max(channels, 0))) {
    if (rate_ > 0 && channels_ > 0)
        loudness_ =
            ebur128_init(static_cast<unsigned>(channels_), static_cast<unsigned long>(rate_),
                         EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
}

SoundAnalyser::~SoundAnalyser() {
    if (loudness_)
        ebur128_destroy(&loudness_);
}

void SoundAnalyser::endRun(int channel) {
    std::int64_t &run = runs_[static_cast<std::size_t>(channel)];
    if (run >= ClipRun)
        clipped_ += run;
    run = 0;
}

void SoundAnalyser::add(const std::int16_t *samples, std::int64_t frames) {
    if (channels_ <= 0 || rate_ <= 0 || frames <= 0)
        return;
    for (std::int64_t f = 0; f < frames; ++f) {
        const std::int16_t *frame = samples + f * channels_;
        if (loud(frame, channels_)) {
            if (firstLoud_ < 0)
                firstLoud_ = frames_ + f;
            lastLoud_ = frames_ + f;
        }
        for (int c = 0; c < channels_; ++c) {
            if (frame[c] >= 32767 || frame[c] <= -32768)
                ++runs_[static_cast<std::size_t>(c)];
            else
                endRun(c);
        }
    }
    frames_ += frames;
    if (loudness_ && loudnessOk_)
        loudnessOk_ = ebur128_add_frames_short(loudness_, samples, static_cast<size_t>(frames)) ==
                      EBUR128_SUCCESS;
}

SoundFacts SoundAnalyser::finish() {
    SoundFacts facts;
    if (channels_ <= 0 || rate_ <= 0)
        return facts;
    facts.frames = frames_;
    facts.seconds = static_cast<double>(frames_) / rate_;
    if (firstLoud_ < 0) {
        // Nothing but silence: all of it counts as leading.
        facts.leadingSilence = facts.seconds;
    } else {
        facts.leadingSilence = static_cast<double>(firstLoud_) / rate_;
        facts.trailingSilence = static_cast<double>(frames_ - (lastLoud_ + 1)) / rate_;
    }
    for (int c = 0; c < channels_; ++c)
        endRun(c);
    facts.clippedSamples = clipped_;

    if (loudness_ && loudnessOk_) {
        double lufs = 0;
        if (ebur128_loudness_global(loudness_, &lufs) == EBUR128_SUCCESS && std::isfinite(lufs))
            facts.loudness = lufs;
        double peak = 0;
        bool ok = true;
        for (int c = 0; c < channels_ && ok; ++c) {
            double p = 0;
            ok = ebur128_true_peak(loudness_, static_cast<unsigned>(c), &p) == EBUR128_SUCCESS;
            peak = std::max(peak, p);
        }
        if (ok && peak > 0)
            facts.truePeak = 20.0 * std::log10(peak);
    }
    return facts;
}

} // namespace check
