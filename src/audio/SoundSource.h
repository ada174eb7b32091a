#pragma once

#include <cstdint>
#include <memory>

class QString;

namespace audio {

// One decoder behind FileDecoder: MPEG through libmpg123, the rest through libsndfile. Each
// decodes by its own fixed units, so what a read returns never depends on how much is asked.
class SoundSource {
public:
    virtual ~SoundSource() = default;
    virtual int rate() const = 0;
    virtual int channels() const = 0;
    // The header's length in frames: exact when exact() is, else an estimate; 0 if unknown.
    virtual std::int64_t headerFrames() const = 0;
    // Whether headerFrames() is exact and a seek lands on any frame directly (PCM formats).
    virtual bool exact() const = 0;
    // Whether readShort() is exact (integer PCM up to 16 bits); else it is made from floats.
    virtual bool shortNative() const { return false; }
    virtual std::int64_t readFloat(float *out, std::int64_t frames) = 0;
    virtual std::int64_t readShort(std::int16_t *, std::int64_t) { return 0; }
    // Lands exactly on `frame`, so that the next read starts there. False if it cannot.
    virtual bool seek(std::int64_t frame) = 0;
};

// MPEG layers 1-3 told by their frame headers (after an ID3v2 tag), nullptr otherwise.
// `sure`: the caller already knows the file is MPEG; the frame check is skipped.
std::unique_ptr<SoundSource> openMpeg(const QString &path, bool sure);
// Any format libsndfile recognises from the file's own bytes, every link of a chained Ogg
// stream in turn; `isMpeg` is set when libsndfile takes it for MPEG (which openMpeg decodes).
std::unique_ptr<SoundSource> openLibrary(const QString &path, bool *isMpeg);

} // namespace audio
