#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace core {

class BatchRunner;

// A long job of the window, as it is shown and named to the user.
struct JobSpec {
    // The subject of a sentence, with its article; the texts around it are feminine:
    // "Une conversion", "Une préparation du pack".
    QString name;
    QString title;     // of the progress window
    QStringList items; // what each task of the batch works on, in task order
};

// The window's long jobs, one at a time: what a command that starts one sees of their
// controller. Everything is called on the UI thread.
class JobHost {
public:
    virtual ~JobHost() = default;
    // True when no job runs; otherwise the user has been told which one does, and the caller
    // must start nothing (nor ask anything).
    virtual bool mayStart() = 0;
    // `runner`, which the caller starts right after, is the window's job from now on: its
    // progress is shown with "Annuler" (and Escape). `ended` is called on this thread once every
    // task has returned and the progress window is gone, unless the window is closing.
    virtual void begin(const JobSpec &job, BatchRunner &runner, std::function<void()> ended) = 0;
};

} // namespace core
