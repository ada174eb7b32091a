#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

#include "core/BatchRunner.h"
#include "pack/PromptPreparation.h"

// A whole pack made ready for the device: every prompt with a file in the source folder, the
// file the program plays for it, becomes <Id>.ogg in the destination folder.
namespace pack {

struct PreparationPlan {
    QString source;      // absolute
    QString destination; // absolute
    QVector<PromptTask> tasks;
    QStringList existing; // outputs already in the destination, by name
    // Outputs in the destination for prompts with no source any more: left from an earlier
    // run, never deleted, named in the report.
    QStringList leftOver;
    QString error; // in French: the two folders cannot be used together
};

// Reads the source folder once; touches nothing.
PreparationPlan planPreparation(const QString &source, const QString &destination);

// Creates the destination folder if needed and tries a file in it: empty when it can be
// written, else why not in French, with the system's own reason.
QString openDestination(const QString &destination);

struct PreparationReport {
    QString source;
    QString destination;
    PrepareOptions options;
    QVector<PromptTask> tasks;
    QVector<PromptResult> results; // one per task
    QStringList leftOver;          // as in the plan
    bool cancelled = false;
    // Largest minus smallest loudness of the prompts, LU.
    std::optional<double> spreadBefore() const;
    std::optional<double> spreadAfter() const;
    int preparedCount() const;
    // Prepared but off the loudness or over the ceiling, by index.
    QVector<int> outsideTargets() const;
    // 0: every prompt prepared within its targets and nothing left over; 1: otherwise.
    int exitCode() const;
};

// A report for `plan` with no result in yet: each prompt failed for `reason` until its own is in.
PreparationReport newReport(const PreparationPlan &plan, const PrepareOptions &options,
                            const QString &reason = QString());

// Creates the destination folder if needed; the cause in French when it cannot, else empty.
QString makeDestination(const PreparationPlan &plan);

// One task per prompt of the plan, for a batch runner; each returns its PromptResult. The plan
// must hold no error, and no existing output unless the options allow replacing.
QList<core::BatchRunner::Task> preparationTasks(const PreparationPlan &plan,
                                                const PrepareOptions &options,
                                                const QString &encoder);

// The results of a finished run of those tasks put into `report`, in plan order: a prompt never
// started was cancelled.
void takeResults(PreparationReport &report, const core::BatchRunner &runner);

// Creates the destination folder, then prepares the tasks, `parallel` at a time, blocking until
// all have ended.
PreparationReport preparePack(const PreparationPlan &plan, const PrepareOptions &options,
                              const QString &encoder, int parallel);

} // namespace pack
