#include "audio/SoundEngine.h"

#include "audio/DecoderThread.h"
#include "audio/Resampler.h"
#include "audio/StreamFeed.h"

#include <algorithm>
#include <limits>

namespace audio {

namespace {

constexpr std::uint64_t kFailed = std::numeric_limits<std::uint64_t>::max();

} // namespace

std::int64_t SoundEngine::outCursor(const Stream &s, std::uint32_t slot) const {
    if (!s.started || mixer_->voiceAck(slot) < s.cursorSeq)
        return s.sentCursor;
    return mixer_->voiceCursor(slot);
}

std::int64_t SoundEngine::positionFrames(const Stream &s, std::uint32_t slot) const {
    const std::int64_t cursor = outCursor(s, slot);
    if (cursor >= s.outFrames || endedByItself(s, slot))
        return s.srcFrames;
    std::int64_t frame;
    if (cursor >= s.baseOut)
        frame = s.baseSrc + (cursor - s.baseOut) * s.rate / kOutputRate;
    else
        frame = cursor * s.rate / kOutputRate;
    return std::clamp<std::int64_t>(frame, 0, s.srcFrames);
}

bool SoundEngine::isActive(const Stream &s, std::uint32_t slot) const {
    if (!s.wantPlaying)
        return false;
    if (mixer_->voiceAck(slot) < s.lastSeq)
        return true;
    return mixer_->voicePlaying(slot);
}

bool SoundEngine::endedByItself(const Stream &s, std::uint32_t slot) const {
    return s.started && s.wantPlaying && mixer_->voiceAck(slot) >= s.lastSeq &&
           !mixer_->voicePlaying(slot);
}

void SoundEngine::seekFeed(Stream &s, std::int64_t frame, std::int64_t out) {
    ++s.epoch;
    s.feed->requestSeek(s.epoch, frame, out);
}

bool SoundEngine::channelPlay(Handle h, bool restart) {
    {
        std::lock_guard lock(mutex_);
        maintain();
        std::uint32_t slot;
        Stream *s = streams_.find(h, &slot);
        if (!s || !ready_)
            return false;
        if (!restart && isActive(*s, slot))
            return true;

        std::int64_t cursor = outCursor(*s, slot);
        const bool fromStart = restart || cursor >= s->outFrames || endedByItself(*s, slot);
        if (fromStart) {
            cursor = 0;
            s->baseSrc = 0;
            s->baseOut = 0;
            if (s->feed && s->started)
                seekFeed(*s, 0, 0);
        }
        MixerCommand c;
        c.kind = MixerCommand::Kind::Play;
        c.voice = slot;
        c.data = s->data();
        c.ring = s->feed ? &s->feed->ring() : nullptr;
        c.epoch = s->epoch;
        c.frames = s->outFrames;
        c.cursor = cursor;
        s->lastSeq = s->cursorSeq = post(c);
        s->sentCursor = cursor;
        s->started = s->handed = s->wantPlaying = true;
        s->endTold = false;
    }
    decoder_->wake(); // something sounds: the decoder thread watches it
    return true;
}

bool SoundEngine::channelStop(Handle h) {
    {
        std::lock_guard lock(mutex_);
        maintain();
        std::uint32_t slot;
        Stream *s = streams_.find(h, &slot);
        if (!s)
            return false;
        if (s->started) {
            MixerCommand c;
            c.kind = MixerCommand::Kind::Stop;
            c.voice = slot;
            s->lastSeq = post(c);
        }
        s->wantPlaying = false;
        // A self-freeing stream goes as soon as it is stopped.
        if (s->flags & AutoFree)
            release(slot);
    }
    decoder_->wake();
    return true;
}

bool SoundEngine::streamFree(Handle h) {
    {
        std::lock_guard lock(mutex_);
        maintain();
        std::uint32_t slot;
        if (!streams_.find(h, &slot))
            return false;
        release(slot);
    }
    decoder_->wake(); // drops the feed, reclaims once the mixer has let go
    return true;
}

int SoundEngine::channelIsActive(Handle h) const {
    std::lock_guard lock(mutex_);
    std::uint32_t slot;
    const Stream *s = streams_.find(h, &slot);
    return s && isActive(*s, slot) ? 1 : 0;
}

std::uint64_t SoundEngine::channelGetLength(Handle h) const {
    std::lock_guard lock(mutex_);
    const Stream *s = streams_.find(h);
    return s ? s->lengthBytes() : kFailed;
}

std::uint64_t SoundEngine::channelGetPosition(Handle h) const {
    std::lock_guard lock(mutex_);
    std::uint32_t slot;
    const Stream *s = streams_.find(h, &slot);
    if (!s)
        return kFailed;
    return static_cast<std::uint64_t>(positionFrames(*s, slot)) * s->bytesPerFrame();
}

bool SoundEngine::channelSetPosition(Handle h, std::uint64_t bytes) {
    {
        std::lock_guard lock(mutex_);
        maintain();
        std::uint32_t slot;
        Stream *s = streams_.find(h, &slot);
        if (!s || bytes > s->lengthBytes())
            return false;
        // Positions fall on whole frames.
        const std::int64_t frame = static_cast<std::int64_t>(bytes / s->bytesPerFrame());
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
            c.voice = slot;
            c.cursor = out;
            c.epoch = s->epoch;
            s->lastSeq = s->cursorSeq = post(c);
        }
    }
    decoder_->wake(); // a feed to refill from the new place
    return true;
}

double SoundEngine::channelBytes2Seconds(Handle h, std::uint64_t bytes) const {
    std::lock_guard lock(mutex_);
    const Stream *s = streams_.find(h);
    if (!s)
        return -1.0;
    return static_cast<double>(bytes) / (static_cast<double>(s->rate) * s->channels * 2);
}

std::int64_t SoundEngine::outputFrames(Handle h) const {
    std::lock_guard lock(mutex_);
    const Stream *s = streams_.find(h);
    return s ? s->outFrames : 0;
}

} // namespace audio
