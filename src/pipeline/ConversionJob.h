#pragma once

#include <QString>
#include <atomic>
#include <functional>

#include "pipeline/ConversionPlan.h"
#include "pipeline/EncoderRun.h"

namespace pipeline {

// Moves a checked temporary result to its name: over the old file in one step when `replace`
// (it stays whole until the new one is there), else never over an existing file. Returns the
// cause of a refusal in French, empty when placed.
QString placeEncoded(const QString &temp, const QString &destination, bool replace);

struct ConversionOutcome {
    enum class Status { Converted, Failed, Cancelled };
    Status status = Status::Failed;
    QString reason;       // in French, for a failure: why the file was not converted
    QString details = {}; // the encoder's own words about it, when it said something
};

// Converts one file, start to end, on the calling thread (a worker thread in the program):
// read the source through (decoding it into a clean WAV unless it is one already; a source with
// no sound stops here), encode within `bounds` to a hidden temporary file beside the
// destination, check that the result holds the expected length, then give it the destination's
// name.
//
// Whatever happens (a failure, a cancel, a crashed encoder) the temporary files are removed and
// the destination is left as it was; it changes only by the final rename.
class ConversionJob {
public:
    ConversionJob(ConversionTask task, QString encoder, EncoderBounds bounds = {});

    // `cancel` is polled between steps and while the encoder runs (it is then killed);
    // `progress` gets the share done within this file, 0 to 100, from this thread.
    ConversionOutcome run(const std::atomic<bool> &cancel,
                          const std::function<void(int)> &progress) const;

private:
    ConversionTask task_;
    QString encoder_;
    EncoderBounds bounds_;
};

} // namespace pipeline
