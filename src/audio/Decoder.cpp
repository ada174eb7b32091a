#include "audio/Decoder.h"

#include "audio/SampleFormat.h"

#include <QFileInfo>
#include <algorithm>
#include <sndfile.h>

namespace audio {

namespace {

// libsndfile reads through QFile so that any path Qt can open works (non-ASCII names included).
sf_count_t vioLength(void *user) {
    return static_cast<QFile *>(user)->size();
}

sf_count_t vioSeek(sf_count_t offset, int whence, void *user) {
    auto *file = static_cast<QFile *>(user);
    qint64 target = offset;
    if (whence == SEEK_CUR)
        target += file->pos();
    else if (whence == SEEK_END)
        target += file->size();
    if (target < 0 || !file->seek(target))
        return -1;
    return file->pos();
}

sf_count_t vioRead(void *ptr, sf_count_t count, void *user) {
    const qint64 n = static_cast<QFile *>(user)->read(static_cast<char *>(ptr), count);
    return n < 0 ? 0 : n;
}

sf_count_t vioWrite(const void *, sf_count_t, void *) {
    return 0;
}

sf_count_t vioTell(void *user) {
    return static_cast<QFile *>(user)->pos();
}

bool isIntegerPcm(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
        return true;
    default:
        return false;
    }
}

// Formats whose seek lands exactly: the sample offset is a multiple of a frame size.
bool seeksExactly(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
    case SF_FORMAT_MPEG_LAYER_I:
    case SF_FORMAT_MPEG_LAYER_II:
    case SF_FORMAT_MPEG_LAYER_III:
        return false;
    default:
        return true;
    }
}

constexpr std::int64_t kSkipChunk = 4096;

} // namespace

struct FileDecoder::Handle {
    QFile file;
    SF_VIRTUAL_IO io{vioLength, vioSeek, vioRead, vioWrite, vioTell};
    SNDFILE *sf = nullptr;
    int format = 0;
    ~Handle() {
        if (sf)
            sf_close(sf);
    }
};

FileDecoder::FileDecoder() = default;
FileDecoder::~FileDecoder() = default;

bool FileDecoder::open(const QString &path) {
    h_.reset();
    // isFile() is false for folders, FIFOs and device nodes: opening those could block.
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    auto h = std::make_unique<Handle>();
    h->file.setFileName(path);
    if (!h->file.open(QIODevice::ReadOnly) || h->file.size() == 0)
        return false;
    SF_INFO sfinfo{};
    h->sf = sf_open_virtual(&h->io, SFM_READ, &sfinfo, &h->file);
    if (!h->sf)
        return false;
    if (sfinfo.channels < 1 || sfinfo.channels > kMaxChannels || sfinfo.samplerate < kMinRate ||
        sfinfo.samplerate > kMaxRate)
        return false;
    rate_ = sfinfo.samplerate;
    channels_ = sfinfo.channels;
    headerFrames_ = std::max<sf_count_t>(sfinfo.frames, 0);
    h->format = sfinfo.format;
    floatRead_ = !isIntegerPcm(sfinfo.format);
    h_ = std::move(h);
    return true;
}

bool FileDecoder::headerIsExact() const {
    return h_ && seeksExactly(h_->format);
}

std::int64_t FileDecoder::read(std::int16_t *out, std::int64_t frames) {
    if (!h_ || frames <= 0)
        return 0;
    if (!floatRead_) // up to 16 bits: read as shorts, which is exact
        return std::max<sf_count_t>(sf_readf_short(h_->sf, out, frames), 0);
    floats_.resize(static_cast<std::size_t>(frames * channels_));
    const sf_count_t got = std::max<sf_count_t>(sf_readf_float(h_->sf, floats_.data(), frames), 0);
    for (sf_count_t i = 0; i < got * channels_; ++i)
        out[i] = toInt16(floats_[static_cast<std::size_t>(i)]);
    return got;
}

std::int64_t FileDecoder::readFloat(float *out, std::int64_t frames) {
    if (!h_ || frames <= 0)
        return 0;
    return std::max<sf_count_t>(sf_readf_float(h_->sf, out, frames), 0);
}

bool FileDecoder::seek(std::int64_t frame) {
    if (!h_ || frame < 0)
        return false;
    if (seeksExactly(h_->format))
        return sf_seek(h_->sf, frame, SEEK_SET) == frame;
    // Compressed seeks land near, not on, the frame asked for (an MP3 seek straight to the frame
    // is off, and so is one an eighth of a second early): seek one second early and decode
    // forward up to the frame, which lands exactly.
    const std::int64_t before = std::max<std::int64_t>(frame - rate_, 0);
    if (sf_seek(h_->sf, before, SEEK_SET) != before)
        return false;
    std::vector<std::int16_t> skip(static_cast<std::size_t>(kSkipChunk * channels_));
    for (std::int64_t at = before; at < frame;) {
        const std::int64_t got = read(skip.data(), std::min(kSkipChunk, frame - at));
        if (got <= 0)
            return false;
        at += got;
    }
    return true;
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
    constexpr std::int64_t chunkFrames = 4096;
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
