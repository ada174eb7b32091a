#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace audio {

// Captured samples (mono 16-bit) on their way from the capture callback to the recorder: a
// bounded single-producer single-consumer ring, allocated once. The callback writes what fits
// and counts the rest as lost; neither side blocks or allocates.
class CaptureRing {
public:
    static constexpr std::size_t kCapacity = std::size_t{1} << 18; // about 6 s at 44.1 kHz

    CaptureRing() : samples_(std::make_unique<std::int16_t[]>(kCapacity)) {}

    // Producer: copies what fits of `count` samples; the rest is counted in `lost`.
    void write(const std::int16_t *in, std::size_t count) {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        const std::size_t room = kCapacity - (tail - head_.load(std::memory_order_acquire));
        const std::size_t n = std::min(count, room);
        copyIn(tail, in, n);
        tail_.store(tail + n, std::memory_order_release);
        written_.fetch_add(n, std::memory_order_relaxed);
        if (n < count)
            lost_.fetch_add(count - n, std::memory_order_relaxed);
    }

    // Consumer: moves up to `max` samples out; how many.
    std::size_t read(std::int16_t *out, std::size_t max) {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        const std::size_t n = std::min(max, tail_.load(std::memory_order_acquire) - head);
        for (std::size_t i = 0; i < n;) {
            const std::size_t at = (head + i) & (kCapacity - 1);
            const std::size_t run = std::min(n - i, kCapacity - at);
            std::copy_n(samples_.get() + at, run, out + i);
            i += run;
        }
        head_.store(head + n, std::memory_order_release);
        return n;
    }

    std::size_t available() const {
        return tail_.load(std::memory_order_acquire) - head_.load(std::memory_order_relaxed);
    }
    // Samples that did not fit since the ring was made (an overrun: the reader fell behind).
    std::uint64_t lost() const { return lost_.load(std::memory_order_relaxed); }
    // Samples delivered into the ring since it was made.
    std::uint64_t written() const { return written_.load(std::memory_order_relaxed); }

private:
    void copyIn(std::size_t tail, const std::int16_t *in, std::size_t n) {
        for (std::size_t i = 0; i < n;) {
            const std::size_t at = (tail + i) & (kCapacity - 1);
            const std::size_t run = std::min(n - i, kCapacity - at);
            std::copy_n(in + i, run, samples_.get() + at);
            i += run;
        }
    }

    std::unique_ptr<std::int16_t[]> samples_;
    alignas(64) std::atomic<std::size_t> head_{0};
    alignas(64) std::atomic<std::size_t> tail_{0};
    alignas(64) std::atomic<std::uint64_t> lost_{0};
    std::atomic<std::uint64_t> written_{0};
};

} // namespace audio
