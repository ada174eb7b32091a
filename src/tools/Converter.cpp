#include "tools/Converter.h"

#include <QCoreApplication>
#include <QThread>

#ifdef __linux__
#include <sched.h>
#endif

namespace tools {

using namespace pipeline;

Converter::Converter(QString encoder, int parallel, QObject *parent)
    : QObject(parent), encoder_(std::move(encoder)) {
    pool_.setMaxThreadCount(parallel > 0 ? parallel : usableCores());
}

Converter::~Converter() {
    cancel_->store(true);
    pool_.waitForDone();
}

int Converter::usableCores() {
#ifdef __linux__
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
#endif
    return std::max(1, QThread::idealThreadCount());
}

bool Converter::start(const QList<ConversionTask> &tasks) {
    if (running_)
        return false;
    tasks_ = tasks;
    outcomes_ = QList<ConversionOutcome>(tasks.size());
    remaining_ = static_cast<int>(tasks.size());
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    running_ = true;
    if (tasks.isEmpty()) {
        running_ = false;
        emit finished();
        return true;
    }
    for (int index = 0; index < tasks.size(); ++index) {
        const ConversionJob job(tasks[index], encoder_);
        auto cancel = cancel_;
        // The pool starts jobs in the order they were queued, so files begin in list order.
        pool_.start([this, job, cancel, index] {
            ConversionOutcome outcome{ConversionOutcome::Status::Cancelled, {}};
            if (!cancel->load()) {
                QMetaObject::invokeMethod(
                    this, [this, index] { emit fileStarted(index); }, Qt::QueuedConnection);
                int shown = -1;
                outcome = job.run(*cancel, [&](int percent) {
                    if (percent == shown)
                        return;
                    shown = percent;
                    QMetaObject::invokeMethod(
                        this, [this, index, percent] { emit fileProgress(index, percent); },
                        Qt::QueuedConnection);
                });
            }
            QMetaObject::invokeMethod(
                this, [this, index, outcome] { jobEnded(index, outcome); }, Qt::QueuedConnection);
        });
    }
    return true;
}

void Converter::cancel() {
    cancel_->store(true);
}

void Converter::waitForDone() {
    pool_.waitForDone();
    // The jobs' last reports are queued for this thread; deliver them now.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void Converter::jobEnded(int index, const ConversionOutcome &outcome) {
    outcomes_[index] = outcome;
    emit fileDone(index);
    if (--remaining_ == 0) {
        running_ = false;
        emit finished();
    }
}

} // namespace tools
