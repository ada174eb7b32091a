#include "audio/SoundEngine.h"
#include "audio/SoundEngineParts.h"

#include "audio/Decoder.h"
#include "audio/Resampler.h"
#include "audio/StreamFeed.h"

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>
#include <new>

namespace audio {

namespace {

// The same file unchanged: same place, size and modification time.
QString cacheKey(const QString &path) {
    const QFileInfo info(path);
    return info.absoluteFilePath() + QLatin1Char('|') + QString::number(info.size()) +
           QLatin1Char('|') + QString::number(info.lastModified().toMSecsSinceEpoch());
}

} // namespace

std::shared_ptr<const WholeSound> SoundEngine::wholeSound(const QString &path, FileDecoder &decoder,
                                                          bool *tooLong) {
    *tooLong = false;
    const QString key = cacheKey(path);
    DecodedAudio decoded;
    const std::int64_t cap = std::int64_t{options_.wholeSeconds} * decoder.rate();
    if (!decodeRest(decoder, decoded, cap, tooLong))
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
    for (auto it = wholeCache_.begin(); it != wholeCache_.end();)
        it = it->expired() ? wholeCache_.erase(it) : std::next(it);
    wholeCache_.insert(key, sound);
    return sound;
}

std::unique_ptr<SoundEngine::Stream> SoundEngine::openStream(const QString &path,
                                                             std::uint32_t flags) {
    if (!(flags & DecodeOnly)) {
        // A file kept whole by another stream is not even opened again (a sentence names the
        // same prompts over and over).
        std::shared_ptr<const WholeSound> cached;
        {
            std::lock_guard lock(mutex_);
            cached = wholeCache_.value(cacheKey(path)).lock();
        }
        if (cached) {
            auto s = std::make_unique<Stream>();
            s->flags = flags;
            s->rate = cached->rate;
            s->channels = cached->channels;
            s->srcFrames = cached->srcFrames;
            s->outFrames = static_cast<std::int64_t>(cached->out.size() / 2);
            s->whole = std::move(cached);
            return s;
        }
    }
    auto decoder = std::make_unique<FileDecoder>();
    if (!decoder->open(path))
        return nullptr;
    auto s = std::make_unique<Stream>();
    s->flags = flags;
    s->rate = decoder->rate();
    s->channels = decoder->channels();

    // Short files are decoded whole, which gives their exact length at once; the header's
    // claim only decides whether to try (unless the caller needs the exact length), and the
    // decoding stops at wholeSeconds whatever it says (a longer file is then streamed).
    const std::int64_t wholeFrames = std::int64_t{options_.wholeSeconds} * s->rate;
    const bool shortFile = (flags & ExactLength) || decoder->headerFrames() <= wholeFrames;
    if (shortFile) {
        if (s->decodeOnly()) {
            DecodedAudio decoded;
            bool tooLong = false;
            if (decodeRest(*decoder, decoded, wholeFrames, &tooLong)) {
                s->srcFrames = decoded.frames();
                s->outFrames = outputFrameCount(s->srcFrames, s->rate);
                s->pcm = std::move(decoded.samples);
                return s;
            }
            if (!tooLong)
                return nullptr;
        } else {
            bool tooLong = false;
            if (auto whole = wholeSound(path, *decoder, &tooLong)) {
                s->srcFrames = whole->srcFrames;
                s->outFrames = static_cast<std::int64_t>(whole->out.size() / 2);
                s->whole = std::move(whole);
                return s;
            }
            if (!tooLong)
                return nullptr;
        }
    }

    // Streamed: the header's length stands until the real one is known. It is exact for PCM
    // formats; for compressed ones the decoder thread counts the real length in the
    // background (a few seconds for an hour of MP3), and a decode-only stream has it when its
    // reader reaches the end.
    s->srcFrames = decoder->headerFrames();
    if (shortFile) // found longer than that, whatever the header says
        s->srcFrames = std::max(s->srcFrames, wholeFrames);
    if (s->srcFrames <= 0 || !decoder->seek(0))
        return nullptr;
    {
        // A file that yields no sound at its start is not worth a stream.
        std::vector<std::int16_t> probe(static_cast<std::size_t>(256 * s->channels));
        if (decoder->read(probe.data(), 256) <= 0 || !decoder->seek(0))
            return nullptr;
    }
    s->outFrames = outputFrameCount(s->srcFrames, s->rate);
    if (s->decodeOnly()) {
        s->reader = std::move(decoder);
    } else {
        std::unique_ptr<FileDecoder> counter;
        if (!decoder->headerIsExact()) {
            counter = std::make_unique<FileDecoder>();
            if (!counter->open(path))
                counter.reset();
        }
        s->feed = std::make_shared<StreamFeed>(std::move(decoder), std::move(counter));
        s->feed->prime(2);
        decoder_->add(s->feed);
    }
    return s;
}

Handle SoundEngine::streamCreateFile(const QString &path, std::uint32_t flags) {
    {
        std::lock_guard lock(mutex_);
        maintain();
        if ((!(flags & DecodeOnly) && !ready_) || freeSlots_.empty())
            return 0;
    }
    // Decoding happens outside the lock, so the housekeeping goes on meanwhile.
    std::unique_ptr<Stream> s;
    try {
        s = openStream(path, flags);
    } catch (const std::bad_alloc &) {
        return 0; // a file that wants more memory than there is: unreadable
    }
    if (!s)
        return 0;
    std::lock_guard lock(mutex_);
    if (freeSlots_.empty()) {
        if (s->feed)
            s->feed->retire();
        return 0;
    }
    const std::uint32_t index = freeSlots_.front();
    freeSlots_.pop_front();
    slots_[index].stream = std::move(s);
    return 0x80000000u | (slots_[index].generation << kSlotBits) | index;
}

} // namespace audio
