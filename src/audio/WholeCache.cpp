#include "audio/WholeCache.h"

#include "audio/Decoder.h"
#include "audio/Resampler.h"

#include <QDateTime>
#include <QFileInfo>

namespace audio {

namespace {

// The same file unchanged: same place, size and modification time.
QString cacheKey(const QString &path) {
    const QFileInfo info(path);
    return info.absoluteFilePath() + QLatin1Char('|') + QString::number(info.size()) +
           QLatin1Char('|') + QString::number(info.lastModified().toMSecsSinceEpoch());
}

} // namespace

std::shared_ptr<const WholeSound> WholeCache::find(const QString &path) const {
    const QString key = cacheKey(path);
    std::lock_guard lock(mutex_);
    return sounds_.value(key).lock();
}

std::shared_ptr<const WholeSound> WholeCache::decode(const QString &path, FileDecoder &decoder,
                                                     std::int64_t maxFrames, bool *tooLong) {
    *tooLong = false;
    const QString key = cacheKey(path);
    DecodedAudio decoded;
    if (!decodeRest(decoder, decoded, maxFrames, tooLong))
        return nullptr;
    auto sound = std::make_shared<WholeSound>();
    sound->rate = decoded.rate;
    sound->channels = decoded.channels;
    sound->srcFrames = decoded.frames();
    sound->out =
        toOutputFormat(decoded.samples.data(), sound->srcFrames, decoded.rate, decoded.channels);
    if (sound->out.empty())
        return nullptr;
    std::lock_guard lock(mutex_);
    for (auto it = sounds_.begin(); it != sounds_.end();)
        it = it->expired() ? sounds_.erase(it) : std::next(it);
    sounds_.insert(key, sound);
    return sound;
}

} // namespace audio
