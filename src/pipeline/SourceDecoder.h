#pragma once

#include <QString>
#include <atomic>
#include <cstdint>

#include "audio/Decoder.h"

namespace pipeline {

// Where conversion asks the sound engine's decoder for a file's samples. Every call is safe
// from any thread.

// A whole file in memory (the encoder's result read back in tests and benchmarks). False for a
// file that cannot be read as sound.
bool decodeSound(const QString &path, audio::DecodedAudio &out);

// What our decoder finds in a source, read through to its end.
struct SourceSound {
    int rate = 0;
    int channels = 0;
    std::int64_t frames = 0;
    // Its channels cancel when mixed (one is inverted): the louder one alone makes the mono.
    bool channelsCancel = false;
    int loudestChannel = 0;
};

enum class SourceRead { Done, Unreadable, Empty, TooLong, WriteFailed, Cancelled };

// Reads `path` to its end, keeping nothing but the count: Unreadable when it cannot be read as
// sound (a format or a rate the engine refuses), Empty when it holds no samples.
SourceRead measureSound(const QString &path, SourceSound &out, const std::atomic<bool> &cancel);

// Decodes `path` into the 16-bit mono WAV file `wavePath`, chunk by chunk, so that memory stays
// flat whatever the length, and measures it on the way: the mean of the channels, or `channel`
// alone (0 is the first) when it is not -1. TooLong when the samples would not fit a WAV header;
// WriteFailed when the file cannot be written whole.
SourceRead decodeToWave(const QString &path, const QString &wavePath, SourceSound &out,
                        const std::atomic<bool> &cancel, int channel = -1);

} // namespace pipeline
