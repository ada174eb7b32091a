#pragma once

struct WindowState;

namespace audio {
class Engine;
}

namespace catalogue {

class PromptPanel;

// The prompt channel: one stream, the prompt button pressed last.
class PromptChannel {
public:
    PromptChannel(WindowState &state, audio::Engine &engine, PromptPanel &panel)
        : state_(state), engine_(engine), panel_(panel) {}

    // Left press outside assign and sentence mode: stop the prompt that sounded, play this one
    // from its beginning, and update the current prompt index.
    void press(int row);
    // Stops the prompt sound and releases the button of `row` (-1 or less: no button).
    void stopButtonSample(int row);
    // Pressing the current prompt again leaves no prompt current; any other becomes current.
    void updateCurrentIndex(int row);

private:
    WindowState &state_;
    audio::Engine &engine_;
    PromptPanel &panel_;
};

} // namespace catalogue
