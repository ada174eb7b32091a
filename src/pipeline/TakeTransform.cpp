#include "pipeline/TakeTransform.h"

#include <algorithm>
#include <cmath>

namespace pipeline {

MonoTake toMono(FloatSound &&source, const TakeFacts &facts) {
    MonoTake mono;
    mono.rate = source.rate;
    const int channels = source.channels;
    if (channels == 1) {
        mono.samples = std::move(source.samples);
        return mono;
    }
    const std::int64_t frames = source.frames();
    mono.samples.resize(static_cast<std::size_t>(frames));
    if (facts.channelsCancel) {
        mono.choice = ChannelChoice::Single;
        mono.channel = facts.loudestChannel;
        for (std::int64_t f = 0; f < frames; ++f)
            mono.samples[static_cast<std::size_t>(f)] =
                source.samples[static_cast<std::size_t>(f * channels + mono.channel)];
    } else {
        mono.choice = ChannelChoice::Mix;
        for (std::int64_t f = 0; f < frames; ++f) {
            float sum = 0;
            for (int c = 0; c < channels; ++c)
                sum += source.samples[static_cast<std::size_t>(f * channels + c)];
            mono.samples[static_cast<std::size_t>(f)] = sum / static_cast<float>(channels);
        }
    }
    source.samples = {};
    return mono;
}

Trim trimSilence(std::vector<float> &samples, int rate, int marginMs, float threshold) {
    const auto loud = [threshold](float v) { return std::abs(v) > threshold; };
    const auto first = std::find_if(samples.cbegin(), samples.cend(), loud);
    if (first == samples.cend() || rate <= 0)
        return {};
    const auto last = std::find_if(samples.crbegin(), samples.crend(), loud);
    const std::int64_t margin = std::int64_t{rate} * std::max(marginMs, 0) / 1000;
    const auto size = static_cast<std::int64_t>(samples.size());
    const std::int64_t begin = std::max<std::int64_t>(first - samples.cbegin() - margin, 0);
    const std::int64_t end =
        std::min<std::int64_t>(size - (last - samples.crbegin()) + margin, size);

    const std::int64_t fade = std::max<std::int64_t>(std::int64_t{rate} * FadeMs / 1000, 1);
    const std::int64_t length = end - begin;
    const auto ramp = [&](std::int64_t at, std::int64_t i) {
        samples[static_cast<std::size_t>(at)] *= static_cast<float>(i) / static_cast<float>(fade);
    };
    for (std::int64_t i = 0; begin > 0 && i < std::min(fade, length); ++i)
        ramp(begin + i, i);
    for (std::int64_t i = 0; end < size && i < std::min(fade, length); ++i)
        ramp(end - 1 - i, i);

    samples.erase(samples.begin() + end, samples.end());
    samples.erase(samples.begin(), samples.begin() + begin);
    return {double(begin) / rate, double(size - end) / rate};
}

double levellingGain(double loudness, double truePeak, double target, double ceiling,
                     bool &peakLimited) {
    const double wanted = target - loudness;
    const double allowed = ceiling - truePeak;
    peakLimited = allowed < wanted;
    return peakLimited ? allowed : wanted;
}

std::vector<std::int16_t> toPcm16(const std::vector<float> &samples, double gainDb) {
    const double factor = std::pow(10.0, gainDb / 20.0) * 32768.0;
    std::vector<std::int16_t> pcm(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        pcm[i] = static_cast<std::int16_t>(
            std::clamp(std::lround(samples[i] * factor), -32768L, 32767L));
    return pcm;
}

} // namespace pipeline
