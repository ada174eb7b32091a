#include "check/SoundAnalysis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ebur128.h>
#include <vector>

namespace check {

namespace {

bool loud(const std::int16_t *frame, int channels) {
    for (int c = 0; c < channels; ++c)
        if (std::abs(static_cast<int>(frame[c])) > SilenceLevel)
            return true;
    return false;
}

std::int64_t countClipped(const audio::DecodedAudio &audio) {
    const int channels = audio.channels;
    const std::int64_t frames = audio.frames();
    std::int64_t clipped = 0;
    for (int c = 0; c < channels; ++c) {
        std::int64_t run = 0;
        for (std::int64_t f = 0; f <= frames; ++f) {
            const int s =
                f < frames ? audio.samples[static_cast<std::size_t>(f * channels + c)] : 0;
            if (s >= 32767 || s <= -32768) {
                ++run;
                continue;
            }
            if (run >= ClipRun)
                clipped += run;
            run = 0;
        }
    }
    return clipped;
}

void measureLoudness(const audio::DecodedAudio &audio, SoundFacts &facts) {
    ebur128_state *st =
        ebur128_init(static_cast<unsigned>(audio.channels), static_cast<unsigned long>(audio.rate),
                     EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    if (!st)
        return;
    if (ebur128_add_frames_short(st, audio.samples.data(), static_cast<size_t>(audio.frames())) ==
        EBUR128_SUCCESS) {
        double lufs = 0;
        if (ebur128_loudness_global(st, &lufs) == EBUR128_SUCCESS && std::isfinite(lufs))
            facts.loudness = lufs;
        double peak = 0;
        bool ok = true;
        for (int c = 0; c < audio.channels && ok; ++c) {
            double p = 0;
            ok = ebur128_true_peak(st, static_cast<unsigned>(c), &p) == EBUR128_SUCCESS;
            peak = std::max(peak, p);
        }
        if (ok && peak > 0)
            facts.truePeak = 20.0 * std::log10(peak);
    }
    ebur128_destroy(&st);
}

} // namespace

SoundFacts analyse(const audio::DecodedAudio &audio) {
    SoundFacts facts;
    const int channels = audio.channels;
    if (channels <= 0 || audio.rate <= 0)
        return facts;
    facts.frames = audio.frames();
    facts.seconds = static_cast<double>(facts.frames) / audio.rate;

    const std::int16_t *data = audio.samples.data();
    std::int64_t first = 0;
    while (first < facts.frames && !loud(data + first * channels, channels))
        ++first;
    std::int64_t last = facts.frames;
    while (last > first && !loud(data + (last - 1) * channels, channels))
        --last;
    if (first == facts.frames) {
        // Nothing but silence: all of it counts as leading.
        facts.leadingSilence = facts.seconds;
    } else {
        facts.leadingSilence = static_cast<double>(first) / audio.rate;
        facts.trailingSilence = static_cast<double>(facts.frames - last) / audio.rate;
    }

    facts.clippedSamples = countClipped(audio);
    measureLoudness(audio, facts);
    return facts;
}

} // namespace check
