#pragma once

#include "catalogue/PromptPanel.h"
#include "files/Assignment.h"
#include "files/FileBrowser.h"
#include "playback/FilePlayback.h"
#include "sentence/SentenceComposer.h"
#include "tools/ConvertController.h"
#include "tools/EditorLauncher.h"
#include "ui/MainLayout.h"

// Which of the window's controls each controller drives: the one place that hands them out.
namespace app {

inline playback::FilePlayback::Widgets fileChannelWidgets(const ui::Controls &c) {
    return {c.picSamplePos, c.lblSampleTime, c.tmrPlaySample};
}

inline catalogue::PromptPanel::Widgets panelWidgets(const ui::Controls &c) {
    return {c.fraSamples, c.optSample0, c.cmdBackspace, c.cmdValider, c.tmrFrame, c.cmdDummy};
}

inline files::FileBrowser::Widgets browserWidgets(const ui::Controls &c) {
    return {c.Drive1, c.Dir1, c.lblDirPath, c.File1, c.chkFLBFilter};
}

inline files::Assignment::Widgets assignmentWidgets(const ui::Controls &c) {
    return {c.File1, c.cmdAssign, c.cmdValider, c.cmdDummy};
}

inline sentence::SentenceComposer::Widgets composerWidgets(const ui::Controls &c) {
    return {c.chkSentence,     c.txtSentence,     c.cmdBackspace,    c.chkListen,
            c.cmdOpenSentence, c.cmdSaveSentence, c.tmrPlaySentence, c.cmdDummy};
}

inline tools::ConvertController::Widgets convertWidgets(const ui::Controls &c) {
    return {c.cmdConvert, c.File1, c.cmdDummy};
}

inline tools::EditorLauncher::Widgets editorWidgets(const ui::Controls &c) {
    return {c.cmdOpenSample, c.File1};
}

} // namespace app
