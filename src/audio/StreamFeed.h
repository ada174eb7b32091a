#pragma once

#include "audio/Decoder.h"
#include "audio/FrameRing.h"
#include "audio/Resampler.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace audio {

// A file streamed to the mixer: the decoder thread reads it chunk by chunk, converts it to the
// output format and fills the ring; the audio callback plays the ring. Starts filling from the
// file's first frame (epoch 0) as soon as the decoder thread sees it, before any play.
//
// Threads: requestSeek(), retire() and the readers of the published values run on any engine
// thread; pump() on the decoder thread only; the ring's consumer side in the audio callback.
class StreamFeed {
public:
    // `counter`: a second decoder of the same file, given when that length is only an
    // estimate: the decoder thread counts the real length with it, in the background.
    explicit StreamFeed(std::unique_ptr<FileDecoder> decoder,
                        std::unique_ptr<FileDecoder> counter = nullptr);

    FrameRing &ring() { return ring_; }

    // From now on, blocks of `epoch` starting at source frame `src`, which is output frame
    // `out` of the stream.
    void requestSeek(std::uint32_t epoch, std::int64_t src, std::int64_t out);
    // The engine has let go; the decoder thread drops the feed.
    void retire() { retired_.store(true, std::memory_order_release); }
    bool retired() const { return retired_.load(std::memory_order_acquire); }
    // The file's exact length in source frames once counted or reached, else -1.
    std::int64_t endFrame() const { return endFrame_.load(std::memory_order_acquire); }

    // The ring is full (all of it but one block sound of the latest seek), or holds the epoch's
    // last block (any thread).
    bool buffered() const {
        return !requestFlag_.load(std::memory_order_acquire) &&
               buffered_.load(std::memory_order_acquire);
    }

    // Before the decoder thread knows of the feed: the first blocks, on the caller's thread,
    // so that a play right after creation finds sound at the first period.
    void prime(int blocks);

    // Decoder thread: fills the ring as far as it can. True if it produced anything.
    bool pump(int maxBlocks = FrameRing::kBlocks);

private:
    void restart(std::uint32_t epoch, std::int64_t src, std::int64_t out);
    std::int64_t pendingFrames() const {
        return static_cast<std::int64_t>(pending_.size() / 2) - pendingPos_;
    }
    void decodeMore();
    bool countSome();

    FrameRing ring_;
    std::atomic<bool> retired_{false};
    std::atomic<std::int64_t> endFrame_{-1};
    std::atomic<bool> buffered_{false};

    std::mutex requestMutex_;
    std::uint32_t reqEpoch_ = 0;
    std::int64_t reqSrc_ = 0;
    std::int64_t reqOut_ = 0;
    std::atomic<bool> requestFlag_{false};

    // Decoder thread only.
    std::unique_ptr<FileDecoder> decoder_;
    std::unique_ptr<FileDecoder> counter_;
    std::int64_t counted_ = 0;
    StreamConverter converter_;
    std::uint32_t epoch_ = 0;
    std::int64_t srcAt_ = 0;      // next source frame to decode
    std::int64_t outStart_ = 0;   // output frame of the epoch's first block
    std::int64_t produced_ = 0;   // output frames committed in this epoch
    std::size_t epochBlocks_ = 0; // blocks committed in this epoch
    bool sourceEnded_ = false;
    bool done_ = false;                 // the last block of the epoch is in the ring
    std::vector<std::int16_t> pending_; // converted frames not yet in the ring
    std::int64_t pendingPos_ = 0;
    std::vector<std::int16_t> readBuf_;
};

} // namespace audio
