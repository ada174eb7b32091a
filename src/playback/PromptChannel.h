#pragma once

#include <QObject>

#include "audio/Engine.h"

struct WindowState;

namespace playback {

// The prompt channel: one stream, the prompt pressed last. The buttons live higher up; the
// channel tells them through `buttonReleased` when a prompt stops being the pressed one.
class PromptChannel : public QObject {
    Q_OBJECT
public:
    PromptChannel(WindowState &state, audio::Engine &engine, QObject *parent = nullptr)
        : QObject(parent), state_(state), engine_(engine) {}

    // Left press outside assign and sentence mode: stop the prompt that sounded, play this one
    // from its beginning, and update the current prompt index.
    void press(int row);
    // Stops the prompt sound and releases the button of `row` (-1 or less: no button).
    void stopButtonSample(int row);
    // Pressing the current prompt again leaves no prompt current; any other becomes current.
    void updateCurrentIndex(int row);
    // Re-opens prompt `row`'s file on the channel without playing it: true when the engine can
    // play it.
    bool reload(int row);

    audio::Handle stream() const { return stream_; }

signals:
    void buttonReleased(int row);

private:
    WindowState &state_;
    audio::Engine &engine_;
    audio::Handle stream_ = 0;
};

} // namespace playback
