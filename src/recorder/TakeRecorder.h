#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "audio/CaptureRing.h"

namespace audio {
class Capture;
}

// The recording of one take, without widgets: the capture device, the ring it fills, the take
// growing in memory, the level meter, the 60-second limit, lost frames and a lost device. The
// device is open only while a take is recorded, so the take starts with its first frame. The
// window polls; nothing here waits on the capture callback, nor it on us.
namespace recorder {

constexpr int TakeRate = 44100;
constexpr int MaxTakeSeconds = 60;
constexpr std::int64_t MaxTakeFrames = std::int64_t{TakeRate} * MaxTakeSeconds;
// The meter's floor: quieter reads as this.
constexpr double MeterFloorDb = -90.0;
// A sample at or above -0.1 dBFS lights the meter red.
constexpr int ClipSample = 32393;

// The input's level over the frames of the last poll.
struct MeterReading {
    double peakDb = MeterFloorDb;
    double rmsDb = MeterFloorDb;
    bool clipped = false;
};

// Peak and RMS of `samples` in dBFS (full scale = 32768), no lower than the floor.
MeterReading measure(const std::int16_t *samples, std::size_t count);

class TakeRecorder {
public:
    enum class Event { None, LimitReached, DeviceLost };

    explicit TakeRecorder(audio::Capture &capture);
    ~TakeRecorder();
    TakeRecorder(const TakeRecorder &) = delete;
    TakeRecorder &operator=(const TakeRecorder &) = delete;

    // A new take: opens `device` (empty = the system's default) and keeps every frame it
    // delivers from its first. False, with errorText(), when the device does not open.
    bool start(const QString &device);
    // Closes the device, then takes the frames it delivered up to then.
    void stop();
    bool recording() const { return recording_; }
    QString errorText() const { return error_; }

    // Takes what the device delivered since the last poll into the take and the meter. The
    // limit stops the take; so does a lost device, the take keeping what it had.
    Event poll();

    const MeterReading &meter() const { return meter_; }
    const std::vector<std::int16_t> &take() const { return take_; }
    std::int64_t frames() const { return static_cast<std::int64_t>(take_.size()); }
    // Frames of this take the capture could not hand over (the ring was full).
    std::uint64_t lostFrames() const;
    void clearTake();

private:
    void take(std::size_t count);
    void ended();

    audio::Capture &capture_;
    audio::CaptureRing ring_;
    std::vector<std::int16_t> chunk_;
    std::vector<std::int16_t> take_;
    MeterReading meter_;
    std::uint64_t lostAtStart_ = 0;
    std::uint64_t lostAtStop_ = 0;
    bool recording_ = false;
    QString error_;
};

} // namespace recorder
