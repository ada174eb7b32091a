#include "pack/FloatResampler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace pack {

namespace {

// Zero crossings of the sinc kept on each side, and kernel values kept per input sample.
constexpr int Crossings = 16;
constexpr int TableSteps = 256;

} // namespace

std::vector<float> resampled(const std::vector<float> &in, int from, int to) {
    if (from == to || from <= 0 || to <= 0 || in.empty())
        return in;
    const double step = double(from) / to; // input samples per output sample
    // A little under the lower Nyquist frequency, in cycles per input sample.
    const double cutoff = 0.5 * std::min(1.0, double(to) / from) * 0.97;
    const double half = Crossings / (2 * cutoff); // kernel half-width, input samples
    const auto size = static_cast<std::size_t>(std::ceil(half * TableSteps)) + 2;
    std::vector<float> kernel(size);
    for (std::size_t i = 0; i < size; ++i) {
        const double u = double(i) / TableSteps;
        const double x = 2 * cutoff * u;
        const double sinc = x == 0 ? 1.0 : std::sin(M_PI * x) / (M_PI * x);
        const double w = u >= half ? 0.0
                                   : 0.42 + 0.5 * std::cos(M_PI * u / half) +
                                         0.08 * std::cos(2 * M_PI * u / half);
        kernel[i] = float(2 * cutoff * sinc * w);
    }
    const auto n = static_cast<std::int64_t>(in.size());
    const auto count = static_cast<std::int64_t>(double(n) * to / from);
    std::vector<float> out(static_cast<std::size_t>(count));
    for (std::int64_t j = 0; j < count; ++j) {
        const double t = double(j) * step;
        const auto first = std::max<std::int64_t>(0, std::int64_t(std::ceil(t - half)));
        const auto last = std::min<std::int64_t>(n - 1, std::int64_t(std::floor(t + half)));
        double sum = 0;
        for (std::int64_t k = first; k <= last; ++k) {
            const double at = std::abs(t - double(k)) * TableSteps;
            const auto i = static_cast<std::size_t>(at);
            const double frac = at - double(i);
            const double h = kernel[i] + (kernel[i + 1] - kernel[i]) * frac;
            sum += double(in[static_cast<std::size_t>(k)]) * h;
        }
        out[static_cast<std::size_t>(j)] = float(sum);
    }
    return out;
}

} // namespace pack
