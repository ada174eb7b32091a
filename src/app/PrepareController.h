#pragma once

#include <QObject>
#include <QString>

#include "app/PrepareDialog.h"
#include "core/BatchRunner.h"
#include "pack/PackPreparation.h"

class QAction;
class QWidget;
namespace core {
class BrowserView;
class JobHost;
} // namespace core
namespace ui {
class Dialogs;
}

namespace app {

// "Préparer le pack...": the current folder made ready for the device in another folder, from
// the window. Asks for the destination and the targets in one dialog, runs the preparation off
// the UI thread as the window's job (progress, "Annuler"), then sums it up. Reached by its
// shortcut and by the folder list's context menu, so no control moves.
class PrepareController : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        QWidget *window = nullptr; // carries the shortcut
        QWidget *Dir1 = nullptr;   // carries the context menu
    };

    PrepareController(const QString &programFolder, const Widgets &widgets,
                      const core::BrowserView &browser, ui::Dialogs &dialogs, core::JobHost &jobs,
                      QObject *parent = nullptr);

    void prepare();
    bool isRunning() const { return runner_.isRunning(); }
    QAction *action() const { return action_; }
    const pack::PreparationReport &lastReport() const { return report_; }

signals:
    void runFinished();

private:
    void tellReport();

    QString programFolder_;
    QWidget *window_;
    PrepareFields last_; // the targets asked last, shown again
    const core::BrowserView &browser_;
    ui::Dialogs &dialogs_;
    core::JobHost &jobs_;
    QAction *action_;
    pack::PreparationReport report_;
    core::BatchRunner runner_; // last: its tasks end before the rest goes
};

} // namespace app
