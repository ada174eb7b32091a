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
    capture_.close();
}

bool TakeRecorder::start(const QString &device) {
    stop();
    error_.clear();
    // Left by a device that was lost: not this take's.
    ring_.read(chunk_.data(), chunk_.size());
    take_.clear();
    take_.reserve(static_cast<std::size_t>(MaxTakeFrames));
    meter_ = {};
    lostAtStart_ = lostAtStop_ = ring_.lost();
    if (!capture_.open(ring_, device)) {
        error_ = capture_.errorText();
        return false;
    }
    recording_ = true;
    return true;
}

void TakeRecorder::ended() {
    capture_.close();
    recording_ = false;
    lostAtStop_ = ring_.lost();
}

void TakeRecorder::stop() {
    if (!recording_)
        return;
    // Closed first: once it returns, the ring holds the take's last frames.
    ended();
    take(ring_.read(chunk_.data(), chunk_.size()));
}

std::uint64_t TakeRecorder::lostFrames() const {
    return (recording_ ? ring_.lost() : lostAtStop_) - lostAtStart_;
}

void TakeRecorder::clearTake() {
    take_.clear();
    take_.shrink_to_fit();
}

void TakeRecorder::take(std::size_t count) {
    if (count > 0)
        meter_ = measure(chunk_.data(), count);
    const auto room = static_cast<std::size_t>(MaxTakeFrames - frames());
    take_.insert(take_.end(), chunk_.begin(), chunk_.begin() + long(std::min(count, room)));
}

TakeRecorder::Event TakeRecorder::poll() {
    if (!recording_)
        return Event::None;
    take(ring_.read(chunk_.data(), chunk_.size()));
    if (frames() >= MaxTakeFrames) {
        ended();
        return Event::LimitReached;
    }
    if (capture_.lost()) {
        error_ = capture_.errorText();
        ended();
        take(ring_.read(chunk_.data(), chunk_.size()));
        return Event::DeviceLost;
    }
    return Event::None;
}

} // namespace recorder
