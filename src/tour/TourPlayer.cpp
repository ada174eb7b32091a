#include "tour/TourPlayer.h"

#include <QTimer>
#include <cmath>

#include "catalogue/PromptPanel.h"
#include "tour/TourRender.h"

namespace tour {

TourPlayer::TourPlayer(audio::Engine &engine, catalogue::PromptPanel &panel, QObject *parent)
    : QObject(parent), engine_(engine), panel_(panel), sounds_(engine), timer_(new QTimer(this)),
      preparing_(new QTimer(this)) {
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &TourPlayer::onTick);
    preparing_->setInterval(0);
    connect(preparing_, &QTimer::timeout, this, [this] {
        if (!sounds_.step())
            preparing_->stop();
    });
}

TourPlayer::~TourPlayer() {
    if (state_ == State::Playing)
        engine_.cancelSentence();
}

void TourPlayer::play(const TourPlan &plan, const QString &folder, int step) {
    plan_ = plan;
    folder_ = folder;
    startAt(step);
}

void TourPlayer::startAt(int step) {
    halt(false);
    if (step < 0 || step >= plan_.steps.size()) {
        setState(plan_.steps.isEmpty() ? State::Stopped : State::Finished);
        return;
    }
    step_ = step;
    stepOf_ = scheduleFrom(plan_, step).stepOf;
    beginTour(sounds_, plan_, folder_, step);
    sounds_.takeLateTooLong();
    slot_ = 0;
    slotEnd_ = 0;
    clock_.start();
    sounds_.reach(0);
    setState(State::Playing);
    emit stepChanged(step_);
    enterSlot();
    preparing_->start();
}

void TourPlayer::enterSlot() {
    // The mixer waits on a slot whose file is not open yet: it is opened now.
    sounds_.reach(slot_);
    const sentence::SentenceSounds::Slot &s = sounds_.slot(slot_);
    if (s.row >= 0)
        panel_.setColor(s.row, catalogue::HighlightColor);
    // Each slot ends at its place on the timeline, not a timer's length after the last tick:
    // the light keeps up with the sound over the whole tour.
    slotEnd_ += s.frames;
    const double dueMs = double(slotEnd_) * 1000.0 / TourRate - double(clock_.elapsed());
    timer_->start(std::max(1, int(std::ceil(dueMs))));
}

void TourPlayer::unlight() {
    if (slot_ >= 0 && slot_ < sounds_.given() && sounds_.slot(slot_).row >= 0)
        panel_.restoreRestingColor(sounds_.slot(slot_).row);
}

void TourPlayer::onTick() {
    if (state_ != State::Playing)
        return;
    unlight();
    if (++slot_ >= sounds_.size()) {
        // The last slot's tail may still be on its way to the device: nothing is cancelled.
        halt(false);
        step_ = int(plan_.steps.size()) - 1;
        setState(State::Finished);
        return;
    }
    if (stepOf_[slot_] >= 0 && stepOf_[slot_] != step_) {
        step_ = stepOf_[slot_];
        emit stepChanged(step_);
    }
    enterSlot();
}

void TourPlayer::halt(bool cancel) {
    if (state_ == State::Playing) {
        timer_->stop();
        unlight();
    }
    preparing_->stop();
    if (cancel)
        sounds_.release(); // the mixer falls silent where the tour used them
}

void TourPlayer::pause() {
    if (state_ != State::Playing)
        return;
    halt(true);
    engine_.cancelSentence();
    setState(State::Paused);
}

void TourPlayer::resume() {
    if (state_ == State::Paused)
        startAt(step_);
}

void TourPlayer::next() {
    if (state_ != State::Playing && state_ != State::Paused)
        return;
    if (step_ + 1 < plan_.steps.size()) {
        startAt(step_ + 1);
        return;
    }
    halt(true);
    engine_.cancelSentence();
    setState(State::Finished);
}

void TourPlayer::stop() {
    if (state_ == State::Stopped)
        return;
    const bool sounding = state_ == State::Playing;
    halt(true);
    if (sounding)
        engine_.cancelSentence();
    setState(State::Stopped);
}

bool TourPlayer::isPreparing() const {
    return preparing_->isActive();
}

void TourPlayer::setState(State state) {
    if (state_ == state)
        return;
    state_ = state;
    emit stateChanged(state);
}

} // namespace tour
