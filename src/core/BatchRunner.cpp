#include "core/BatchRunner.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>

#ifdef __linux__
#include <sched.h>
#endif

namespace core {

BatchRunner::BatchRunner(int parallel, QObject *parent) : QObject(parent) {
    pool_.setMaxThreadCount(parallel > 0 ? parallel : usableCores());
}

BatchRunner::~BatchRunner() {
    cancel_->store(true);
    pool_.waitForDone();
}

int BatchRunner::usableCores() {
#ifdef __linux__
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
#endif
    return std::max(1, QThread::idealThreadCount());
}

bool BatchRunner::start(QList<Task> tasks) {
    if (running_)
        return false;
    const auto n = static_cast<std::size_t>(tasks.size());
    results_.assign(n, std::any());
    ran_.assign(n, false);
    ended_.assign(n, false);
    nextInOrder_ = 0;
    remaining_ = static_cast<int>(n);
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    if (tasks.isEmpty()) {
        emit finished();
        return true;
    }
    running_ = true;
    for (int index = 0; index < tasks.size(); ++index) {
        // The pool starts tasks in the order they were queued.
        pool_.start([this, task = std::move(tasks[index]), cancel = cancel_, index] {
            if (cancel->load()) {
                QMetaObject::invokeMethod(
                    this, [this, index] { ended(index, {}, false); }, Qt::QueuedConnection);
                return;
            }
            QMetaObject::invokeMethod(
                this, [this, index] { emit taskStarted(index); }, Qt::QueuedConnection);
            int shown = -1;
            const Context context{
                *cancel, [this, index, &shown](int percent) {
                    if (percent == shown)
                        return;
                    shown = percent;
                    QMetaObject::invokeMethod(
                        this, [this, index, percent] { emit taskProgress(index, percent); },
                        Qt::QueuedConnection);
                }};
            std::any result;
            try {
                result = task(context);
            } catch (...) {
                // A task reports its failures in its result; one that throws has none to give.
            }
            QMetaObject::invokeMethod(
                this,
                [this, index, result = std::move(result)]() mutable {
                    ended(index, std::move(result), true);
                },
                Qt::QueuedConnection);
        });
    }
    return true;
}

void BatchRunner::cancel() {
    cancel_->store(true);
}

void BatchRunner::waitForDone() {
    pool_.waitForDone();
    // The tasks' last reports are queued for this thread; deliver them now.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void BatchRunner::ended(int index, std::any result, bool ran) {
    const auto i = static_cast<std::size_t>(index);
    results_[i] = std::move(result);
    ran_[i] = ran;
    ended_[i] = true;
    emit taskEnded(index);
    while (nextInOrder_ < count() && ended_[static_cast<std::size_t>(nextInOrder_)])
        emit resultReady(nextInOrder_++);
    if (--remaining_ == 0) {
        running_ = false;
        emit finished();
    }
}

} // namespace core
