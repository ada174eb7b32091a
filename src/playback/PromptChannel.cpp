#include "playback/PromptChannel.h"

#include "core/BrowserView.h"
#include "playback/PromptStream.h"

namespace playback {

void PromptChannel::press(core::PromptRow row) {
    if (current_)
        stopButtonSample(current_);
    if (const auto h = openPromptStream(engine_, browser_.currentFolder(), row, audio::AutoFree)) {
        engine_.streamFree(stream_);
        stream_ = *h;
        engine_.channelPlay(stream_, false);
    }
    updateCurrentIndex(row);
}

void PromptChannel::updateCurrentIndex(core::PromptRow row) {
    setCurrent(current_ == row ? core::PromptRow() : row);
}

void PromptChannel::setCurrent(core::PromptRow row) {
    if (current_ == row)
        return;
    current_ = row;
    emit currentChanged();
}

void PromptChannel::stopButtonSample(core::PromptRow row) {
    engine_.channelStop(stream_);
    engine_.streamFree(stream_);
    if (row)
        emit buttonReleased(row.index());
}

bool PromptChannel::reload(core::PromptRow row) {
    const auto h = openPromptStream(engine_, browser_.currentFolder(), row, audio::AutoFree);
    if (!h)
        return false;
    engine_.streamFree(stream_);
    stream_ = *h;
    return audio::isUsable(stream_);
}

} // namespace playback
