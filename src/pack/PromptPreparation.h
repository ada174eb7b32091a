#pragma once

#include <QString>
#include <atomic>
#include <functional>
#include <optional>

#include "pipeline/TakeAnalysis.h"
#include "pipeline/TakeTransform.h"

// One prompt made ready for the device: its source decoded in float, mixed to mono, trimmed,
// levelled, then encoded through the conversion's encoder job and checked after encoding.
namespace pack {

struct PrepareOptions {
    double loudness = -16.0; // LUFS
    double peak = -1.0;      // dBTP, the ceiling of the encoded file
    int marginMs = 50;       // silence kept at each end
    bool replace = false;    // an existing output may be replaced
    bool limiter = true;     // false: the gain alone, stopped by the ceiling
};

// The loudness targets a user may ask for, in LUFS.
constexpr double MinLoudness = -70.0;
constexpr double MaxLoudness = 0.0;

// Within this of the target loudness a prompt is levelled.
constexpr double LoudnessToleranceLu = 1.0;
// Past this reduction by the limiter a take is worth recording again.
constexpr double VeryPeakyDb = 6.0;

struct PromptTask {
    int row = -1;
    QString source;      // full path of the file the program plays for the prompt
    QString destination; // full path of <Id>.ogg
};

struct PromptResult {
    enum class Status { Prepared, Failed, Cancelled };
    Status status = Status::Failed;
    QString reason;      // in French, for a failure
    bool silent = false; // failed: nothing but silence in it, so nothing was written
    int channels = 0;
    pipeline::TakeFacts before; // the source as it is
    pipeline::ChannelChoice choice = pipeline::ChannelChoice::Mono;
    int channel = 0;
    double gainDb = 0;
    bool peakLimited = false;
    double limiterDb = 0; // the limiter's largest gain reduction
    pipeline::Trim trimmed;
    // Measured on a full decode of the written file.
    std::optional<double> loudnessAfter;
    std::optional<double> truePeakAfter;
    double secondsAfter = 0;

    bool prepared() const { return status == Status::Prepared; }
    bool withinTargets(const PrepareOptions &options) const;
    // Its peaks stand so far above its loudness that the limiter worked hard on it.
    bool veryPeaky() const { return limiterDb > VeryPeakyDb; }
};

// Prepares one prompt on the calling thread. Temporary files lie in the destination's folder,
// hidden, and are removed whatever happens; the destination changes only by the final rename.
// `progress` gets the share done, 0 to 100.
PromptResult preparePrompt(const PromptTask &task, const PrepareOptions &options,
                           const QString &encoder, const std::atomic<bool> &cancel,
                           const std::function<void(int)> &progress);

// What a full decode of an encoded file measures, for the check after encoding.
struct EncodedFacts {
    pipeline::TakeFacts facts;
    bool ok = false;
};
EncodedFacts measureFile(const QString &path);

} // namespace pack
