#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// Whether a take's channels may be mixed to mono: a pair where one channel is inverted (or one
// is silent) cancels in the mix, and the louder channel alone is then the better mono. Shared by
// the preparation, the check and the conversion, so that all three decide alike.
namespace core {

// A mono mix this far below the louder channel means the channels cancel.
constexpr double CancellingMixDb = 6.0;

class ChannelBalance {
public:
    explicit ChannelBalance(int channels)
        : channels_(std::max(channels, 0)), energy_(static_cast<std::size_t>(channels_)) {}

    // Interleaved frames, full scale at 1.0 or at 32768.
    template <typename Sample> void add(const Sample *samples, std::int64_t frames) {
        for (std::int64_t f = 0; f < frames; ++f) {
            const Sample *frame = samples + f * channels_;
            double mix = 0;
            for (int c = 0; c < channels_; ++c) {
                const double v = frame[c];
                energy_[static_cast<std::size_t>(c)] += v * v;
                mix += v;
            }
            mix /= channels_;
            mixEnergy_ += mix * mix;
        }
    }

    int loudestChannel() const {
        return static_cast<int>(std::max_element(energy_.cbegin(), energy_.cend()) -
                                energy_.cbegin());
    }
    bool cancels() const {
        if (channels_ < 2)
            return false;
        const double loudest = energy_[static_cast<std::size_t>(loudestChannel())];
        return loudest > 0 &&
               10.0 * std::log10(std::max(mixEnergy_, 1e-30) / loudest) < -CancellingMixDb;
    }
    // The channel to keep alone, or -1 for the mean of them all.
    int monoChannel() const { return cancels() ? loudestChannel() : -1; }

private:
    int channels_;
    std::vector<double> energy_;
    double mixEnergy_ = 0;
};

} // namespace core
