#include "tour/TourController.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "core/BrowserView.h"
#include "core/Modes.h"
#include "core/SafeFile.h"
#include "playback/FilePlayback.h"
#include "playback/PromptChannel.h"
#include "sentence/SentenceComposer.h"
#include "tour/TourRender.h"
#include "tour/TourWindow.h"
#include "ui/Dialogs.h"

namespace tour {

namespace {

const QString Title = QStringLiteral("Écouter le pack");

} // namespace

TourController::TourController(const Widgets &widgets, const core::BrowserView &browser,
                               core::Modes &modes, audio::Engine &engine,
                               catalogue::PromptPanel &panel, sentence::SentenceComposer &composer,
                               playback::PromptChannel &promptChannel,
                               playback::FilePlayback &filePlayback, ui::Dialogs &dialogs,
                               QObject *parent)
    : QObject(parent), browser_(browser), modes_(modes), composer_(composer),
      promptChannel_(promptChannel), filePlayback_(filePlayback), dialogs_(dialogs),
      action_(new QAction(Title, widgets.window)), owner_(widgets.window), player_(engine, panel) {
    action_->setObjectName(QStringLiteral("actTour"));
    action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    action_->setShortcutContext(Qt::WindowShortcut);
    widgets.window->addAction(action_);
    widgets.Dir1->setContextMenuPolicy(Qt::ActionsContextMenu);
    widgets.Dir1->addAction(action_);
    connect(action_, &QAction::triggered, this, &TourController::start);
    connect(&player_, &TourPlayer::stepChanged, this, &TourController::showStep);
    connect(&player_, &TourPlayer::stateChanged, this, &TourController::showState);
}

TourWindow &TourController::window() {
    if (!window_) {
        window_ = new TourWindow(owner_);
        connect(window_, &TourWindow::pauseRequested, this, &TourController::togglePause);
        connect(window_, &TourWindow::nextRequested, &player_, &TourPlayer::next);
        connect(window_, &TourWindow::stopRequested, this, &TourController::stop);
        connect(window_, &TourWindow::saveRequested, this, &TourController::save);
    }
    return *window_;
}

TourController::~TourController() {
    player_.stop();
}

void TourController::start() {
    folder_ = browser_.currentFolder();
    if (folder_.isEmpty() || (window_ && window_->isVisible()))
        return;
    const TourPlan plan = planTour(promptFiles(folder_));
    if (plan.steps.isEmpty()) {
        dialogs_.message(QStringLiteral("Le dossier « ") + folder_ +
                             QStringLiteral(" » n'a de fichier pour aucun message : il n'y a "
                                            "rien à écouter."),
                         Title, ui::Icon::Exclamation, ui::Buttons::Ok);
        return;
    }
    // One sound at a time: the tour takes the engine's sentence over. The composed sentence
    // itself (text and code) is not touched.
    filePlayback_.stopFilePlayback();
    promptChannel_.stopButtonSample(promptChannel_.current());
    if (modes_.listening())
        composer_.setListening(false);

    TourWindow &w = window();
    const bool any = !plan.missing.isEmpty();
    w.missingTitle()->setVisible(any);
    w.missingList()->setVisible(any);
    w.missingList()->clear();
    if (any) {
        w.missingTitle()->setText(skippedLead(plan) + QStringLiteral(" ces messages :"));
        for (core::PromptRow p : plan.missing) {
            const core::SampleEntry &entry = core::samples()[p.index()];
            w.missingList()->addItem(entry.id + QStringLiteral(" : ") + entry.label);
        }
    }
    w.status()->clear();
    w.show();
    w.raise();
    w.activateWindow();
    w.setFocus();
    player_.play(plan, folder_);
}

void TourController::togglePause() {
    if (player_.state() == TourPlayer::State::Playing)
        player_.pause();
    else if (player_.state() == TourPlayer::State::Paused)
        player_.resume();
    else if (player_.state() == TourPlayer::State::Finished)
        player_.play(player_.plan(), folder_); // once more, from the start
}

void TourController::stop() {
    player_.stop();
    if (window_)
        window_->hide();
}

void TourController::showStep(int step) {
    if (!window_)
        return; // nothing shown yet: the window is made before the tour plays
    const TourPlan &plan = player_.plan();
    window_->instruction()->setText(plan.steps[step].text);
    window_->counter()->setText(QStringLiteral("%1 / %2").arg(step + 1).arg(plan.steps.size()));
}

void TourController::showState(TourPlayer::State state) {
    if (!window_)
        return;
    const bool finished = state == TourPlayer::State::Finished;
    window_->pauseButton()->setText(state == TourPlayer::State::Paused ? QStringLiteral("Reprendre")
                                    : finished                         ? QStringLiteral("Rejouer")
                                                                       : QStringLiteral("Pause"));
    window_->nextButton()->setEnabled(!finished);
    if (finished)
        window_->instruction()->setText(QStringLiteral("Fin du tour."));
}

void TourController::save() {
    ui::FileDialogRequest request;
    request.save = true;
    request.title = QStringLiteral("Enregistrer le tour du pack");
    request.filter = QStringLiteral("Fichiers WAV (*.wav)|*.wav");
    request.defaultExtension = QStringLiteral("wav");
    request.confirmReplace = true;
    const QString path = dialogs_.fileDialog(request);
    if (path.isEmpty())
        return;
    const Rendering rendering = renderTour(player_.plan(), folder_);
    core::WriteResult written;
    if (rendering.wave.isEmpty())
        written = {false, rendering.error};
    else
        written = core::writeWholeFile(path, rendering.wave);
    if (!written) {
        dialogs_.message(core::saveFailedMessage(path, written.cause), QStringLiteral("Erreur"),
                         ui::Icon::Critical, ui::Buttons::Ok);
        return;
    }
    window().status()->setText(QStringLiteral("Tour enregistré dans « ") + path +
                               QStringLiteral(" »."));
}

} // namespace tour
