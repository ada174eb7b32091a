#include "pipeline/TakeAnalysis.h"

#include <algorithm>
#include <cmath>

namespace pipeline {

namespace {

// The largest 16-bit sample: a float at or beyond it is at full scale once stored.
constexpr float FullScale = 32767.0f / 32768.0f;
// Up to this long a take is measured as one block (libebur128 keeps this much for it).
constexpr unsigned long BlockMs = 400;

} // namespace

TakeAnalyser::TakeAnalyser(int rate, int channels)
    : rate_(rate), channels_(channels), runs_(static_cast<std::size_t>(std::max(channels, 0))),
      balance_(channels) {
    if (rate_ > 0 && channels_ > 0)
        loudness_ =
            ebur128_init(static_cast<unsigned>(channels_), static_cast<unsigned long>(rate_),
                         EBUR128_MODE_I | EBUR128_MODE_M | EBUR128_MODE_TRUE_PEAK);
}

TakeAnalyser::~TakeAnalyser() {
    if (loudness_)
        ebur128_destroy(&loudness_);
}

void TakeAnalyser::endRun(int channel) {
    std::int64_t &run = runs_[static_cast<std::size_t>(channel)];
    if (run >= ClipRun)
        clipped_ += run;
    run = 0;
}

void TakeAnalyser::add(const float *samples, std::int64_t frames) {
    if (channels_ <= 0 || rate_ <= 0 || frames <= 0)
        return;
    for (std::int64_t f = 0; f < frames; ++f) {
        const float *frame = samples + f * channels_;
        bool loud = false;
        for (int c = 0; c < channels_; ++c) {
            const float v = frame[c];
            const float a = std::abs(v);
            loud = loud || a > SilenceLevel;
            if (a >= FullScale)
                ++runs_[static_cast<std::size_t>(c)];
            else
                endRun(c);
        }
        if (loud) {
            if (firstLoud_ < 0)
                firstLoud_ = frames_ + f;
            lastLoud_ = frames_ + f;
        }
    }
    frames_ += frames;
    balance_.add(samples, frames);
    if (loudness_ && loudnessOk_)
        loudnessOk_ = ebur128_add_frames_float(loudness_, samples, static_cast<size_t>(frames)) ==
                      EBUR128_SUCCESS;
}

TakeFacts TakeAnalyser::finish() {
    TakeFacts facts;
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

    facts.loudestChannel = balance_.loudestChannel();
    facts.channelsCancel = balance_.cancels();

    if (loudness_ && loudnessOk_) {
        double lufs = 0;
        if (ebur128_loudness_global(loudness_, &lufs) == EBUR128_SUCCESS && std::isfinite(lufs))
            facts.loudness = lufs;
        const auto ms = static_cast<unsigned long>(1000 * frames_ / rate_);
        if (ms > 0 && ms < BlockMs &&
            ebur128_loudness_window(loudness_, ms, &lufs) == EBUR128_SUCCESS &&
            std::isfinite(lufs) && lufs > -70.0)
            facts.shortLoudness = lufs;
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

} // namespace pipeline
