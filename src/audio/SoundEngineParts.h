#pragma once

// What the engine keeps per stream, shared by the files that make up SoundEngine.

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "audio/DecoderThread.h"
#include "audio/Mixer.h"
#include "audio/SoundEngine.h"
#include "audio/StreamFeed.h"

namespace audio {

// Handle layout: bit 31 set (usable handles read negative), 19 bits of generation, 12 bits of
// slot. Slots are reused oldest-freed first, so a handle comes back only after about
// 4096 x 524286 creations.
constexpr std::uint32_t kSlotBits = 12;
constexpr std::uint32_t kSlotMask = (1u << kSlotBits) - 1;
constexpr std::uint32_t kGenerationBits = 19;
constexpr std::uint32_t kGenerationMask = (1u << kGenerationBits) - 1;
// The all-ones generation would make handle 0xFFFFFFFF (-1, not usable) for the last slot.
constexpr std::uint32_t kGenerations = kGenerationMask - 1;
static_assert((1u << kSlotBits) == Mixer::kMaxVoices);
constexpr std::uint64_t kFailed = std::numeric_limits<std::uint64_t>::max();

// A short file decoded whole and converted to the output format, shared by every stream of
// that file (a sentence names the same prompt many times).
struct WholeSound {
    int rate = 0;
    int channels = 0;
    std::int64_t srcFrames = 0;
    std::vector<std::int16_t> out;
};

struct SoundEngine::Stream {
    std::uint32_t flags = 0;
    int rate = 0;
    int channels = 0;
    std::int64_t srcFrames = 0;
    std::int64_t outFrames = 0;

    std::shared_ptr<const WholeSound> whole; // playing, kept whole
    std::shared_ptr<StreamFeed> feed;        // playing, streamed
    std::vector<std::int16_t> pcm;           // decode-only, kept whole
    std::unique_ptr<FileDecoder> reader;     // decode-only, read chunk by chunk
    std::uint64_t readPos = 0;               // decode-only: bytes delivered so far
    bool readEnded = false;

    bool handed = false;      // the mixer may hold pointers into this stream's memory
    bool started = false;     // a command setting the cursor has been posted
    bool wantPlaying = false; // last play/stop request
    std::uint64_t lastSeq = 0;
    std::uint64_t cursorSeq = 0;
    std::int64_t sentCursor = 0; // output frame given by the last cursor-setting command
    std::uint32_t epoch = 0;     // streamed: the feed's current seek
    // Position anchor: output frame baseOut corresponds exactly to source frame baseSrc, so
    // a seek reads back the very byte it was given.
    std::int64_t baseSrc = 0;
    std::int64_t baseOut = 0;

    bool decodeOnly() const { return flags & DecodeOnly; }
    std::uint64_t bytesPerFrame() const { return static_cast<std::uint64_t>(channels) * 2; }
    std::uint64_t lengthBytes() const { return srcFrames * bytesPerFrame(); }
    const std::int16_t *data() const { return whole ? whole->out.data() : nullptr; }
};

struct SoundEngine::Slot {
    std::uint32_t generation = 1;
    std::unique_ptr<Stream> stream;
};

struct SoundEngine::SentenceTable {
    // Sized once: the mixer reads the entries given so far while later ones are written.
    std::vector<SentenceEntry> entries;
    std::size_t given = 0;
    std::vector<std::shared_ptr<const WholeSound>> keep; // what the entries point into
};

struct SoundEngine::Grave {
    std::uint64_t seq = 0;
    std::shared_ptr<const WholeSound> whole;
    std::shared_ptr<StreamFeed> feed;
    std::unique_ptr<SentenceTable> sentence;
};

} // namespace audio
