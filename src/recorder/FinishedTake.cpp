#include "recorder/FinishedTake.h"

#include <algorithm>
#include <cmath>

#include "pack/PromptPreparation.h"
#include "pipeline/TakeAnalysis.h"
#include "pipeline/TakeTransform.h"
#include "playback/PeakBuilder.h"
#include "recorder/TakeRecorder.h"

namespace recorder {

FinishedTake finishTake(const std::vector<std::int16_t> &raw, std::uint64_t lostFrames) {
    FinishedTake take;
    take.lostFrames = lostFrames;
    std::vector<float> mono(raw.size());
    std::transform(raw.begin(), raw.end(), mono.begin(),
                   [](std::int16_t v) { return float(v) / 32768.0f; });
    const bool loud = std::any_of(mono.begin(), mono.end(),
                                  [](float v) { return std::abs(v) > pipeline::SilenceLevel; });
    take.silent = !loud;
    pipeline::trimSilence(mono, TakeRate, pack::PrepareOptions{}.marginMs, pipeline::SilenceLevel);

    pipeline::TakeAnalyser analyser(TakeRate, 1);
    analyser.add(mono.data(), static_cast<std::int64_t>(mono.size()));
    take.loudness = analyser.finish().levelLoudness();

    take.samples = pipeline::toPcm16(mono, 0.0);
    take.seconds = double(take.samples.size()) / TakeRate;
    take.peakDb = measure(take.samples.data(), take.samples.size()).peakDb;

    playback::PeakBuilder builder(1);
    builder.add(take.samples.data(), static_cast<std::int64_t>(take.samples.size()), take.peaks);
    builder.finish(take.peaks);
    take.peaks.complete = true;
    return take;
}

} // namespace recorder
