#include "audio/Resampler.h"

#include <SDL.h>
#include <algorithm>
#include <cmath>

namespace audio {

std::int64_t outputFrameCount(std::int64_t frames, int rate) {
    if (rate <= 0 || frames <= 0)
        return 0;
    if (rate == kOutputRate)
        return frames;
    return static_cast<std::int64_t>(
        std::nearbyint(static_cast<double>(frames) * kOutputRate / rate));
}

namespace {

// SDL's stream keeps back the tail of its input to feed the resampling filter and drops it on
// flush; this much silence behind the real samples pushes them all out.
constexpr int kFlushPadFrames = 2048;

std::int16_t fromFloat(float v) {
    const float scaled = std::nearbyint(v * 32768.0f);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
}

} // namespace

std::vector<std::int16_t> toOutputFormat(const std::int16_t *samples, std::int64_t frames, int rate,
                                         int channels) {
    std::vector<std::int16_t> out;
    if (frames <= 0 || rate <= 0 || channels <= 0)
        return out;

    auto left = [&](std::int64_t f) { return samples[f * channels]; };
    auto right = [&](std::int64_t f) { return samples[f * channels + (channels > 1 ? 1 : 0)]; };

    if (rate == kOutputRate) {
        out.resize(static_cast<std::size_t>(frames * 2));
        for (std::int64_t f = 0; f < frames; ++f) {
            out[static_cast<std::size_t>(2 * f)] = left(f);
            out[static_cast<std::size_t>(2 * f + 1)] = right(f);
        }
        return out;
    }

    // Each side is resampled on its own as one mono block: SDL's mono path fed in a single
    // put is an order of magnitude faster than its stereo path or many small puts. In float,
    // so that SDL adds no format conversion of its own (its float-to-16-bit step scales by
    // 32767 and would shave every sample).
    const std::int64_t wanted = outputFrameCount(frames, rate);
    out.assign(static_cast<std::size_t>(wanted * 2), 0);
    const int sides = channels == 1 ? 1 : 2;
    std::vector<float> in(static_cast<std::size_t>(frames + kFlushPadFrames), 0.0f);
    std::vector<float> res(static_cast<std::size_t>(wanted + 64), 0.0f);
    for (int side = 0; side < sides; ++side) {
        for (std::int64_t f = 0; f < frames; ++f)
            in[static_cast<std::size_t>(f)] = (side == 0 ? left(f) : right(f)) / 32768.0f;
        SDL_AudioStream *stream =
            SDL_NewAudioStream(AUDIO_F32SYS, 1, rate, AUDIO_F32SYS, 1, kOutputRate);
        if (!stream)
            return {};
        bool ok = SDL_AudioStreamPut(stream, in.data(),
                                     static_cast<int>(in.size() * sizeof(float))) == 0 &&
                  SDL_AudioStreamFlush(stream) == 0;
        std::int64_t done = 0;
        while (ok && done < wanted) {
            const int got = SDL_AudioStreamGet(
                stream, res.data() + done,
                static_cast<int>((static_cast<std::int64_t>(res.size()) - done) * 4));
            if (got <= 0)
                break;
            done += got / 4;
        }
        SDL_FreeAudioStream(stream);
        if (!ok)
            return {};
        // Whatever SDL did not deliver stays silent; the length is exact either way.
        for (std::int64_t f = 0; f < wanted; ++f) {
            const std::int16_t v = f < done ? fromFloat(res[static_cast<std::size_t>(f)]) : 0;
            out[static_cast<std::size_t>(2 * f + side)] = v;
            if (sides == 1)
                out[static_cast<std::size_t>(2 * f + 1)] = v;
        }
    }
    return out;
}

} // namespace audio
