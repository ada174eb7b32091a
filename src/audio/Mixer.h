#pragma once

#include "audio/FrameRing.h"
#include "audio/SpscQueue.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace audio {

// One slot of a scheduled sentence: `data` (44100 Hz stereo, may be null for silence) sounds
// from the slot's first frame and is cut at its end. `voice` names the stream the data came
// from, so that releasing that stream silences the slot.
struct SentenceEntry {
    const std::int16_t *data = nullptr;
    std::int64_t dataFrames = 0;
    std::int64_t slotFrames = 0;
    std::uint32_t voice = ~0u;
};

struct MixerCommand {
    enum class Kind : std::uint8_t {
        Play,
        Stop,
        Seek,
        Release,
        Sentence,
        SentenceMore,
        CancelSentence
    };
    Kind kind = Kind::Stop;
    std::uint32_t voice = 0;
    const std::int16_t *data = nullptr; // Play: the voice's samples, or null for a ring
    FrameRing *ring = nullptr;          // Play: where a streamed voice's frames arrive
    std::uint32_t epoch = 0;            // Play, Seek of a ring voice: blocks to play
    std::int64_t frames = 0;            // Play: length of data in frames
    std::int64_t cursor = -1;           // Play: start frame, -1 to resume; Seek: new frame
    SentenceEntry *sentence = nullptr;  // Sentence, SentenceMore: entries, owned by the sender
    std::uint32_t sentenceCount = 0;    // Sentence: slots in all
    std::uint32_t sentenceReady = 0;    // Sentence, SentenceMore: entries written so far
    std::uint64_t seq = 0;              // increasing; published once applied
};

// Mixes the playing voices and the scheduled sentence into 44100 Hz stereo 16-bit frames.
// Pure: it knows nothing of devices. One thread posts commands, one (the audio callback, or a
// test by hand) renders; commands posted before a render take effect on its first frame.
// Sample data and rings handed over stay owned by the sender, who may free them only once
// processedSeq() has reached the Release (or Sentence/CancelSentence) command that dropped them.
// A sentence plays its entries in turn as they are made ready; at one not ready yet it waits on
// silence, and it ends after its last.
// A ring voice plays the blocks of its epoch as they arrive, renders silence when the ring is
// empty (an underrun: its cursor waits) and ends after the block marked last.
class Mixer {
public:
    static constexpr int kMaxVoices = 4096;

    Mixer();

    // Producer side. False when the queue is full (retry later).
    bool post(const MixerCommand &command);

    // Consumer side: never blocks, allocates or frees.
    void render(std::int16_t *out, int frames);

    // Consumer must be idle: applies what is queued, then silences everything.
    void reset();

    // Published state, readable from the producer thread.
    std::uint64_t processedSeq() const { return processedSeq_.load(std::memory_order_acquire); }
    std::int64_t framesRendered() const { return framesRendered_.load(std::memory_order_acquire); }
    std::uint64_t voiceAck(std::uint32_t v) const {
        return status_[v].ack.load(std::memory_order_acquire);
    }
    std::int64_t voiceCursor(std::uint32_t v) const {
        return status_[v].cursor.load(std::memory_order_acquire);
    }
    bool voicePlaying(std::uint32_t v) const {
        return status_[v].playing.load(std::memory_order_acquire);
    }
    bool sentencePlaying() const { return sentenceActive_.load(std::memory_order_acquire); }

private:
    static constexpr int kChunk = 1024;

    struct Voice {
        const std::int16_t *data = nullptr;
        FrameRing *ring = nullptr;
        std::uint32_t epoch = 0;
        std::int32_t blockOffset = 0; // frames of the ring's oldest block already played
        std::int64_t frames = 0;
        std::int64_t cursor = 0;
        bool playing = false;
    };
    struct VoiceStatus {
        std::atomic<std::int64_t> cursor{0};
        std::atomic<bool> playing{false};
        std::atomic<std::uint64_t> ack{0};
    };

    void apply(const MixerCommand &c);
    void publish(std::uint32_t v);
    void mixChunk(std::int16_t *out, int frames);
    void mixSentence(std::int32_t *acc, int frames);
    void mixRing(Voice &v, std::int32_t *acc, int frames);
    static void dropStale(Voice &v);

    SpscQueue<MixerCommand, 1024> queue_;
    std::array<Voice, kMaxVoices> voices_{};
    std::array<VoiceStatus, kMaxVoices> status_{};
    std::array<std::int32_t, kChunk * 2> acc_{};

    SentenceEntry *sentence_ = nullptr;
    std::uint32_t sentenceCount_ = 0;
    std::uint32_t sentenceReady_ = 0;
    std::uint32_t sentenceIndex_ = 0;
    std::int64_t sentenceOffset_ = 0;

    std::atomic<bool> sentenceActive_{false};
    std::atomic<std::uint64_t> processedSeq_{0};
    std::atomic<std::int64_t> framesRendered_{0};
};

} // namespace audio
