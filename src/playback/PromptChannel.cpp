#include "playback/PromptChannel.h"

#include "core/SampleTable.h"
#include "core/WindowState.h"
#include "playback/PromptStream.h"

namespace playback {

void PromptChannel::press(int row) {
    if (state_.currentPromptIndex >= 0)
        stopButtonSample(state_.currentPromptIndex);
    if (const auto h = openPromptStream(engine_, state_.currentFolder, row, audio::AutoFree)) {
        engine_.streamFree(stream_);
        stream_ = *h;
        engine_.channelPlay(stream_, false);
    }
    updateCurrentIndex(row);
}

void PromptChannel::updateCurrentIndex(int row) {
    state_.currentPromptIndex = state_.currentPromptIndex == row ? -1 : static_cast<short>(row);
}

void PromptChannel::stopButtonSample(int row) {
    engine_.channelStop(stream_);
    engine_.streamFree(stream_);
    if (core::isRow(row))
        emit buttonReleased(row);
}

bool PromptChannel::reload(int row) {
    const auto h = openPromptStream(engine_, state_.currentFolder, row, audio::AutoFree);
    if (!h)
        return false;
    engine_.streamFree(stream_);
    stream_ = *h;
    return audio::isUsable(stream_);
}

} // namespace playback
