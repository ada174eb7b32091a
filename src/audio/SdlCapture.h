#pragma once

#include "audio/Capture.h"

#include <cstdint>

namespace audio {

// The capture device through SDL's audio subsystem: exactly 44100 Hz, 16-bit, mono (SDL
// converts when the hardware wants another format); its callback, on SDL's own thread, copies
// each period into the ring and nothing else.
class SdlCapture final : public Capture {
public:
    SdlCapture() = default;
    ~SdlCapture() override;
    SdlCapture(const SdlCapture &) = delete;
    SdlCapture &operator=(const SdlCapture &) = delete;

    QStringList devices() override;
    bool open(CaptureRing &ring, const QString &device) override;
    // Waits for a running callback to return.
    void close() override;
    bool isOpen() const override { return device_ != 0; }
    bool lost() override;
    QString errorText() const override { return error_; }
    int periodFrames() const override { return device_ != 0 ? periodFrames_ : 0; }

private:
    static void callback(void *user, std::uint8_t *stream, int len);
    bool subsystem();

    CaptureRing *ring_ = nullptr;
    std::uint32_t device_ = 0;
    bool subsystemUp_ = false;
    int periodFrames_ = 0;
    QString error_;
};

} // namespace audio
