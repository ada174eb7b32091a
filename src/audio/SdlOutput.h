#pragma once

#include <QString>
#include <cstdint>

namespace audio {

class Mixer;

// The sound device: SDL's audio subsystem only, 44100 Hz stereo 16-bit, its callback pulling
// frames from the mixer.
class SdlOutput {
public:
    explicit SdlOutput(Mixer &mixer) : mixer_(mixer) {}
    ~SdlOutput();
    SdlOutput(const SdlOutput &) = delete;
    SdlOutput &operator=(const SdlOutput &) = delete;

    // device -1 (or 0) = the system's default, n >= 1 = SDL's output device n-1.
    bool open(int device, int bufferFrames = 512);
    // Waits for a running callback to return; afterwards the mixer is the caller's again.
    void close();
    bool isOpen() const { return device_ != 0; }
    QString errorText() const { return error_; }
    int bufferFrames() const { return bufferFrames_; }

private:
    static void callback(void *user, std::uint8_t *stream, int len);

    Mixer &mixer_;
    std::uint32_t device_ = 0;
    bool subsystemUp_ = false;
    int bufferFrames_ = 0;
    QString error_;
};

} // namespace audio
