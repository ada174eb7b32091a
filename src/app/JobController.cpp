#include "app/JobController.h"

#include <QWidget>

#include "app/JobProgress.h"
#include "ui/Dialogs.h"

namespace app {

JobController::JobController(QWidget *window, ui::Dialogs &dialogs, QObject *parent)
    : QObject(parent), dialogs_(dialogs), progress_(new JobProgress(window)) {
    connect(progress_, &JobProgress::cancelRequested, this, &JobController::cancel);
}

JobController::~JobController() = default;

bool JobController::mayStart() {
    if (!isRunning())
        return true;
    progress_->raise();
    dialogs_.message(job_.name + QStringLiteral(" est déjà en cours.\r\n"
                                                "Attendez qu'elle se termine ou annulez-la."),
                     QStringLiteral("Attention !"), ui::Icon::Exclamation, ui::Buttons::Ok);
    return false;
}

void JobController::begin(const core::JobSpec &job, core::BatchRunner &runner,
                          std::function<void()> ended) {
    job_ = job;
    ended_ = std::move(ended);
    runner_ = &runner;
    connect(&runner, &core::BatchRunner::taskStarted, progress_, &JobProgress::fileStarted);
    connect(&runner, &core::BatchRunner::taskProgress, progress_, &JobProgress::fileProgress);
    connect(&runner, &core::BatchRunner::taskEnded, progress_, &JobProgress::fileDone);
    connect(&runner, &core::BatchRunner::finished, this, &JobController::finished);
    progress_->begin(job.title, job.items);
    progress_->show();
}

void JobController::cancel() {
    if (!isRunning())
        return;
    progress_->cancelling();
    runner_->cancel();
}

bool JobController::confirmClose() {
    return !isRunning() ||
           dialogs_.message(job_.name + QStringLiteral(" est en cours. Voulez-vous l'interrompre "
                                                       "et quitter ?"),
                            QStringLiteral("Attention !"), ui::Icon::Question,
                            ui::Buttons::YesNoDefaultNo) == ui::Answer::Yes;
}

void JobController::shutdown() {
    closing_ = true;
    if (!isRunning())
        return;
    runner_->cancel();
    runner_->waitForDone(); // delivers `finished`
}

void JobController::finished() {
    // The runner may run another job later, for another controller: it reports here no more.
    runner_->disconnect(progress_);
    runner_->disconnect(this);
    runner_ = nullptr;
    progress_->hide();
    const std::function<void()> ended = std::move(ended_);
    ended_ = nullptr;
    if (!closing_ && ended)
        ended();
}

} // namespace app
