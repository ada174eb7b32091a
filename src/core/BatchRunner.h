#pragma once

#include <QList>
#include <QObject>
#include <QThreadPool>
#include <any>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace core {

// Runs a list of tasks off the calling thread, `parallel` at a time, for every long job of the
// program (a conversion, a preparation, from the window or the command line).
//
// Tasks start in list order. Each polls the cancel flag it is given; once cancel() is called,
// the tasks not yet started are never started. Every signal is emitted on the thread that owns
// the runner (the reports cross as queued calls), so a slot may touch widgets.
class BatchRunner : public QObject {
    Q_OBJECT
public:
    // What a task sees while it runs on its worker thread.
    struct Context {
        const std::atomic<bool> &cancel;
        // The share of this task done, 0 to 100; repeats are dropped before they cross.
        std::function<void(int percent)> progress;
    };
    // Returns its result, read back with result() once it has ended.
    using Task = std::function<std::any(const Context &)>;

    // `parallel` at a time; 0 takes one per core this process may use.
    explicit BatchRunner(int parallel = 0, QObject *parent = nullptr);
    ~BatchRunner() override; // cancels and waits for the running tasks

    // Starts the tasks. False, doing nothing, while a run goes on. An empty list finishes at once.
    bool start(QList<Task> tasks);
    bool isRunning() const { return running_; }
    // The running tasks are asked to stop (they poll the flag) and no other starts; `finished`
    // follows once the running ones have returned.
    void cancel();
    bool wasCancelled() const { return cancel_->load(); }
    // Blocks until every task has ended, then emits what is pending (from the owner's thread).
    void waitForDone();

    int count() const { return static_cast<int>(results_.size()); }
    int parallel() const { return pool_.maxThreadCount(); }
    // Whether task `index` ran (it was started before any cancel).
    bool ran(int index) const { return ran_.at(static_cast<std::size_t>(index)); }
    // What task `index` returned; empty while it runs or when it never ran.
    const std::any &result(int index) const { return results_.at(static_cast<std::size_t>(index)); }

    // The number of cores this process may run on (its CPU affinity where the system tells).
    static int usableCores();

signals:
    void taskStarted(int index);
    void taskProgress(int index, int percent);
    // In the order the tasks end: for progress.
    void taskEnded(int index);
    // In list order: task `index` has ended, and so has every task before it.
    void resultReady(int index);
    void finished();

private:
    void ended(int index, std::any result, bool ran);

    std::vector<std::any> results_;
    std::vector<bool> ran_;
    std::vector<bool> ended_;
    int nextInOrder_ = 0;
    int remaining_ = 0;
    bool running_ = false;
    // Shared with the tasks, which may still look at it while this object is being destroyed.
    std::shared_ptr<std::atomic<bool>> cancel_ = std::make_shared<std::atomic<bool>>(false);
    QThreadPool pool_;
};

} // namespace core
