#pragma once

#include "audio/Output.h"

#include <cstdint>

namespace audio {

// The sound device: SDL's audio subsystem only, 44100 Hz stereo 16-bit, its callback (on SDL's
// own thread) pulling frames from the mixer.
class SdlOutput : public Output {
public:
    SdlOutput() = default;
    ~SdlOutput() override;
    SdlOutput(const SdlOutput &) = delete;
    SdlOutput &operator=(const SdlOutput &) = delete;

    // device -1 (or 0) = the system's default, n >= 1 = SDL's output device n-1.
    bool open(Mixer &mixer, int device, int bufferFrames) override;
    // Waits for a running callback to return.
    void close() override;
    QString errorText() const override { return error_; }
    int bufferFrames() const { return bufferFrames_; }

protected:
    // In SDL's callback: the next frames for the device.
    virtual void pull(std::int16_t *out, int frames);

private:
    static void callback(void *user, std::uint8_t *stream, int len);

    Mixer *mixer_ = nullptr;
    std::uint32_t device_ = 0;
    bool subsystemUp_ = false;
    int bufferFrames_ = 0;
    QString error_;
};

} // namespace audio
