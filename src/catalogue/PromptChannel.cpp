#include "catalogue/PromptChannel.h"

#include <QDir>

#include "app/WindowState.h"
#include "audio/Engine.h"
#include "audio/SampleLookup.h"
#include "catalogue/PromptPanel.h"
#include "catalogue/SampleTable.h"

namespace catalogue {

void PromptChannel::press(int row) {
    if (state_.currentPromptIndex >= 0)
        stopButtonSample(state_.currentPromptIndex);
    state_.foundSampleName = audio::findSampleFile(state_.currentFolder, samples()[row].id);
    if (!state_.foundSampleName.isEmpty()) {
        engine_.streamFree(state_.promptStream);
        state_.promptStream = engine_.streamCreateFile(
            state_.currentFolder + QDir::separator() + state_.foundSampleName, audio::AutoFree);
        engine_.channelPlay(state_.promptStream, false);
    }
    updateCurrentIndex(row);
}

void PromptChannel::updateCurrentIndex(int row) {
    state_.currentPromptIndex = state_.currentPromptIndex == row ? -1 : static_cast<short>(row);
}

void PromptChannel::stopButtonSample(int row) {
    engine_.channelStop(state_.promptStream);
    engine_.streamFree(state_.promptStream);
    if (row >= 0 && row < SampleCount)
        panel_.setSelected(row, false);
}

} // namespace catalogue
