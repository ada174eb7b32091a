#pragma once

#include <QString>

#include "app/JobController.h"
#include "app/KeyTable.h"
#include "app/PrepareController.h"
#include "app/PressRouter.h"
#include "app/WindowActions.h"
#include "catalogue/PromptPanel.h"
#include "core/Modes.h"
#include "files/Assignment.h"
#include "files/Deletion.h"
#include "files/FileBrowser.h"
#include "files/Preview.h"
#include "playback/BarWaveform.h"
#include "playback/FilePlayback.h"
#include "playback/PeakCache.h"
#include "playback/PromptChannel.h"
#include "sentence/SentenceComposer.h"
#include "tools/ConvertController.h"
#include "tools/EditorLauncher.h"
#include "tour/TourController.h"

namespace audio {
class Engine;
}
namespace pipeline {
class ProcessRunner;
}
namespace ui {
class Dialogs;
struct Controls;
} // namespace ui

namespace app {

// Every controller of the window, built on the window's controls and wired to each other: the
// one place the controller graph is assembled, shared by the window and the test rigs. Each
// value has one owner: the browser the folder and the chosen file, the prompt channel the
// current prompt, `modes` the three modes; the others read through them or listen.
class Controllers {
public:
    Controllers(const ui::Controls &controls, const QString &programFolder, audio::Engine &engine,
                ui::Dialogs &dialogs, pipeline::ProcessRunner &runner);

    core::Modes modes;
    playback::PeakCache peakCache;
    files::FileBrowser browser;
    playback::PromptChannel promptChannel;
    playback::FilePlayback filePlayback;
    playback::BarWaveform barWaveform;
    catalogue::PromptPanel panel;
    files::Preview preview;
    files::Assignment assignment;
    files::Deletion deletion;
    sentence::SentenceComposer composer;
    JobController jobs; // before the jobs' controllers, which it outlives
    tools::ConvertController convert;
    tools::EditorLauncher editorLauncher;
    PrepareController prepare;
    tour::TourController tour;
    WindowActions actions;
    KeyTable keys;
    PressRouter presses;
};

} // namespace app
