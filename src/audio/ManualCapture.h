#pragma once

#include "audio/Capture.h"
#include "audio/CaptureRing.h"

#include <vector>

namespace audio {

// A capture fed by hand (tests, benchmarks): feed() is the device delivering frames, on the
// caller's thread. It can refuse to open and lose its device on demand.
class ManualCapture final : public Capture {
public:
    QStringList deviceNames{QStringLiteral("Micro de test")};
    QString openError;  // when set, open() fails with it
    QString lostReason; // set by loseDevice()
    int period = 1024;

    QStringList devices() override { return deviceNames; }
    bool open(CaptureRing &ring, const QString &device) override {
        if (!openError.isEmpty())
            return false;
        ring_ = &ring;
        device_ = device;
        lost_ = false;
        return true;
    }
    void close() override { ring_ = nullptr; }
    bool isOpen() const override { return ring_ != nullptr; }
    bool lost() override { return lost_; }
    QString errorText() const override { return lost_ ? lostReason : openError; }
    int periodFrames() const override { return ring_ ? period : 0; }

    QString device() const { return device_; }
    // The device delivers `samples`; nothing while closed or lost.
    void feed(const std::vector<std::int16_t> &samples) {
        if (ring_ && !lost_)
            ring_->write(samples.data(), samples.size());
    }
    void loseDevice(const QString &reason) {
        lost_ = true;
        lostReason = reason;
    }

private:
    CaptureRing *ring_ = nullptr;
    QString device_;
    bool lost_ = false;
};

} // namespace audio
