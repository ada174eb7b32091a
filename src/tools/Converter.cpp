#include "tools/Converter.h"

namespace tools {

using namespace pipeline;

Converter::Converter(QString encoder, int parallel)
    : encoder_(std::move(encoder)), runner_(parallel) {}

bool Converter::start(const QList<ConversionTask> &tasks) {
    if (runner_.isRunning())
        return false;
    tasks_ = tasks;
    QList<core::BatchRunner::Task> jobs;
    for (const ConversionTask &task : tasks)
        jobs << [job = ConversionJob(task, encoder_)](const core::BatchRunner::Context &context) {
            return std::any(job.run(context.cancel, context.progress));
        };
    return runner_.start(std::move(jobs));
}

QList<ConversionOutcome> Converter::outcomes() const {
    QList<ConversionOutcome> out;
    for (int i = 0; i < runner_.count(); ++i) {
        const auto *outcome = std::any_cast<ConversionOutcome>(&runner_.result(i));
        out << (outcome ? *outcome : ConversionOutcome{ConversionOutcome::Status::Cancelled, {}});
    }
    return out;
}

} // namespace tools
