#include "playback/BarWaveform.h"

#include "core/Paths.h"
#include "core/WindowState.h"
#include "playback/FilePlayback.h"
#include "playback/PeakCache.h"
#include "ui/PositionBar.h"

namespace playback {

namespace {

// A prompt decodes in a few milliseconds; a file whose header lied about its length is left to
// grow after this.
constexpr int MaxWaitMs = 500;

} // namespace

BarWaveform::BarWaveform(FilePlayback &playback, PeakCache &cache, const WindowState &state,
                         ui::PositionBar *bar, QObject *parent)
    : QObject(parent), cache_(cache), state_(state), bar_(bar) {
    connect(&playback, &FilePlayback::started, this, &BarWaveform::show);
    connect(&playback, &FilePlayback::stopped, this, [this] { path_.clear(); });
    connect(&cache, &PeakCache::grew, this, &BarWaveform::grew);
}

void BarWaveform::show(const QString &name) {
    if (!bar_)
        return;
    path_ = core::filePath(state_.currentFolder, name);
    // One file's peaks are computed at a time: the one the user now listens to.
    cache_.cancelOthers(path_);
    const auto peaks = cache_.request(path_);
    if (!peaks->complete)
        cache_.waitIfShort(path_, PromptSeconds, MaxWaitMs);
    bar_->setWaveform(peaks);
}

void BarWaveform::grew(const QString &path) {
    if (bar_ && path == path_ && bar_->waveform())
        bar_->waveformGrew();
}

} // namespace playback
