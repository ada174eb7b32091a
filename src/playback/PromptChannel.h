#pragma once

#include <QObject>

#include "audio/Engine.h"
#include "core/PromptRow.h"

namespace core {
class BrowserView;
}

namespace playback {

// The prompt channel: one stream, the prompt pressed last, from the folder the browser shows.
// It owns the current prompt. The buttons live higher up; the channel tells them through
// `buttonReleased` when a prompt stops being the pressed one.
class PromptChannel : public QObject {
    Q_OBJECT
public:
    PromptChannel(const core::BrowserView &browser, audio::Engine &engine,
                  QObject *parent = nullptr)
        : QObject(parent), browser_(browser), engine_(engine) {}

    // Left press outside assign and sentence mode: stop the prompt that sounded, play this one
    // from its beginning, and update the current prompt.
    void press(core::PromptRow row);
    // Stops the prompt sound and releases the button of `row`, if any.
    void stopButtonSample(core::PromptRow row);
    // Pressing the current prompt again leaves no prompt current; any other becomes current.
    void updateCurrentIndex(core::PromptRow row);
    // Makes `row` the current prompt, whatever was current before.
    void setCurrent(core::PromptRow row);
    core::PromptRow current() const { return current_; }
    // Re-opens prompt `row`'s file on the channel without playing it: true when the engine can
    // play it.
    bool reload(core::PromptRow row);

    audio::Handle stream() const { return stream_; }

signals:
    void buttonReleased(int row);
    void currentChanged();

private:
    const core::BrowserView &browser_;
    audio::Engine &engine_;
    audio::Handle stream_ = 0;
    core::PromptRow current_;
};

} // namespace playback
