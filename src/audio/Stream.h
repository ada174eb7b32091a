#pragma once

#include "audio/Engine.h"
#include "audio/StreamFeed.h"
#include "audio/WholeCache.h"

#include <cstdint>
#include <memory>

namespace audio {

// What the engine keeps per stream: its format and length, its sound (kept whole, or streamed
// through a feed) and what was last asked of the mixer for it.
struct Stream {
    std::uint32_t flags = 0;
    int rate = 0;
    int channels = 0;
    std::int64_t srcFrames = 0;
    std::int64_t outFrames = 0;

    std::shared_ptr<const WholeSound> whole; // kept whole
    std::shared_ptr<StreamFeed> feed;        // streamed

    bool handed = false;      // the mixer may hold pointers into this stream's memory
    bool started = false;     // a command setting the cursor has been posted
    bool wantPlaying = false; // last play/stop request
    bool endTold = false;     // its end by itself has been announced
    std::uint64_t lastSeq = 0;
    std::uint64_t cursorSeq = 0;
    std::int64_t sentCursor = 0; // output frame given by the last cursor-setting command
    std::uint32_t epoch = 0;     // streamed: the feed's current seek
    // Position anchor: output frame baseOut corresponds exactly to source frame baseSrc, so
    // a seek reads back the very byte it was given.
    std::int64_t baseSrc = 0;
    std::int64_t baseOut = 0;

    std::uint64_t bytesPerFrame() const { return static_cast<std::uint64_t>(channels) * 2; }
    std::uint64_t lengthBytes() const { return srcFrames * bytesPerFrame(); }
    const std::int16_t *data() const { return whole ? whole->out.data() : nullptr; }
};

} // namespace audio
