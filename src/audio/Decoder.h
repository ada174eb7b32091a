#pragma once

#include <QFile>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace audio {

class SoundSource;

// Formats the engine accepts; anything outside is refused as unreadable, whatever the header
// claims, so that no header value can ask for absurd work or memory.
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 768000;
constexpr int kMaxChannels = 32;

// A sound file opened for reading interleaved frames at its own rate and channel count, chunk
// by chunk: the one reader of every path (playback, waveform, conversion, check, preparation),
// so that all of them find the same samples and the same length in a file. Any format told by
// its content (WAV, Ogg Vorbis or Opus, chained streams included, FLAC, MPEG layers 1-3),
// whatever the extension, and whatever lies beside the file or in the working folder.
// Nothing but a regular file is ever opened, so a FIFO or a device node cannot block.
// One thread at a time.
class FileDecoder {
public:
    FileDecoder();
    ~FileDecoder();
    FileDecoder(const FileDecoder &) = delete;
    FileDecoder &operator=(const FileDecoder &) = delete;

    // False, without any message, for a file that cannot be read, is not audio, or has a
    // format outside the limits above.
    bool open(const QString &path);
    int rate() const { return rate_; }
    int channels() const { return channels_; }
    // The header's idea of the length in frames: exact for PCM, an estimate for compressed
    // formats (never use it to size memory). 0 if unknown.
    std::int64_t headerFrames() const { return headerFrames_; }
    // Whether headerFrames() is the exact length (PCM formats), not an estimate.
    bool headerIsExact() const;
    // Reads up to `frames` whole frames into `out` (frames x channels samples); 0 at the end
    // or on a read error.
    std::int64_t read(std::int16_t *out, std::int64_t frames);
    // The same as floats, full scale at 1.0 and nothing clipped: a take that decodes above full
    // scale keeps its real peaks.
    std::int64_t readFloat(float *out, std::int64_t frames);
    // Moves to `frame` so that the next read starts on it exactly. False if it cannot.
    bool seek(std::int64_t frame);

private:
    std::unique_ptr<SoundSource> h_;
    int rate_ = 0;
    int channels_ = 0;
    std::int64_t headerFrames_ = 0;
    std::vector<float> floats_;
};

// Reads `path` to its end, chunk by chunk, in the same little memory whatever its length:
// `begin(rate, channels)` once, then `chunk(samples, frames)` for each run of whole frames; a
// chunk returning false stops the reading there. The frames read, or -1 for a file that cannot
// be read as sound.
std::int64_t readInChunks(const QString &path, const std::function<void(int, int)> &begin,
                          const std::function<bool(const std::int16_t *, std::int64_t)> &chunk);

// A whole sound file decoded to 16-bit interleaved samples at its own rate and channel count.
struct DecodedAudio {
    std::vector<std::int16_t> samples;
    int rate = 0;
    int channels = 0;

    std::int64_t frames() const {
        return channels > 0 ? static_cast<std::int64_t>(samples.size()) / channels : 0;
    }
};

// Decodes a whole file, counting its length by decoding (compressed formats only estimate it in
// their header). False for an unreadable file, one holding no samples, or one longer than
// `maxFrames` (then *tooLong is set, if given); the memory grows with what is decoded, never
// with what the header claims.
bool decodeFile(const QString &path, DecodedAudio &out,
                std::int64_t maxFrames = std::int64_t{1} << 40, bool *tooLong = nullptr);
// The same from an open decoder, from where it stands.
bool decodeRest(FileDecoder &decoder, DecodedAudio &out, std::int64_t maxFrames,
                bool *tooLong = nullptr);

} // namespace audio
