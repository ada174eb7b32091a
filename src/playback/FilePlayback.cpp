#include "playback/FilePlayback.h"

#include "core/BrowserView.h"
#include "core/Paths.h"
#include "playback/PlayTime.h"
#include "ui/PositionBar.h"

#include <QLabel>
#include <QTimer>

namespace playback {

namespace {

const QString kNoTime = QStringLiteral("--:--");

} // namespace

FilePlayback::FilePlayback(audio::Engine &engine, const core::BrowserView &browser,
                           const Widgets &widgets, QObject *parent)
    : QObject(parent), engine_(engine), browser_(browser), bar_(widgets.picSamplePos),
      label_(widgets.lblSampleTime), timer_(widgets.tmrPlaySample) {
    if (timer_)
        connect(timer_, &QTimer::timeout, this, &FilePlayback::tick);
    if (bar_)
        connect(bar_, &ui::PositionBar::pressed, this, &FilePlayback::barPressed);
    // Queued: told on this thread, never inside an engine call.
    connect(&engine_, &audio::Engine::ended, this, &FilePlayback::streamEnded,
            Qt::QueuedConnection);
    connect(&engine_, &audio::Engine::lengthKnown, this, &FilePlayback::lengthKnown,
            Qt::QueuedConnection);
}

void FilePlayback::resetDisplay() {
    if (bar_) {
        bar_->clear();
        bar_->setWaveform(nullptr);
    }
    if (label_)
        label_->setText(kNoTime);
}

void FilePlayback::startFilePlayback(const QString &name) {
    halt();
    engine_.streamFree(stream_);

    stream_ =
        engine_.streamCreateFile(core::filePath(browser_.currentFolder(), name), audio::AutoFree);
    if (!audio::isUsable(stream_))
        return;

    readLength();

    resetDisplay();
    if (timer_)
        timer_->start();
    playing_ = engine_.channelPlay(stream_, false);
    emit started(name);
}

void FilePlayback::readLength() {
    fileLength_ = lengthNow();
    const int width = bar_ ? roundHalfEven(bar_->barWidth()) : 0;
    const int length = roundHalfEven(static_cast<float>(fileLength_));
    bytesPerUnit_ = width > 0 ? static_cast<float>(length / width) : 0.0f;
    wholeBytesPerUnit_ = roundHalfEven(bytesPerUnit_);
}

std::int32_t FilePlayback::lengthNow() const {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(engine_.channelGetLength(stream_)));
}

void FilePlayback::streamEnded(audio::Handle h) {
    if (playing_ && h == stream_)
        stopFilePlayback();
}

void FilePlayback::lengthKnown(audio::Handle h) {
    // A long compressed file starts with the header's estimate of its length; the engine
    // counts the exact one while it plays, and the bar's scale follows.
    if (playing_ && h == stream_)
        readLength();
}

void FilePlayback::tick() {
    if (!playing_) {
        stopFilePlayback();
        return;
    }
    filePosition_ =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(engine_.channelGetPosition(stream_)));
    const int position = roundHalfEven(static_cast<float>(filePosition_));
    const int unit = roundHalfEven(bytesPerUnit_);
    if (unit != 0) {
        barEnd_ = static_cast<float>(position) / static_cast<float>(unit);
    } else if (fileLength_ > 0 && bar_) {
        // A file shorter in bytes than the bar is wide: spread it over the whole bar.
        barEnd_ =
            static_cast<float>(static_cast<double>(position) * bar_->barWidth() / fileLength_);
    } else {
        barEnd_ = 0;
    }
    fileSeconds_ =
        audio::channelBytesToSeconds(engine_, stream_, static_cast<std::uint32_t>(filePosition_));
    if (bar_)
        bar_->fillTo(roundHalfEven(barEnd_));
    if (label_)
        label_->setText(formatPlayTime(fileSeconds_));
}

void FilePlayback::barPressed(int x, Qt::MouseButton) {
    if (playing_) {
        if (static_cast<float>(x) < barEnd_ && bar_)
            bar_->clear();
        if (bar_)
            bar_->fillTo(x);
        std::int64_t bytes = static_cast<std::int64_t>(x) * wholeBytesPerUnit_;
        if (wholeBytesPerUnit_ == 0 && bar_ && bar_->barWidth() > 0)
            bytes = static_cast<std::int64_t>(x) * fileLength_ / bar_->barWidth();
        audio::channelSetBytePosition(engine_, stream_,
                                      static_cast<std::uint32_t>(std::max<std::int64_t>(bytes, 0)));
    }
    if (playing_)
        emit focusToFileList();
    else
        emit focusToDummy();
}

void FilePlayback::stopFilePlayback() {
    halt();
    emit stopped();
}

void FilePlayback::halt() {
    playing_ = false;
    engine_.channelStop(stream_);
    engine_.streamFree(stream_);
    if (timer_)
        timer_->stop();
    resetDisplay();
}

} // namespace playback
