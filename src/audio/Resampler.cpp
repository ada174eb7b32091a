#include "audio/Resampler.h"

#include "audio/SampleFormat.h"

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
            const std::int16_t v = f < done ? toInt16(res[static_cast<std::size_t>(f)]) : 0;
            out[static_cast<std::size_t>(2 * f + side)] = v;
            if (sides == 1)
                out[static_cast<std::size_t>(2 * f + 1)] = v;
        }
    }
    return out;
}

} // namespace audio

namespace audio {

StreamConverter::StreamConverter(int rate, int channels)
    : rate_(rate), channels_(channels), sides_(channels == 1 ? 1 : 2) {
    reset();
}

StreamConverter::~StreamConverter() {
    for (SDL_AudioStream *s : streams_) {
        if (s)
            SDL_FreeAudioStream(s);
    }
}

void StreamConverter::reset() {
    if (rate_ == kOutputRate)
        return;
    for (int side = 0; side < sides_; ++side) {
        if (streams_[side])
            SDL_FreeAudioStream(streams_[side]);
        // Mono float per side, as in toOutputFormat, so both paths sound the same.
        streams_[side] = SDL_NewAudioStream(AUDIO_F32SYS, 1, rate_, AUDIO_F32SYS, 1, kOutputRate);
        ok_ = ok_ && streams_[side] != nullptr;
    }
}

void StreamConverter::put(const std::int16_t *in, std::int64_t frames,
                          std::vector<std::int16_t> &out) {
    if (!ok_ || frames <= 0)
        return;
    auto sample = [&](std::int64_t f, int side) {
        return in[f * channels_ + (side == 1 && channels_ > 1 ? 1 : 0)];
    };
    if (rate_ == kOutputRate) {
        for (std::int64_t f = 0; f < frames; ++f) {
            out.push_back(sample(f, 0));
            out.push_back(sample(f, 1));
        }
        return;
    }
    in_.resize(static_cast<std::size_t>(frames));
    for (int side = 0; side < sides_; ++side) {
        for (std::int64_t f = 0; f < frames; ++f)
            in_[static_cast<std::size_t>(f)] = sample(f, side) / 32768.0f;
        if (SDL_AudioStreamPut(streams_[side], in_.data(), static_cast<int>(frames * 4)) != 0)
            ok_ = false;
    }
    drain(out);
}

void StreamConverter::finish(std::vector<std::int16_t> &out) {
    if (!ok_ || rate_ == kOutputRate)
        return;
    in_.assign(static_cast<std::size_t>(kFlushPadFrames), 0.0f);
    for (int side = 0; side < sides_; ++side) {
        if (SDL_AudioStreamPut(streams_[side], in_.data(), kFlushPadFrames * 4) != 0 ||
            SDL_AudioStreamFlush(streams_[side]) != 0)
            ok_ = false;
    }
    drain(out);
}

void StreamConverter::drain(std::vector<std::int16_t> &out) {
    if (!ok_)
        return;
    // Both sides see the same input, so they hold the same amount; take what both have.
    int bytes = SDL_AudioStreamAvailable(streams_[0]);
    if (sides_ == 2)
        bytes = std::min(bytes, SDL_AudioStreamAvailable(streams_[1]));
    const int frames = bytes / 4;
    if (frames <= 0)
        return;
    for (int side = 0; side < sides_; ++side) {
        res_[side].resize(static_cast<std::size_t>(frames));
        if (SDL_AudioStreamGet(streams_[side], res_[side].data(), frames * 4) != frames * 4)
            ok_ = false;
    }
    if (!ok_)
        return;
    const std::size_t base = out.size();
    out.resize(base + static_cast<std::size_t>(frames) * 2);
    for (int f = 0; f < frames; ++f) {
        const std::int16_t l = toInt16(res_[0][static_cast<std::size_t>(f)]);
        out[base + 2 * f] = l;
        out[base + 2 * f + 1] = sides_ == 2 ? toInt16(res_[1][static_cast<std::size_t>(f)]) : l;
    }
}

} // namespace audio
