#include "audio/Decoder.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <sndfile.h>

namespace audio {

namespace {

// libsndfile reads through QFile so that any path Qt can open works (non-ASCII names included)
// and nothing but a regular file is ever handed to the decoder.
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

std::int16_t toInt16(float v) {
    // Lossy decoders overshoot full scale; clip rather than wrap.
    const float scaled = std::nearbyint(v * 32768.0f);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
}

} // namespace

bool decodeFile(const QString &path, DecodedAudio &out) {
    out = DecodedAudio{};
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return false;

    SF_VIRTUAL_IO io{vioLength, vioSeek, vioRead, vioWrite, vioTell};
    SF_INFO sfinfo{};
    SNDFILE *sf = sf_open_virtual(&io, SFM_READ, &sfinfo, &file);
    if (!sf)
        return false;
    if (sfinfo.channels <= 0 || sfinfo.samplerate <= 0) {
        sf_close(sf);
        return false;
    }

    const int channels = sfinfo.channels;
    constexpr sf_count_t chunkFrames = 4096;
    std::vector<std::int16_t> samples;
    if (sfinfo.frames > 0 && sfinfo.frames < (sf_count_t{1} << 31))
        samples.reserve(static_cast<std::size_t>(sfinfo.frames * channels));

    if (isIntegerPcm(sfinfo.format)) {
        // Up to 16 bits: read as shorts, which is exact.
        std::vector<short> buf(static_cast<std::size_t>(chunkFrames * channels));
        sf_count_t got;
        while ((got = sf_readf_short(sf, buf.data(), chunkFrames)) > 0)
            samples.insert(samples.end(), buf.begin(), buf.begin() + got * channels);
    } else {
        std::vector<float> buf(static_cast<std::size_t>(chunkFrames * channels));
        sf_count_t got;
        while ((got = sf_readf_float(sf, buf.data(), chunkFrames)) > 0) {
            for (sf_count_t i = 0; i < got * channels; ++i)
                samples.push_back(toInt16(buf[static_cast<std::size_t>(i)]));
        }
    }
    sf_close(sf);

    if (samples.empty())
        return false;
    out.samples = std::move(samples);
    out.rate = sfinfo.samplerate;
    out.channels = channels;
    return true;
}

} // namespace audio
