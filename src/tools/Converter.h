#pragma once

#include <QList>
#include <QObject>

#include "core/BatchRunner.h"
#include "pipeline/ConversionJob.h"
#include "pipeline/ConversionPlan.h"

namespace tools {

using pipeline::ConversionOutcome;
using pipeline::ConversionTask;

// A list of conversions run as a batch, one encoder per core at a time, off the UI thread. Its
// runner tells the progress and the end on the owner's thread; the outcomes are in list order.
class Converter {
public:
    // `parallel` jobs at a time; 0 takes the number of cores this process may use.
    explicit Converter(QString encoder, int parallel = 0);

    // Starts converting the tasks in this order. False, doing nothing, while a run goes on.
    bool start(const QList<ConversionTask> &tasks);
    bool isRunning() const { return runner_.isRunning(); }
    // Asks every job to stop; the runner's `finished` follows once they all have.
    void cancel() { runner_.cancel(); }
    // Blocks until every job has ended and the outcomes are in.
    void waitForDone() { runner_.waitForDone(); }
    bool wasCancelled() const { return runner_.wasCancelled(); }

    const QList<ConversionTask> &tasks() const { return tasks_; }
    // One per task; a task never started counts as cancelled.
    QList<ConversionOutcome> outcomes() const;
    int parallel() const { return runner_.parallel(); }
    core::BatchRunner &runner() { return runner_; }

private:
    QString encoder_;
    QList<ConversionTask> tasks_;
    core::BatchRunner runner_;
};

} // namespace tools
