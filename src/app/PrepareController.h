#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

#include "app/PrepareDialog.h"
#include "pack/PackPreparation.h"

class QAction;
class QThread;
class QWidget;
namespace core {
class BrowserView;
}
namespace ui {
class Dialogs;
}
namespace tools {
class ConversionProgress;
}

namespace app {

// "Préparer le pack...": the current folder made ready for the device in another folder, from
// the window. Asks for the destination and the targets in one dialog, runs the preparation off the
// UI thread with the conversion's progress window and "Annuler", then sums it up. Reached by
// its shortcut and by the folder list's context menu, so no control moves.
class PrepareController : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        QWidget *window = nullptr; // carries the shortcut
        QWidget *Dir1 = nullptr;   // carries the context menu
    };

    PrepareController(const QString &programFolder, const Widgets &widgets,
                      const core::BrowserView &browser, ui::Dialogs &dialogs,
                      QObject *parent = nullptr);
    ~PrepareController() override; // cancels and waits

    void prepare();
    bool isRunning() const { return thread_ != nullptr; }
    QAction *action() const { return action_; }
    tools::ConversionProgress &progressDisplay() { return *progress_; }
    const pack::PreparationReport &lastReport() const { return report_; }

signals:
    void promptStarted(int index);
    void runFinished();

private:
    void cancel();
    void finish();

    QString programFolder_;
    QWidget *window_;
    PrepareFields last_; // the targets asked last, shown again
    const core::BrowserView &browser_;
    ui::Dialogs &dialogs_;
    QAction *action_;
    tools::ConversionProgress *progress_;
    std::unique_ptr<QThread> thread_;
    std::atomic<bool> cancel_{false};
    pack::PreparationReport report_;
};

} // namespace app
