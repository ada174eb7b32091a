#pragma once

#include <QString>
#include <QStringList>

namespace audio {

class CaptureRing;

// Where recorded frames come from: the capture device, or a test's hands. Frames are 44100 Hz,
// 16-bit, mono, written into the ring given to open(); the source never waits on its reader.
class Capture {
public:
    static constexpr int kRate = 44100;

    virtual ~Capture() = default;

    // The capture devices' names, for the user's choice.
    virtual QStringList devices() = 0;
    // Starts delivering into `ring` from `device` (empty = the system's default). False on
    // failure, errorText() then says why.
    virtual bool open(CaptureRing &ring, const QString &device) = 0;
    // Once it returns nothing more is written into the ring.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The open device has gone away (unplugged, or it failed): nothing more will come.
    virtual bool lost() = 0;
    virtual QString errorText() const = 0;
    // Frames the device hands over at once (0 while closed).
    virtual int periodFrames() const = 0;
};

} // namespace audio
