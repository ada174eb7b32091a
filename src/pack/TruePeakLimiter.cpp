#include "pack/TruePeakLimiter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>

#include "pipeline/TakeAnalysis.h"

namespace pack {

using namespace pipeline;

namespace {

constexpr int Oversampling = 4;
constexpr int TapsPerPhase = 48;
constexpr int HalfTaps = TapsPerPhase / 2;
// Passes of gain correction after the limiter: each one brings the loudness within a few
// hundredths of the target, the first one already within a few tenths.
constexpr int MaxPasses = 6;
constexpr double LoudnessStepLu = 0.1;
constexpr double CeilingStepDb = 0.05;

using Phase = std::array<float, TapsPerPhase>;

// The interpolator's phases between two samples (1/4, 2/4, 3/4): windowed sinc, taps from
// HalfTaps - 1 samples before to HalfTaps after, each phase scaled to a unit gain at DC.
const std::array<Phase, Oversampling - 1> &phases() {
    static const auto table = [] {
        std::array<Phase, Oversampling - 1> t{};
        const double width = HalfTaps + 0.5;
        for (int p = 1; p < Oversampling; ++p) {
            double sum = 0;
            for (int k = 0; k < TapsPerPhase; ++k) {
                const double u = (k - (HalfTaps - 1)) - double(p) / Oversampling;
                const double sinc = std::sin(M_PI * u) / (M_PI * u);
                const double window =
                    0.42 + 0.5 * std::cos(M_PI * u / width) + 0.08 * std::cos(2 * M_PI * u / width);
                t[static_cast<std::size_t>(p - 1)][static_cast<std::size_t>(k)] =
                    float(sinc * window);
                sum += sinc * window;
            }
            for (float &c : t[static_cast<std::size_t>(p - 1)])
                c = float(c / sum);
        }
        return t;
    }();
    return table;
}

double toDb(double linear) {
    return 20.0 * std::log10(linear);
}

double fromDb(double db) {
    return std::pow(10.0, db / 20.0);
}

} // namespace

std::vector<float> truePeakEnvelope(const std::vector<float> &samples) {
    const std::size_t n = samples.size();
    std::vector<float> peak(n);
    for (std::size_t i = 0; i < n; ++i)
        peak[i] = std::abs(samples[i]);
    // Zeros around the take, so that every tap reads a sample.
    std::vector<float> padded(n + TapsPerPhase, 0.0f);
    std::copy(samples.cbegin(), samples.cend(), padded.begin() + (HalfTaps - 1));
    std::vector<float> between(n);
    for (const Phase &phase : phases()) {
        // Tap by tap over the whole take: plain multiply-adds the compiler vectorises.
        std::fill(between.begin(), between.end(), 0.0f);
        for (std::size_t k = 0; k < TapsPerPhase; ++k) {
            const float c = phase[k];
            const float *from = padded.data() + k;
            for (std::size_t i = 0; i < n; ++i)
                between[i] += c * from[i];
        }
        for (std::size_t i = 0; i < n; ++i)
            peak[i] = std::max(peak[i], std::abs(between[i]));
    }
    // peak[i] covers [i, i + 1); a sample's gain must also hold the interval before it.
    for (std::size_t i = n; i-- > 1;)
        peak[i] = std::max(peak[i], peak[i - 1]);
    return peak;
}

double limitInto(const std::vector<float> &samples, const std::vector<float> &envelope, int rate,
                 double gainDb, double ceilingDb, std::vector<float> &out) {
    const std::size_t n = samples.size();
    out.resize(n);
    const double gain = fromDb(gainDb);
    const double ceiling = fromDb(ceilingDb);
    // The gain each sample may have at most.
    std::vector<float> allowed(n);
    bool limits = false;
    for (std::size_t i = 0; i < n; ++i) {
        const double peak = double(envelope[i]) * gain;
        allowed[i] = peak > ceiling ? float(ceiling / peak) : 1.0f;
        limits = limits || peak > ceiling;
    }
    if (!limits) {
        const auto g = float(gain);
        for (std::size_t i = 0; i < n; ++i)
            out[i] = samples[i] * g;
        return 0;
    }
    const auto ahead =
        static_cast<std::size_t>(std::max(1L, std::lround(rate * LimiterLookAheadMs / 1000.0)));
    // The least allowed gain over the look-ahead from each sample on (a sliding minimum)...
    std::vector<float> held(n);
    std::deque<std::size_t> window; // indices of rising allowed gains
    for (std::size_t i = n; i-- > 0;) {
        while (!window.empty() && allowed[window.back()] >= allowed[i])
            window.pop_back();
        window.push_back(i);
        if (window.front() > i + ahead)
            window.pop_front();
        held[i] = allowed[window.front()];
    }
    // ...averaged over the look-ahead before it: a ramp that reaches the peak's gain as the peak
    // arrives, since every minimum averaged there already holds it. Then a slow release.
    const double release = 1.0 - std::exp(-1000.0 / (LimiterReleaseMs * rate));
    double sum = double(held[0]) * double(ahead + 1);
    double current = held[0];
    double least = 1.0;
    for (std::size_t i = 0; i < n; ++i) {
        sum += double(held[i]) - double(held[i >= ahead + 1 ? i - ahead - 1 : 0]);
        const double ramp = std::min(sum / double(ahead + 1), 1.0);
        current = ramp < current ? ramp : current + (ramp - current) * release;
        least = std::min(least, current);
        out[i] = float(double(samples[i]) * gain * current);
    }
    return -toDb(least);
}

bool levelWithLimiter(const std::vector<float> &samples, int rate, double loudness, double target,
                      double ceilingDb, LimitedTake &out) {
    const std::vector<float> envelope = truePeakEnvelope(samples);
    double gain = target - loudness;
    double ceiling = ceilingDb;
    double lastGain = 0;
    double lastLoudness = 0;
    for (int pass = 0; pass < MaxPasses; ++pass) {
        out.reductionDb = limitInto(samples, envelope, rate, gain, ceiling, out.samples);
        out.gainDb = gain;
        TakeAnalyser analyser(rate, 1);
        analyser.add(out.samples.data(), static_cast<std::int64_t>(out.samples.size()));
        const TakeFacts facts = analyser.finish();
        if (!facts.levelLoudness() || !facts.truePeak)
            return false;
        out.loudness = *facts.levelLoudness();
        out.truePeak = *facts.truePeak;
        if (std::abs(out.loudness - target) <= LoudnessStepLu && out.truePeak <= ceilingDb)
            break;
        // Under the limiter a dB of gain brings less than a dB of loudness: the slope seen
        // between the last two passes says how much more to ask.
        double slope = 1.0;
        if (pass > 0 && std::abs(gain - lastGain) > 1e-3)
            slope = std::clamp((out.loudness - lastLoudness) / (gain - lastGain), 0.2, 1.0);
        lastGain = gain;
        lastLoudness = out.loudness;
        gain += (target - out.loudness) / slope;
        // The gain moving within a peak lets the true peak pass a little: aim lower.
        if (out.truePeak > ceilingDb)
            ceiling -= out.truePeak - ceilingDb + CeilingStepDb;
    }
    return true;
}

} // namespace pack
