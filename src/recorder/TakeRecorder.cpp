#include "recorder/TakeRecorder.h"

#include <algorithm>
#include <cmath>

#include "audio/Capture.h"

namespace recorder {

MeterReading measure(const std::int16_t *samples, std::size_t count) {
    MeterReading reading;
    if (count == 0)
        return reading;
    int peak = 0;
    double energy = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int v = samples[i];
        peak = std::max(peak, std::abs(v));
        energy += double(v) * v;
    }
    const auto db = [](double level) {
        return level > 0 ? std::max(20.0 * std::log10(level / 32768.0), MeterFloorDb)
                         : MeterFloorDb;
    };
    reading.peakDb = db(peak);
    reading.rmsDb = db(std::sqrt(energy / double(count)));
    reading.clipped = peak >= ClipSample;
    return reading;
}

TakeRecorder::TakeRecorder(audio::Capture &capture)
    : capture_(capture), chunk_(audio::CaptureRing::kCapacity) {}

TakeRecorder::~TakeRecorder() {
    closeDevice();
}

bool TakeRecorder::openDevice(const QString &device) {
    closeDevice();
    error_.clear();
    // What the ring still holds came from the device closed above.
    ring_.read(chunk_.data(), chunk_.size());
    if (capture_.open(ring_, device))
        return true;
    error_ = capture_.errorText();
    return false;
}

void TakeRecorder::closeDevice() {
    if (recording_)
        stop();
    capture_.close();
}

bool TakeRecorder::deviceOpen() const {
    return capture_.isOpen();
}

bool TakeRecorder::start() {
    if (!capture_.isOpen())
        return false;
    // Frames captured before the press are not the take's.
    ring_.read(chunk_.data(), chunk_.size());
    take_.clear();
    take_.reserve(static_cast<std::size_t>(MaxTakeFrames));
    lostAtStart_ = ring_.lost();
    recording_ = true;
    return true;
}

void TakeRecorder::stop() {
    if (!recording_)
        return;
    poll();
    recording_ = false;
    lostAtStop_ = ring_.lost();
}

std::uint64_t TakeRecorder::lostFrames() const {
    return (recording_ ? ring_.lost() : lostAtStop_) - lostAtStart_;
}

void TakeRecorder::clearTake() {
    take_.clear();
    take_.shrink_to_fit();
    lostAtStart_ = lostAtStop_ = 0;
}

TakeRecorder::Event TakeRecorder::poll() {
    const std::size_t n = ring_.read(chunk_.data(), chunk_.size());
    if (n > 0)
        meter_ = measure(chunk_.data(), n);
    Event event = Event::None;
    if (recording_) {
        const auto room = static_cast<std::size_t>(MaxTakeFrames - frames());
        take_.insert(take_.end(), chunk_.begin(), chunk_.begin() + std::min(n, room));
        if (frames() >= MaxTakeFrames) {
            recording_ = false;
            lostAtStop_ = ring_.lost();
            event = Event::LimitReached;
        }
    }
    if (capture_.isOpen() && capture_.lost()) {
        error_ = capture_.errorText();
        if (recording_) {
            recording_ = false;
            lostAtStop_ = ring_.lost();
        }
        capture_.close();
        event = Event::DeviceLost;
    }
    return event;
}

} // namespace recorder
