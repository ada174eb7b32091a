#pragma once

#include <QObject>

namespace catalogue {
class PromptPanel;
}
namespace core {
class Modes;
}
namespace files {
class Assignment;
}
namespace playback {
class PromptChannel;
}
namespace sentence {
class SentenceComposer;
}

namespace app {

// What a press on a prompt button does depends on the mode: in assign mode it picks the target,
// in sentence mode it adds the prompt to the sentence, else it plays the prompt. A right click
// re-reads the prompt's file; a double click picks the target or goes to the sentence.
class PressRouter : public QObject {
    Q_OBJECT
public:
    struct Targets {
        const core::Modes &modes;
        catalogue::PromptPanel &panel;
        files::Assignment &assignment;
        sentence::SentenceComposer &composer;
        playback::PromptChannel &promptChannel;
    };
    // Listens to the panel's presses.
    explicit PressRouter(const Targets &targets, QObject *parent = nullptr);

    void press(int row, Qt::MouseButton button);
    void doubleClick(int row);

private:
    Targets t_;
};

} // namespace app
