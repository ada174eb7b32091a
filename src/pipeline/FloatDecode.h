#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

// Takes decoded in floating point by the program's own decoder: full scale at 1.0, and a take
// that decodes above full scale keeps its real peaks.
namespace pipeline {

// Reads `path` chunk by chunk: `begin(rate, channels)` once, then `chunk(samples, frames)` for
// each run of whole interleaved frames. The frames read, or -1 when it cannot be read as sound.
std::int64_t readFloatChunks(const QString &path, const std::function<void(int, int)> &begin,
                             const std::function<void(const float *, std::int64_t)> &chunk);

struct FloatSound {
    std::vector<float> samples; // interleaved
    int rate = 0;
    int channels = 0;
    std::int64_t frames() const {
        return channels > 0 ? static_cast<std::int64_t>(samples.size()) / channels : 0;
    }
};

enum class FloatRead { Done, Unreadable, Empty, TooLong, Cancelled };

// A whole take in memory; a voice prompt is a few seconds. TooLong past `maxSeconds`, so that
// no file can ask for unbounded memory.
FloatRead decodeFloat(const QString &path, FloatSound &out, const std::atomic<bool> &cancel,
                      int maxSeconds);

} // namespace pipeline
