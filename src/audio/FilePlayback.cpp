#include "audio/FilePlayback.h"

#include "app/WindowState.h"
#include "audio/PlayTime.h"
#include "ui/PositionBar.h"

#include <QDir>
#include <QLabel>
#include <QTimer>

namespace audio {

namespace {

const QString kNoTime = QStringLiteral("--:--");

} // namespace

FilePlayback::FilePlayback(Engine &engine, WindowState &state, ui::PositionBar *bar,
                           QLabel *lblSampleTime, QTimer *tmrPlaySample, QObject *parent)
    : QObject(parent), engine_(engine), state_(state), bar_(bar), label_(lblSampleTime),
      timer_(tmrPlaySample) {
    if (timer_)
        connect(timer_, &QTimer::timeout, this, &FilePlayback::tick);
    if (bar_)
        connect(bar_, &ui::PositionBar::pressed, this, &FilePlayback::barPressed);
}

void FilePlayback::resetDisplay() {
    if (bar_)
        bar_->clear();
    if (label_)
        label_->setText(kNoTime);
}

void FilePlayback::startFilePlayback(const QString &name) {
    stopFilePlayback();
    engine_.streamFree(state_.fileStream);

    state_.fileStream =
        engine_.streamCreateFile(state_.currentFolder + QDir::separator() + name, AutoFree);
    if (!isUsable(state_.fileStream))
        return;

    fileLength_ = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(engine_.channelGetLength(state_.fileStream)));
    const int width = bar_ ? roundHalfEven(bar_->barWidth()) : 0;
    const int length = roundHalfEven(static_cast<float>(fileLength_));
    bytesPerUnit_ = width > 0 ? static_cast<float>(length / width) : 0.0f;
    wholeBytesPerUnit_ = roundHalfEven(bytesPerUnit_);

    resetDisplay();
    if (timer_)
        timer_->start();
    engine_.channelPlay(state_.fileStream, false);
}

void FilePlayback::tick() {
    if (!engine_.channelIsActive(state_.fileStream)) {
        stopFilePlayback();
        return;
    }
    filePosition_ = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(engine_.channelGetPosition(state_.fileStream)));
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
    fileSeconds_ = channelBytesToSeconds(engine_, state_.fileStream,
                                         static_cast<std::uint32_t>(filePosition_));
    if (bar_)
        bar_->fillTo(roundHalfEven(barEnd_));
    if (label_)
        label_->setText(formatPlayTime(fileSeconds_));
}

void FilePlayback::barPressed(int x, Qt::MouseButton) {
    if (engine_.channelIsActive(state_.fileStream)) {
        if (static_cast<float>(x) < barEnd_ && bar_)
            bar_->clear();
        if (bar_)
            bar_->fillTo(x);
        std::int64_t bytes = static_cast<std::int64_t>(x) * wholeBytesPerUnit_;
        if (wholeBytesPerUnit_ == 0 && bar_ && bar_->barWidth() > 0)
            bytes = static_cast<std::int64_t>(x) * fileLength_ / bar_->barWidth();
        channelSetBytePosition(engine_, state_.fileStream,
                               static_cast<std::uint32_t>(std::max<std::int64_t>(bytes, 0)));
    }
    if (engine_.channelIsActive(state_.fileStream))
        emit focusToFileList();
    else
        emit focusToDummy();
}

void FilePlayback::stopFilePlayback() {
    engine_.channelStop(state_.fileStream);
    engine_.streamFree(state_.fileStream);
    if (timer_)
        timer_->stop();
    resetDisplay();
}

} // namespace audio
