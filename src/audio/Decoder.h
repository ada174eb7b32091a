#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace audio {

// A whole sound file decoded to 16-bit interleaved samples at its own rate and channel count.
struct DecodedAudio {
    std::vector<std::int16_t> samples;
    int rate = 0;
    int channels = 0;

    std::int64_t frames() const {
        return channels > 0 ? static_cast<std::int64_t>(samples.size()) / channels : 0;
    }
};

// Decodes any format libsndfile recognises by content (WAV, Ogg Vorbis, FLAC, MPEG layers 1-3),
// whatever the file's extension. Returns false, without any message, for a file that cannot be
// read, is not audio, or holds no samples. The length is counted by decoding, never taken from
// the header, because compressed formats only estimate it there.
bool decodeFile(const QString &path, DecodedAudio &out);

} // namespace audio
