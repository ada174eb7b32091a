#pragma once

#include "audio/Mixer.h"
#include "audio/Output.h"

#include <algorithm>
#include <cstdint>

namespace audio {

// An output driven by hand (tests, benchmarks): render() is the device asking for its next
// frames, on the caller's thread. Silence while closed.
class ManualOutput final : public Output {
public:
    bool open(Mixer &mixer, int, int) override {
        mixer_ = &mixer;
        return true;
    }
    void close() override { mixer_ = nullptr; }
    QString errorText() const override { return {}; }

    void render(std::int16_t *out, int frames) {
        if (mixer_)
            mixer_->render(out, frames);
        else
            std::fill(out, out + 2 * frames, std::int16_t{0});
    }

private:
    Mixer *mixer_ = nullptr;
};

} // namespace audio
