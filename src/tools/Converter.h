#pragma once

#include <QList>
#include <QObject>
#include <QThreadPool>
#include <atomic>
#include <memory>

#include "pipeline/ConversionJob.h"
#include "pipeline/ConversionPlan.h"

namespace tools {

// Runs a list of conversions, one encoder per core at a time, off the UI thread, and reports
// on the thread that owns it. Each job runs on a pool thread; its progress and its outcome come
// back as queued calls, so the signals below are all emitted on the owner's thread.
class Converter : public QObject {
    Q_OBJECT
public:
    // `parallel` jobs at a time; 0 takes the number of cores this process may use.
    explicit Converter(QString encoder, int parallel = 0, QObject *parent = nullptr);
    ~Converter() override; // cancels and waits for the jobs

    // Starts converting the tasks in this order. False, doing nothing, while a run goes on.
    bool start(const QList<pipeline::ConversionTask> &tasks);
    bool isRunning() const { return running_; }
    // Asks every job to stop; `finished` follows once they all have.
    void cancel();
    // Blocks until every job has ended and the outcomes are in, then emits what is pending.
    void waitForDone();
    bool wasCancelled() const { return cancel_->load(); }

    const QList<pipeline::ConversionTask> &tasks() const { return tasks_; }
    const QList<pipeline::ConversionOutcome> &outcomes() const { return outcomes_; }
    int parallel() const { return pool_.maxThreadCount(); }

    // The number of cores this process may run on (its CPU affinity where the system tells).
    static int usableCores();

signals:
    void fileStarted(int index);
    void fileProgress(int index, int percent);
    void fileDone(int index);
    void finished();

private:
    void jobEnded(int index, const pipeline::ConversionOutcome &outcome);

    QString encoder_;
    QList<pipeline::ConversionTask> tasks_;
    QList<pipeline::ConversionOutcome> outcomes_;
    int remaining_ = 0;
    bool running_ = false;
    // Shared with the jobs, which may still look at it while this object is being destroyed.
    std::shared_ptr<std::atomic<bool>> cancel_ = std::make_shared<std::atomic<bool>>(false);
    QThreadPool pool_;
};

} // namespace tools
