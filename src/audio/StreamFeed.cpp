#include "audio/StreamFeed.h"

#include <algorithm>
#include <cstring>

namespace audio {

namespace {

constexpr std::int64_t kReadFrames = 2048;

} // namespace

StreamFeed::StreamFeed(std::unique_ptr<FileDecoder> decoder, std::unique_ptr<FileDecoder> counter)
    : decoder_(std::move(decoder)), counter_(std::move(counter)),
      converter_(decoder_->rate(), decoder_->channels()) {
    readBuf_.resize(static_cast<std::size_t>(kReadFrames * decoder_->channels()));
}

void StreamFeed::requestSeek(std::uint32_t epoch, std::int64_t src, std::int64_t out) {
    std::lock_guard lock(requestMutex_);
    reqEpoch_ = epoch;
    reqSrc_ = src;
    reqOut_ = out;
    requestFlag_.store(true, std::memory_order_release);
}

void StreamFeed::restart(std::uint32_t epoch, std::int64_t src, std::int64_t out) {
    epoch_ = epoch;
    outStart_ = out;
    produced_ = 0;
    epochBlocks_ = 0;
    pending_.clear();
    pendingPos_ = 0;
    done_ = false;
    converter_.reset();
    sourceEnded_ = !decoder_->seek(src);
    srcAt_ = src;
}

void StreamFeed::decodeMore() {
    const std::int64_t got = decoder_->read(readBuf_.data(), kReadFrames);
    if (got > 0) {
        srcAt_ += got;
        converter_.put(readBuf_.data(), got, pending_);
        if (converter_.ok())
            return;
    }
    // The real end (or a file that broke mid-way): now the exact length is known, and the
    // epoch's output is trimmed or padded to what that length takes at the output rate.
    sourceEnded_ = true;
    counter_.reset();
    endFrame_.store(srcAt_, std::memory_order_release);
    converter_.finish(pending_);
    const std::int64_t total =
        std::max<std::int64_t>(outputFrameCount(srcAt_, decoder_->rate()) - outStart_, 0);
    const std::int64_t keep = std::max<std::int64_t>(total - produced_, 0);
    pending_.resize(static_cast<std::size_t>((pendingPos_ + keep) * 2), 0);
}

bool StreamFeed::countSome() {
    if (!counter_)
        return false;
    // A slice at a time, so that the ring is served between slices.
    for (int i = 0; i < 16; ++i) {
        const std::int64_t got = counter_->read(readBuf_.data(), kReadFrames);
        if (got <= 0) {
            counter_.reset();
            endFrame_.store(counted_, std::memory_order_release);
            return true;
        }
        counted_ += got;
    }
    return true;
}

void StreamFeed::prime(int blocks) {
    pump(blocks);
}

bool StreamFeed::pump(int maxBlocks) {
    if (requestFlag_.load(std::memory_order_acquire)) {
        buffered_.store(false, std::memory_order_release); // before the request is seen done
        requestFlag_.store(false, std::memory_order_release);
        std::uint32_t epoch;
        std::int64_t src, out;
        {
            std::lock_guard lock(requestMutex_);
            epoch = reqEpoch_;
            src = reqSrc_;
            out = reqOut_;
        }
        restart(epoch, src, out);
    }
    bool worked = false;
    for (int blocks = 0;
         blocks < maxBlocks && !done_ && !requestFlag_.load(std::memory_order_acquire); ++blocks) {
        FrameBlock *b = ring_.writable();
        if (!b) {
            // Full, with at most one block from before the latest seek: the one this thread
            // may have been committing while the mixer dropped the stale ones. The mixer drops
            // that one too as it reaches it, so the rest is sound of this epoch.
            if (epochBlocks_ + 1 >= FrameRing::kBlocks)
                buffered_.store(true, std::memory_order_release);
            break;
        }
        buffered_.store(false, std::memory_order_release);
        while (pendingFrames() < FrameBlock::kFrames && !sourceEnded_)
            decodeMore();
        const std::int64_t n = std::min<std::int64_t>(FrameBlock::kFrames, pendingFrames());
        std::memcpy(b->samples, pending_.data() + 2 * pendingPos_,
                    static_cast<std::size_t>(n) * 2 * sizeof(std::int16_t));
        pendingPos_ += n;
        b->epoch = epoch_;
        b->frames = static_cast<std::int32_t>(n);
        b->last = sourceEnded_ && pendingFrames() == 0;
        done_ = b->last;
        ring_.commit();
        produced_ += n;
        ++epochBlocks_;
        if (done_)
            buffered_.store(true, std::memory_order_release);
        worked = true;
        if (pendingPos_ > 4 * FrameBlock::kFrames) {
            pending_.erase(pending_.begin(), pending_.begin() + 2 * pendingPos_);
            pendingPos_ = 0;
        }
    }
    // With the ring served, the spare time counts the real length.
    if (!worked && maxBlocks == FrameRing::kBlocks && !requestFlag_.load(std::memory_order_acquire))
        worked = countSome();
    return worked;
}

} // namespace audio
