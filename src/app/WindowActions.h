#pragma once

#include "app/KeyActions.h"

namespace core {
class Modes;
}
namespace files {
class Assignment;
class Deletion;
class FileBrowser;
class Preview;
} // namespace files
namespace playback {
class FilePlayback;
class PromptChannel;
} // namespace playback
namespace sentence {
class SentenceComposer;
}

namespace app {

class JobController;

// The key table's actions done by the window's controllers.
class WindowActions : public KeyActions {
public:
    struct Targets {
        core::Modes &modes;
        JobController &jobs;
        files::FileBrowser &browser;
        files::Preview &preview;
        files::Assignment &assignment;
        files::Deletion &deletion;
        playback::FilePlayback &filePlayback;
        playback::PromptChannel &promptChannel;
        sentence::SentenceComposer &composer;
    };
    explicit WindowActions(const Targets &targets) : t_(targets) {}

    void listen() override;
    void escapeAtSink() override;
    void escapeInFiles() override;
    void leaveAssign() override;
    void startAssign() override;
    void refresh() override;
    void openSentence() override;
    void saveSentence() override;
    void previewFocused(bool ctrlHeld) override;
    void deleteFile() override;
    void undoDelete() override;
    void openFolder() override;

private:
    Targets t_;
};

} // namespace app
