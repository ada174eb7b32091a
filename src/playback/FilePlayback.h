#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

#include "audio/Engine.h"

class QLabel;
class QTimer;
namespace core {
class BrowserView;
}
namespace ui {
class PositionBar;
}

namespace playback {

// The file channel: one self-freeing stream of a file of the current folder, followed by the
// position bar and the elapsed-time label, and moved by a click on the bar. The engine tells
// the end and the exact length; the timer, running only while the file plays, moves the bar.
// The timer's timeout and the bar's presses are connected here; the window connects the focus
// signals.
class FilePlayback : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        ui::PositionBar *picSamplePos = nullptr;
        QLabel *lblSampleTime = nullptr;
        QTimer *tmrPlaySample = nullptr;
    };

    FilePlayback(audio::Engine &engine, const core::BrowserView &browser, const Widgets &widgets,
                 QObject *parent = nullptr);

    void startFilePlayback(const QString &name);
    void stopFilePlayback();
    void tick();
    void barPressed(int x, Qt::MouseButton button);
    // From the start until the stop or the engine's word that the file ended.
    bool isPlaying() const { return playing_; }
    audio::Handle stream() const { return stream_; }

    std::int32_t fileLength() const { return fileLength_; }
    float bytesPerUnit() const { return bytesPerUnit_; }
    std::int32_t wholeBytesPerUnit() const { return wholeBytesPerUnit_; }
    std::int32_t filePosition() const { return filePosition_; }
    float barEnd() const { return barEnd_; }
    float fileSeconds() const { return fileSeconds_; }

signals:
    void focusToFileList();
    void focusToDummy();
    // A file started playing; the channel was stopped (whether or not anything sounded).
    void started(const QString &name);
    void stopped();

private:
    void resetDisplay();
    void readLength(); // the file's length and the bar's scale
    std::int32_t lengthNow() const;
    void halt(); // stops without telling: a new start follows
    void streamEnded(audio::Handle h);
    void lengthKnown(audio::Handle h);

    audio::Engine &engine_;
    const core::BrowserView &browser_;
    audio::Handle stream_ = 0;
    bool playing_ = false;
    ui::PositionBar *bar_;
    QLabel *label_;
    QTimer *timer_;

    std::int32_t fileLength_ = 0;
    float bytesPerUnit_ = 0;
    std::int32_t wholeBytesPerUnit_ = 0;
    std::int32_t filePosition_ = 0;
    float barEnd_ = 0;
    float fileSeconds_ = 0;
};

} // namespace playback
