#pragma once

#include <QObject>
#include <QPointer>

#include "core/BatchRunner.h"
#include "core/JobHost.h"

class QWidget;
namespace ui {
class Dialogs;
}

namespace app {

class JobProgress;

// Every long job of the window (a conversion, a preparation) goes through here: one at a time,
// shown in one progress window with "Annuler", stopped by Escape, asked about before the window
// closes, and ended before the sound engine when it does.
class JobController : public QObject, public core::JobHost {
    Q_OBJECT
public:
    JobController(QWidget *window, ui::Dialogs &dialogs, QObject *parent = nullptr);
    ~JobController() override;

    bool mayStart() override;
    void begin(const core::JobSpec &job, core::BatchRunner &runner,
               std::function<void()> ended) override;

    bool isRunning() const { return runner_ != nullptr; }
    // The running job's name ("Une conversion"); empty when none runs.
    QString runningName() const { return isRunning() ? job_.name : QString(); }
    // "Annuler" and Escape: the tasks stop, their temporary files go; the end is told as usual.
    void cancel();
    // Before the window closes with a job running: whether the user agrees to stop it.
    bool confirmClose();
    // The window is closing: the job is cancelled and waited for, and its end told to no one.
    void shutdown();

    JobProgress &progressDisplay() { return *progress_; }

private:
    void finished();

    ui::Dialogs &dialogs_;
    JobProgress *progress_;
    QPointer<core::BatchRunner> runner_;
    core::JobSpec job_;
    std::function<void()> ended_;
    bool closing_ = false;
};

} // namespace app
