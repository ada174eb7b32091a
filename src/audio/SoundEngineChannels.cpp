#include "audio/SoundEngine.h"
#include "audio/SoundEngineParts.h"

#include "audio/Decoder.h"
#include "audio/Resampler.h"
#include "audio/StreamFeed.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace audio {

std::int64_t SoundEngine::outCursor(const Stream &s, std::uint32_t index) const {
    if (!s.started || mixer_->voiceAck(index) < s.cursorSeq)
        return s.sentCursor;
    return mixer_->voiceCursor(index);
}

std::int64_t SoundEngine::positionFrames(const Stream &s, std::uint32_t index) const {
    const std::int64_t cursor = outCursor(s, index);
    if (cursor >= s.outFrames || endedByItself(s, index))
        return s.srcFrames;
    std::int64_t frame;
    if (cursor >= s.baseOut)
        frame = s.baseSrc + (cursor - s.baseOut) * s.rate / kOutputRate;
    else
        frame = cursor * s.rate / kOutputRate;
    return std::clamp<std::int64_t>(frame, 0, s.srcFrames);
}

bool SoundEngine::isActive(const Stream &s, std::uint32_t index) const {
    if (s.decodeOnly())
        return s.reader ? !s.readEnded : s.readPos < s.lengthBytes();
    if (!s.wantPlaying)
        return false;
    if (mixer_->voiceAck(index) < s.lastSeq)
        return true;
    return mixer_->voicePlaying(index);
}

bool SoundEngine::endedByItself(const Stream &s, std::uint32_t index) const {
    return s.started && s.wantPlaying && mixer_->voiceAck(index) >= s.lastSeq &&
           !mixer_->voicePlaying(index);
}

void SoundEngine::seekFeed(Stream &s, std::int64_t frame, std::int64_t out) {
    ++s.epoch;
    s.feed->requestSeek(s.epoch, frame, out);
    decoder_->wake();
}

bool SoundEngine::channelPlay(Handle h, bool restart) {
    std::lock_guard lock(mutex_);
    maintain();
    std::uint32_t index;
    Stream *s = lookup(h, &index);
    if (!s || s->decodeOnly() || !ready_)
        return false;
    if (!restart && isActive(*s, index))
        return true;

    std::int64_t cursor = outCursor(*s, index);
    const bool fromStart = restart || cursor >= s->outFrames || endedByItself(*s, index);
    if (fromStart) {
        cursor = 0;
        s->baseSrc = 0;
        s->baseOut = 0;
        if (s->feed && s->started)
            seekFeed(*s, 0, 0);
    }
    MixerCommand c;
    c.kind = MixerCommand::Kind::Play;
    c.voice = index;
    c.data = s->data();
    c.ring = s->feed ? &s->feed->ring() : nullptr;
    c.epoch = s->epoch;
    c.frames = s->outFrames;
    c.cursor = cursor;
    s->lastSeq = s->cursorSeq = post(c);
    s->sentCursor = cursor;
    s->started = s->handed = s->wantPlaying = true;
    return true;
}

bool SoundEngine::channelStop(Handle h) {
    std::lock_guard lock(mutex_);
    maintain();
    std::uint32_t index;
    Stream *s = lookup(h, &index);
    if (!s)
        return false;
    if (!s->decodeOnly() && s->started) {
        MixerCommand c;
        c.kind = MixerCommand::Kind::Stop;
        c.voice = index;
        s->lastSeq = post(c);
    }
    s->wantPlaying = false;
    // A self-freeing stream goes as soon as it is stopped.
    if (s->flags & AutoFree)
        freeSlot(index);
    return true;
}

bool SoundEngine::streamFree(Handle h) {
    std::lock_guard lock(mutex_);
    maintain();
    std::uint32_t index;
    if (!lookup(h, &index))
        return false;
    freeSlot(index);
    return true;
}

int SoundEngine::channelIsActive(Handle h) const {
    std::lock_guard lock(mutex_);
    maintain();
    std::uint32_t index;
    const Stream *s = lookup(h, &index);
    return s && isActive(*s, index) ? 1 : 0;
}

std::uint64_t SoundEngine::channelGetLength(Handle h) const {
    std::lock_guard lock(mutex_);
    maintain();
    const Stream *s = lookup(h);
    return s ? s->lengthBytes() : kFailed;
}

std::uint64_t SoundEngine::channelGetPosition(Handle h) const {
    std::lock_guard lock(mutex_);
    maintain();
    std::uint32_t index;
    const Stream *s = lookup(h, &index);
    if (!s)
        return kFailed;
    if (s->decodeOnly())
        return s->readPos;
    return static_cast<std::uint64_t>(positionFrames(*s, index)) * s->bytesPerFrame();
}

bool SoundEngine::channelSetPosition(Handle h, std::uint64_t bytes) {
    std::lock_guard lock(mutex_);
    maintain();
    std::uint32_t index;
    Stream *s = lookup(h, &index);
    if (!s || bytes > s->lengthBytes())
        return false;
    // Positions fall on whole frames.
    const std::int64_t frame = static_cast<std::int64_t>(bytes / s->bytesPerFrame());
    if (s->decodeOnly()) {
        if (s->reader) {
            if (!s->reader->seek(frame))
                return false;
            s->readEnded = false;
        }
        s->readPos = frame * s->bytesPerFrame();
        return true;
    }
    const std::int64_t out = frame >= s->srcFrames
                                 ? s->outFrames
                                 : std::min(outputFrameCount(frame, s->rate), s->outFrames);
    s->baseSrc = frame;
    s->baseOut = out;
    s->sentCursor = out;
    if (s->feed)
        seekFeed(*s, frame, out);
    if (s->started) {
        MixerCommand c;
        c.kind = MixerCommand::Kind::Seek;
        c.voice = index;
        c.cursor = out;
        c.epoch = s->epoch;
        s->lastSeq = s->cursorSeq = post(c);
    }
    return true;
}

std::int32_t SoundEngine::channelGetData(Handle h, void *buffer, std::uint32_t length) {
    std::lock_guard lock(mutex_);
    maintain();
    std::uint32_t index;
    Stream *s = lookup(h, &index);
    if (!s || !s->decodeOnly() || !buffer)
        return -1;
    const std::uint64_t bpf = s->bytesPerFrame();
    std::uint64_t n = 0;
    if (s->reader) {
        // Whole frames, decoded straight into the caller's buffer.
        const std::uint64_t frames =
            std::min<std::uint64_t>(length, std::numeric_limits<std::int32_t>::max()) / bpf;
        if (!s->readEnded && frames > 0) {
            const std::int64_t got = s->reader->read(static_cast<std::int16_t *>(buffer),
                                                     static_cast<std::int64_t>(frames));
            n = static_cast<std::uint64_t>(got) * bpf;
            if (got <= 0) {
                // The real end: the length is now exact.
                s->readEnded = true;
                s->srcFrames = static_cast<std::int64_t>(s->readPos / bpf);
            }
        }
        if (s->readEnded) {
            if (s->flags & AutoFree)
                freeSlot(index);
            return -1;
        }
    } else {
        const std::uint64_t total = s->lengthBytes();
        if (s->readPos >= total) {
            // The reader has seen the end: a self-freeing decoder goes now.
            if (s->flags & AutoFree)
                freeSlot(index);
            return -1;
        }
        // Whole samples only, so that 16-bit data never splits.
        n = std::min<std::uint64_t>(length, total - s->readPos);
        n = std::min<std::uint64_t>(n, std::numeric_limits<std::int32_t>::max()) &
            ~std::uint64_t{1};
        std::memcpy(buffer, reinterpret_cast<const char *>(s->pcm.data()) + s->readPos, n);
    }
    s->readPos += n;
    return static_cast<std::int32_t>(n);
}

bool SoundEngine::channelGetInfo(Handle h, ChannelInfo *info) const {
    std::lock_guard lock(mutex_);
    maintain();
    const Stream *s = lookup(h);
    if (!s || !info)
        return false;
    *info = ChannelInfo{};
    info->freq = static_cast<std::uint32_t>(s->rate);
    info->chans = static_cast<std::uint32_t>(s->channels);
    info->flags = s->flags; // bit 0 (8-bit) is never part of them
    info->origres = 16;
    return true;
}

std::uint32_t SoundEngine::channelGetFrequency(Handle h) const {
    std::lock_guard lock(mutex_);
    maintain();
    const Stream *s = lookup(h);
    return s ? static_cast<std::uint32_t>(s->rate) : 0;
}

double SoundEngine::channelBytes2Seconds(Handle h, std::uint64_t bytes) const {
    std::lock_guard lock(mutex_);
    maintain();
    const Stream *s = lookup(h);
    if (!s)
        return -1.0;
    return static_cast<double>(bytes) / (static_cast<double>(s->rate) * s->channels * 2);
}

std::int64_t SoundEngine::outputFrames(Handle h) const {
    std::lock_guard lock(mutex_);
    maintain();
    const Stream *s = lookup(h);
    return s ? s->outFrames : 0;
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

void SoundEngine::beginSentence(std::size_t count) {
    std::lock_guard lock(mutex_);
    maintain();
    if (!ready_)
        return;
    std::unique_ptr<SentenceTable> table;
    if (count > 0 && count <= std::numeric_limits<std::uint32_t>::max()) {
        try {
            table = std::make_unique<SentenceTable>();
            table->entries.resize(count);
        } catch (const std::bad_alloc &) {
            table.reset(); // no room for it: the sentence stays silent
        }
    }
    MixerCommand c;
    c.kind = table ? MixerCommand::Kind::Sentence : MixerCommand::Kind::CancelSentence;
    if (table) {
        c.sentence = table->entries.data();
        c.sentenceCount = static_cast<std::uint32_t>(count);
    }
    const std::uint64_t seq = post(c);
    if (sentence_)
        graveyard_.push_back(Grave{seq, nullptr, nullptr, std::move(sentence_)});
    sentence_ = std::move(table);
}

void SoundEngine::appendSentence(const std::vector<ScheduledSlot> &more) {
    std::lock_guard lock(mutex_);
    maintain();
    if (!ready_ || !sentence_)
        return;
    SentenceTable &table = *sentence_;
    const std::size_t end = std::min(table.entries.size(), table.given + more.size());
    // Entries from `given` on are not the mixer's yet: they are written here, then handed over
    // by the command below.
    for (std::size_t i = table.given; i < end; ++i) {
        const ScheduledSlot &slot = more[i - table.given];
        SentenceEntry &e = table.entries[i];
        e.slotFrames = std::max<std::int64_t>(slot.frames, 0);
        std::uint32_t index;
        Stream *s = lookup(slot.stream, &index);
        // Only sounds kept whole can be placed on the timeline; a streamed one (longer than any
        // slot) leaves its slot silent.
        if (s && s->whole) {
            try {
                if (std::find(table.keep.begin(), table.keep.end(), s->whole) == table.keep.end())
                    table.keep.push_back(s->whole);
            } catch (const std::bad_alloc &) {
                continue; // not kept alive: the slot stays silent
            }
            e.data = s->whole->out.data();
            e.dataFrames = s->outFrames;
            e.voice = index;
            s->handed = true;
        }
    }
    table.given = end;
    MixerCommand c;
    c.kind = MixerCommand::Kind::SentenceMore;
    c.sentence = table.entries.data();
    c.sentenceReady = static_cast<std::uint32_t>(end);
    post(c);
}

void SoundEngine::cancelSentence() {
    std::lock_guard lock(mutex_);
    maintain();
    if (!sentence_)
        return;
    MixerCommand c;
    c.kind = MixerCommand::Kind::CancelSentence;
    const std::uint64_t seq = post(c);
    graveyard_.push_back(Grave{seq, nullptr, nullptr, std::move(sentence_)});
}

} // namespace audio
