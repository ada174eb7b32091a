#pragma once

#include <QObject>
#include <QString>

#include "tour/TourPlan.h"
#include "tour/TourPlayer.h"

class QAction;
class QWidget;

namespace audio {
class Engine;
}
namespace catalogue {
class PromptPanel;
}
namespace core {
class BrowserView;
class Modes;
} // namespace core
namespace playback {
class FilePlayback;
class PromptChannel;
} // namespace playback
namespace sentence {
class SentenceComposer;
}
namespace ui {
class Dialogs;
}

namespace tour {

class TourWindow;

// "Écouter le pack" (Ctrl+L, or the folder list's context menu): the tour of the current folder
// in its own window, and "Enregistrer en WAV..." of the same tour. The composed sentence is
// left as it was; a sentence or prompt sounding is stopped first.
class TourController : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        QWidget *window = nullptr; // carries the shortcut and the tour window
        QWidget *Dir1 = nullptr;   // carries the context menu
    };

    TourController(const Widgets &widgets, const core::BrowserView &browser, core::Modes &modes,
                   audio::Engine &engine, catalogue::PromptPanel &panel,
                   sentence::SentenceComposer &composer, playback::PromptChannel &promptChannel,
                   playback::FilePlayback &filePlayback, ui::Dialogs &dialogs,
                   QObject *parent = nullptr);
    ~TourController() override;

    void start();
    void save();
    void stop();

    QAction *action() const { return action_; }
    // Made when first needed: the tour is rare, and the start-up needs no window of it.
    TourWindow &window();
    TourPlayer &player() { return player_; }

private:
    void togglePause();
    void showStep(int step);
    void showState(TourPlayer::State state);

    const core::BrowserView &browser_;
    core::Modes &modes_;
    sentence::SentenceComposer &composer_;
    playback::PromptChannel &promptChannel_;
    playback::FilePlayback &filePlayback_;
    ui::Dialogs &dialogs_;
    QAction *action_;
    QWidget *owner_;
    TourWindow *window_ = nullptr;
    TourPlayer player_;
    QString folder_;
};

} // namespace tour
