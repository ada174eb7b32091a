#include "audio/SoundEngine.h"

#include "audio/Decoder.h"
#include "audio/DecoderThread.h"
#include "audio/Resampler.h"
#include "audio/StreamFeed.h"

#include <QFileInfo>
#include <algorithm>
#include <new>

namespace audio {

std::unique_ptr<Stream> SoundEngine::openStream(const QString &path, std::uint32_t flags) {
    auto s = std::make_unique<Stream>();
    s->flags = flags;
    // A file kept whole by another stream is not even opened again (a sentence names the same
    // prompts over and over).
    if (auto cached = wholeCache_.find(path)) {
        s->rate = cached->rate;
        s->channels = cached->channels;
        s->srcFrames = cached->srcFrames;
        s->outFrames = cached->outFrames();
        s->whole = std::move(cached);
        return s;
    }
    auto decoder = std::make_unique<FileDecoder>();
    if (!decoder->open(path))
        return nullptr;
    s->rate = decoder->rate();
    s->channels = decoder->channels();

    // Short files are decoded whole, which gives their exact length at once; the header's
    // claim only decides whether to try (unless the caller needs the exact length), and the
    // decoding stops at wholeSeconds whatever it says (a longer file is then streamed).
    const std::int64_t cap = std::int64_t{options_.wholeSeconds} * s->rate;
    // A compressed header's length is an estimate that may lie by hours; a file too small to
    // hold wholeSeconds at the highest MPEG bit rate (320 kbit/s) is decoded whole whatever it
    // claims, so that its real length is known at once.
    const bool smallCompressed = !decoder->headerIsExact() &&
                                 QFileInfo(path).size() <= qint64{options_.wholeSeconds} * 40000;
    const bool shortFile =
        (flags & ExactLength) || decoder->headerFrames() <= cap || smallCompressed;
    if (shortFile) {
        bool tooLong = false;
        if (auto whole = wholeCache_.decode(path, *decoder, cap, &tooLong)) {
            s->srcFrames = whole->srcFrames;
            s->outFrames = whole->outFrames();
            s->whole = std::move(whole);
            return s;
        }
        if (!tooLong)
            return nullptr;
    }

    // Streamed: the header's length stands until the real one is known. It is exact for PCM
    // formats; for compressed ones the decoder thread counts the real length in the
    // background (a few seconds for an hour of MP3) and the engine tells it then.
    s->srcFrames = decoder->headerFrames();
    if (shortFile) // found longer than that, whatever the header says
        s->srcFrames = std::max(s->srcFrames, cap);
    if (s->srcFrames <= 0 || !decoder->seek(0))
        return nullptr;
    {
        // A file that yields no sound at its start is not worth a stream.
        std::vector<std::int16_t> probe(static_cast<std::size_t>(256 * s->channels));
        if (decoder->read(probe.data(), 256) <= 0 || !decoder->seek(0))
            return nullptr;
    }
    s->outFrames = outputFrameCount(s->srcFrames, s->rate);
    std::unique_ptr<FileDecoder> counter;
    if (!decoder->headerIsExact()) {
        counter = std::make_unique<FileDecoder>();
        if (!counter->open(path))
            counter.reset();
    }
    s->feed = std::make_shared<StreamFeed>(std::move(decoder), std::move(counter));
    s->feed->prime(2);
    return s;
}

Handle SoundEngine::streamCreateFile(const QString &path, std::uint32_t flags) {
    {
        std::lock_guard lock(mutex_);
        maintain();
        if (!ready_ || streams_.full())
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
    const std::shared_ptr<StreamFeed> feed = s->feed;
    Handle h;
    {
        std::lock_guard lock(mutex_);
        h = streams_.add(std::move(s));
    }
    if (feed && h)
        decoder_->add(feed);
    else
        decoder_->wake();
    return h;
}

double SoundEngine::headerSeconds(const QString &path) const {
    // Reads no engine state: no lock.
    try {
        FileDecoder decoder;
        if (!decoder.open(path))
            return -1.0;
        return static_cast<double>(decoder.headerFrames()) / decoder.rate();
    } catch (const std::bad_alloc &) {
        return -1.0;
    }
}

} // namespace audio
