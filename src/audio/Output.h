#pragma once

#include <QString>

namespace audio {

class Mixer;

// Where the mixed frames go: the sound device, or a test's hands. The engine opens it on init
// and closes it on stop; between the two the output alone renders the mixer.
class Output {
public:
    virtual ~Output() = default;

    // Starts pulling frames from `mixer` (device -1 = the system's default). False on failure,
    // errorText() then says why.
    virtual bool open(Mixer &mixer, int device, int bufferFrames) = 0;
    // Once it returns no render is running or will run: the mixer is the caller's again.
    virtual void close() = 0;
    virtual QString errorText() const = 0;
};

} // namespace audio
