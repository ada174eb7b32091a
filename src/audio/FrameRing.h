#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace audio {

// One block of output frames (44100 Hz stereo 16-bit) on its way from a decoder thread to the
// mixer. `epoch` names the seek it belongs to: after a seek the mixer drops the blocks of older
// epochs still in the ring, so the decoder never has to empty the ring itself. `last` marks
// the final block of its epoch (it may hold no frames).
struct FrameBlock {
    static constexpr int kFrames = 2048;
    std::uint32_t epoch = 0;
    std::int32_t frames = 0;
    bool last = false;
    std::int16_t samples[kFrames * 2];
};

// Bounded single-producer single-consumer ring of blocks, filled in place. The decoder thread
// produces, the audio callback consumes; neither side blocks or allocates (the blocks are
// allocated once, here).
class FrameRing {
public:
    static constexpr std::size_t kBlocks = 32; // about 1.5 s of sound

    FrameRing() : blocks_(std::make_unique<FrameBlock[]>(kBlocks)) {}

    // Producer: the block to fill next, or null when the ring is full; commit() publishes it.
    FrameBlock *writable() {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == kBlocks)
            return nullptr;
        return &blocks_[tail % kBlocks];
    }
    void commit() {
        tail_.store(tail_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    // Consumer: the oldest block, or null when the ring is empty; release() hands it back.
    const FrameBlock *readable() const {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire))
            return nullptr;
        return &blocks_[head % kBlocks];
    }
    void release() {
        head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    // Counted by the consumer when it found the ring empty while playing.
    std::atomic<std::uint64_t> underruns{0};

private:
    std::unique_ptr<FrameBlock[]> blocks_;
    alignas(64) std::atomic<std::size_t> head_{0};
    alignas(64) std::atomic<std::size_t> tail_{0};
};

} // namespace audio
