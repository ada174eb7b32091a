#include "app/WindowActions.h"

#include "app/JobController.h"
#include "core/Modes.h"
#include "files/Assignment.h"
#include "files/Deletion.h"
#include "files/FileBrowser.h"
#include "files/Preview.h"
#include "playback/FilePlayback.h"
#include "playback/PromptChannel.h"
#include "sentence/SentenceComposer.h"

namespace app {

void WindowActions::listen() {
    if (t_.modes.sentence())
        t_.composer.setListening(true);
}

void WindowActions::escapeAtSink() {
    if (t_.modes.assign()) // leaving it costs nothing; a cancelled job is work lost
        t_.modes.setAssign(false);
    else if (t_.jobs.isRunning())
        t_.jobs.cancel(); // as "Annuler" does
    else if (t_.modes.sentence() && t_.modes.listening())
        t_.composer.setListening(false);
    else if (t_.modes.sentence())
        t_.composer.setSentenceMode(false);
    else if (t_.filePlayback.isPlaying())
        t_.filePlayback.stopFilePlayback();
    else
        t_.promptChannel.stopButtonSample(t_.promptChannel.current());
}

void WindowActions::escapeInFiles() {
    if (t_.modes.assign())
        t_.modes.setAssign(false);
    else
        t_.filePlayback.stopFilePlayback();
}

void WindowActions::leaveAssign() {
    if (t_.modes.assign())
        t_.modes.setAssign(false);
}

void WindowActions::startAssign() {
    t_.assignment.start();
}

void WindowActions::refresh() {
    t_.browser.refreshFiles();
}

void WindowActions::openSentence() {
    t_.composer.openSentence();
}

void WindowActions::saveSentence() {
    t_.composer.saveSentence();
}

void WindowActions::previewFocused(bool ctrlHeld) {
    t_.preview.enterPressed(ctrlHeld);
}

void WindowActions::undoDelete() {
    t_.deletion.undoLast();
}

void WindowActions::deleteFile() {
    t_.deletion.deleteSelected();
}

void WindowActions::openFolder() {
    t_.browser.openHighlightedFolder();
}

} // namespace app
