#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <cstdint>

#include "sentence/SentenceSounds.h"
#include "tour/TourPlan.h"

class QTimer;

namespace audio {
class Engine;
}
namespace catalogue {
class PromptPanel;
}

namespace tour {

// Plays the tour's steps as one sentence on the engine's timeline, gapless inside a step and
// with the pause between steps scheduled too, so what sounds does not depend on timers. The
// slot timer only lights the button of the prompt being played and tells the step.
//
// The engine holds one sentence: the tour replaces whatever sentence was scheduled, and its
// owner stops the composer first.
class TourPlayer : public QObject {
    Q_OBJECT
public:
    enum class State { Stopped, Playing, Paused, Finished };

    TourPlayer(audio::Engine &engine, catalogue::PromptPanel &panel, QObject *parent = nullptr);
    ~TourPlayer() override;

    // Plays the steps of `plan` from `step` on, with the files of `folder`.
    void play(const TourPlan &plan, const QString &folder, int step = 0);
    // Falls silent at once; resume() says the current step again from its start.
    void pause();
    void resume();
    // The next step at once (from a pause too); after the last, the tour is over.
    void next();
    void stop();

    State state() const { return state_; }
    int step() const { return step_; }
    const TourPlan &plan() const { return plan_; }
    // The timer of the slot being played: its timeout moves on to the next slot.
    QTimer *slotTimer() const { return timer_; }
    // Whether files of the tour are still to be opened.
    bool isPreparing() const;

signals:
    void stepChanged(int step);
    void stateChanged(tour::TourPlayer::State state);

private:
    void startAt(int step);
    void setState(State state);
    void onTick();
    void enterSlot();
    void unlight();
    void halt(bool cancel);

    audio::Engine &engine_;
    catalogue::PromptPanel &panel_;
    sentence::SentenceSounds sounds_;
    TourPlan plan_;
    QString folder_;
    QVector<int> stepOf_;
    QTimer *timer_;
    QTimer *preparing_;
    QElapsedTimer clock_;
    int slot_ = 0;
    std::int64_t slotEnd_ = 0; // frames from the sentence's start to the current slot's end
    int step_ = 0;
    State state_ = State::Stopped;
};

} // namespace tour
