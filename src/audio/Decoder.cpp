#include "audio/Decoder.h"

#include "audio/SampleFormat.h"
#include "audio/SoundSource.h"

#include <QFileInfo>
#include <algorithm>

namespace audio {

namespace {

constexpr std::int64_t ShortChunk = 4096;

} // namespace

FileDecoder::FileDecoder() = default;
FileDecoder::~FileDecoder() = default;

bool FileDecoder::open(const QString &path) {
    h_.reset();
    // isFile() is false for folders, FIFOs and device nodes: opening those could block.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() == 0)
        return false;
    // MPEG is told by its frame headers first: libsndfile, given no name, would look for a
    // resource fork in the working folder before it tries MPEG, and fail on what it finds there.
    std::unique_ptr<SoundSource> source = openMpeg(path, false);
    if (!source) {
        bool isMpeg = false;
        source = openLibrary(path, &isMpeg);
        if (!source && isMpeg)
            source = openMpeg(path, true);
    }
    if (!source || source->channels() < 1 || source->channels() > kMaxChannels ||
        source->rate() < kMinRate || source->rate() > kMaxRate)
        return false;
    rate_ = source->rate();
    channels_ = source->channels();
    headerFrames_ = std::max<std::int64_t>(source->headerFrames(), 0);
    h_ = std::move(source);
    return true;
}

bool FileDecoder::headerIsExact() const {
    return h_ && h_->exact();
}

std::int64_t FileDecoder::read(std::int16_t *out, std::int64_t frames) {
    if (!h_ || frames <= 0)
        return 0;
    if (h_->shortNative()) // up to 16 bits: read as shorts, which is exact
        return std::max<std::int64_t>(h_->readShort(out, frames), 0);
    // The same decode as readFloat(), so that both stop at the same frame.
    floats_.resize(static_cast<std::size_t>(frames * channels_));
    const std::int64_t got = std::max<std::int64_t>(h_->readFloat(floats_.data(), frames), 0);
    for (std::int64_t i = 0; i < got * channels_; ++i)
        out[i] = toInt16(floats_[static_cast<std::size_t>(i)]);
    return got;
}

std::int64_t FileDecoder::readFloat(float *out, std::int64_t frames) {
    if (!h_ || frames <= 0)
        return 0;
    return std::max<std::int64_t>(h_->readFloat(out, frames), 0);
}

bool FileDecoder::seek(std::int64_t frame) {
    return h_ && frame >= 0 && h_->seek(frame);
}

std::int64_t readInChunks(const QString &path, const std::function<void(int, int)> &begin,
                          const std::function<bool(const std::int16_t *, std::int64_t)> &chunk) {
    constexpr std::int64_t ChunkFrames = 16384;
    FileDecoder decoder;
    if (!decoder.open(path))
        return -1;
    begin(decoder.rate(), decoder.channels());
    std::vector<std::int16_t> buffer(static_cast<std::size_t>(ChunkFrames * decoder.channels()));
    std::int64_t total = 0;
    for (std::int64_t got; (got = decoder.read(buffer.data(), ChunkFrames)) > 0;) {
        total += got;
        if (!chunk(buffer.data(), got))
            break;
    }
    return total;
}

bool decodeFile(const QString &path, DecodedAudio &out, std::int64_t maxFrames, bool *tooLong) {
    out = DecodedAudio{};
    if (tooLong)
        *tooLong = false;
    FileDecoder d;
    return d.open(path) && decodeRest(d, out, maxFrames, tooLong);
}

bool decodeRest(FileDecoder &d, DecodedAudio &out, std::int64_t maxFrames, bool *tooLong) {
    out = DecodedAudio{};
    if (tooLong)
        *tooLong = false;
    const int channels = d.channels();
    constexpr std::int64_t chunkFrames = ShortChunk;
    std::vector<std::int16_t> samples;
    std::vector<std::int16_t> buf(static_cast<std::size_t>(chunkFrames * channels));
    std::int64_t got;
    while ((got = d.read(buf.data(), chunkFrames)) > 0) {
        samples.insert(samples.end(), buf.begin(), buf.begin() + got * channels);
        if (static_cast<std::int64_t>(samples.size()) / channels > maxFrames) {
            if (tooLong)
                *tooLong = true;
            return false;
        }
    }
    if (samples.empty())
        return false;
    out.samples = std::move(samples);
    out.rate = d.rate();
    out.channels = channels;
    return true;
}

} // namespace audio
