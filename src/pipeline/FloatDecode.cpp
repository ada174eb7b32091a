#include "pipeline/FloatDecode.h"

#include "audio/Decoder.h"

namespace pipeline {

namespace {

constexpr std::int64_t ChunkFrames = 16384;

} // namespace

std::int64_t readFloatChunks(const QString &path, const std::function<void(int, int)> &begin,
                             const std::function<void(const float *, std::int64_t)> &chunk) {
    audio::FileDecoder decoder;
    if (!decoder.open(path))
        return -1;
    begin(decoder.rate(), decoder.channels());
    std::vector<float> buffer(static_cast<std::size_t>(ChunkFrames * decoder.channels()));
    std::int64_t total = 0;
    for (std::int64_t got; (got = decoder.readFloat(buffer.data(), ChunkFrames)) > 0;) {
        total += got;
        chunk(buffer.data(), got);
    }
    return total;
}

FloatRead decodeFloat(const QString &path, FloatSound &out, const std::atomic<bool> &cancel,
                      int maxSeconds) {
    out = FloatSound{};
    audio::FileDecoder decoder;
    if (!decoder.open(path))
        return FloatRead::Unreadable;
    out.rate = decoder.rate();
    out.channels = decoder.channels();
    const std::int64_t maxFrames = std::int64_t{out.rate} * maxSeconds;
    const auto chunkSamples = static_cast<std::size_t>(ChunkFrames * out.channels);
    for (;;) {
        if (cancel.load(std::memory_order_relaxed))
            return FloatRead::Cancelled;
        const std::size_t at = out.samples.size();
        out.samples.resize(at + chunkSamples);
        const std::int64_t got = decoder.readFloat(out.samples.data() + at, ChunkFrames);
        out.samples.resize(at + static_cast<std::size_t>(got * out.channels));
        if (got <= 0)
            break;
        if (out.frames() > maxFrames)
            return FloatRead::TooLong;
    }
    out.samples.shrink_to_fit();
    return out.frames() > 0 ? FloatRead::Done : FloatRead::Empty;
}

} // namespace pipeline
