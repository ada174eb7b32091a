#include "audio/Mixer.h"

#include <algorithm>

namespace audio {

Mixer::Mixer() = default;

bool Mixer::post(const MixerCommand &command) {
    return queue_.push(command);
}

void Mixer::publish(std::uint32_t v) {
    status_[v].cursor.store(voices_[v].cursor, std::memory_order_relaxed);
    status_[v].playing.store(voices_[v].playing, std::memory_order_release);
}

void Mixer::apply(const MixerCommand &c) {
    using Kind = MixerCommand::Kind;
    switch (c.kind) {
    case Kind::Play:
    case Kind::Stop:
    case Kind::Seek:
    case Kind::Release: {
        if (c.voice >= kMaxVoices)
            break;
        Voice &v = voices_[c.voice];
        if (c.kind == Kind::Play) {
            if (v.ring != c.ring || v.epoch != c.epoch)
                v.blockOffset = 0;
            v.data = c.data;
            v.ring = c.ring;
            v.epoch = c.epoch;
            v.frames = c.frames;
            if (c.cursor >= 0)
                v.cursor = c.cursor;
            if (v.ring) {
                v.cursor = std::max<std::int64_t>(v.cursor, 0);
                v.playing = true;
                dropStale(v);
            } else {
                v.cursor = std::clamp<std::int64_t>(v.cursor, 0, v.frames);
                v.playing = v.data != nullptr && v.cursor < v.frames;
            }
        } else if (c.kind == Kind::Stop) {
            v.playing = false;
        } else if (c.kind == Kind::Seek) {
            if (v.ring) {
                v.cursor = std::max<std::int64_t>(c.cursor, 0);
                if (v.epoch != c.epoch)
                    v.blockOffset = 0;
                v.epoch = c.epoch;
                dropStale(v);
            } else {
                v.cursor = std::clamp<std::int64_t>(c.cursor, 0, v.frames);
            }
        } else {
            v = Voice{};
            // The stream may also sound in the sentence: silence it there (only in the entries
            // made ready: the sender may be writing the others).
            for (std::uint32_t i = 0; sentence_ && i < sentenceReady_; ++i) {
                if (sentence_[i].voice == c.voice)
                    sentence_[i].data = nullptr;
            }
        }
        publish(c.voice);
        status_[c.voice].ack.store(c.seq, std::memory_order_release);
        break;
    }
    case Kind::Sentence:
        sentence_ = c.sentence;
        sentenceCount_ = c.sentence ? c.sentenceCount : 0;
        sentenceReady_ = std::min(c.sentenceReady, sentenceCount_);
        sentenceIndex_ = 0;
        sentenceOffset_ = 0;
        sentenceActive_.store(sentenceCount_ > 0, std::memory_order_release);
        break;
    case Kind::SentenceMore:
        // Only for the sentence it was made for: one that has been cancelled stays silent.
        if (c.sentence && c.sentence == sentence_)
            sentenceReady_ = std::max(sentenceReady_, std::min(c.sentenceReady, sentenceCount_));
        break;
    case Kind::CancelSentence:
        sentence_ = nullptr;
        sentenceCount_ = 0;
        sentenceReady_ = 0;
        sentenceActive_.store(false, std::memory_order_release);
        break;
    }
    processedSeq_.store(c.seq, std::memory_order_release);
}

void Mixer::render(std::int16_t *out, int frames) {
    MixerCommand c;
    while (queue_.pop(c))
        apply(c);
    for (int done = 0; done < frames;) {
        const int n = std::min(kChunk, frames - done);
        mixChunk(out + 2 * done, n);
        done += n;
    }
    framesRendered_.fetch_add(frames, std::memory_order_acq_rel);
}

void Mixer::mixSentence(std::int32_t *acc, int frames) {
    int k = 0;
    // At an entry not ready yet the sentence waits, on silence.
    while (k < frames && sentence_ && sentenceIndex_ < sentenceReady_) {
        const SentenceEntry &e = sentence_[sentenceIndex_];
        const std::int64_t slot = std::max<std::int64_t>(e.slotFrames, 0);
        const std::int64_t m = std::min<std::int64_t>(slot - sentenceOffset_, frames - k);
        if (e.data) {
            const std::int64_t audible = std::min(slot, e.dataFrames);
            const std::int64_t end = std::min(sentenceOffset_ + m, audible);
            for (std::int64_t f = sentenceOffset_; f < end; ++f) {
                const std::int64_t o = 2 * (k + (f - sentenceOffset_));
                acc[o] += e.data[2 * f];
                acc[o + 1] += e.data[2 * f + 1];
            }
        }
        sentenceOffset_ += m;
        k += static_cast<int>(m);
        if (sentenceOffset_ >= slot) {
            ++sentenceIndex_;
            sentenceOffset_ = 0;
        }
    }
    if (sentence_ && sentenceIndex_ >= sentenceCount_) {
        sentence_ = nullptr;
        sentenceCount_ = 0;
        sentenceReady_ = 0;
        sentenceActive_.store(false, std::memory_order_release);
    }
}

void Mixer::dropStale(Voice &v) {
    // Blocks from before a seek go at once, so the decoder has room for the new ones.
    for (const FrameBlock *b; (b = v.ring->readable()) && b->epoch < v.epoch;) {
        v.ring->release();
        v.blockOffset = 0;
    }
}

void Mixer::mixRing(Voice &v, std::int32_t *acc, int frames) {
    int k = 0;
    while (k < frames) {
        const FrameBlock *b = v.ring->readable();
        if (!b || b->epoch > v.epoch) {
            // The decoder is behind, or already serving a seek this voice has not been told of
            // yet: silence, and the cursor waits for the sound.
            v.ring->underruns.fetch_add(1, std::memory_order_relaxed);
            return;
        }
        if (b->epoch < v.epoch) { // left over from before a seek
            v.ring->release();
            v.blockOffset = 0;
            continue;
        }
        const int n = std::min(frames - k, b->frames - v.blockOffset);
        const std::int16_t *src = b->samples + 2 * v.blockOffset;
        for (int s = 0; s < 2 * n; ++s)
            acc[2 * k + s] += src[s];
        k += n;
        v.cursor += n;
        v.blockOffset += n;
        if (v.blockOffset >= b->frames) {
            const bool last = b->last;
            v.ring->release();
            v.blockOffset = 0;
            if (last) {
                v.playing = false;
                return;
            }
        }
    }
}

void Mixer::mixChunk(std::int16_t *out, int frames) {
    std::int32_t *acc = acc_.data();
    std::fill(acc, acc + 2 * frames, 0);

    for (std::uint32_t i = 0; i < kMaxVoices; ++i) {
        Voice &v = voices_[i];
        if (!v.playing)
            continue;
        if (v.ring) {
            mixRing(v, acc, frames);
            publish(i);
            continue;
        }
        const std::int64_t n = std::min<std::int64_t>(frames, v.frames - v.cursor);
        const std::int16_t *src = v.data + 2 * v.cursor;
        for (std::int64_t s = 0; s < 2 * n; ++s)
            acc[s] += src[s];
        v.cursor += n;
        if (v.cursor >= v.frames)
            v.playing = false;
        publish(i);
    }
    mixSentence(acc, frames);

    for (int s = 0; s < 2 * frames; ++s)
        out[s] = static_cast<std::int16_t>(std::clamp(acc[s], -32768, 32767));
}

void Mixer::reset() {
    MixerCommand c;
    while (queue_.pop(c))
        apply(c);
    for (std::uint32_t i = 0; i < kMaxVoices; ++i) {
        voices_[i].playing = false;
        publish(i);
    }
    sentence_ = nullptr;
    sentenceCount_ = 0;
    sentenceReady_ = 0;
    sentenceActive_.store(false, std::memory_order_release);
}

} // namespace audio
