#include "audio/SdlOutput.h"

#include "audio/Mixer.h"
#include "audio/Resampler.h"

#include <SDL.h>

namespace audio {

SdlOutput::~SdlOutput() {
    close();
}

bool SdlOutput::open(Mixer &mixer, int device, int bufferFrames) {
    if (device_ != 0)
        return true;
    mixer_ = &mixer;
    error_.clear();
    // Otherwise SDL takes over SIGINT/SIGTERM and the program no longer ends on them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (!subsystemUp_) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            error_ = QString::fromUtf8(SDL_GetError());
            return false;
        }
        subsystemUp_ = true;
    }

    const char *name = nullptr;
    if (device >= 1) {
        name = SDL_GetAudioDeviceName(device - 1, 0);
        if (!name) {
            error_ = QString::fromUtf8(SDL_GetError());
            close();
            return false;
        }
    }

    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = kOutputChannels;
    want.samples = static_cast<Uint16>(bufferFrames);
    want.callback = &SdlOutput::callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts if the hardware wants another format.
    device_ = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
    if (device_ == 0) {
        error_ = QString::fromUtf8(SDL_GetError());
        close();
        return false;
    }
    bufferFrames_ = have.samples;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void SdlOutput::close() {
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);
        device_ = 0;
    }
    if (subsystemUp_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemUp_ = false;
    }
}

void SdlOutput::pull(std::int16_t *out, int frames) {
    mixer_->render(out, frames);
}

void SdlOutput::callback(void *user, std::uint8_t *stream, int len) {
    static_cast<SdlOutput *>(user)->pull(reinterpret_cast<std::int16_t *>(stream),
                                         len / (2 * kOutputChannels));
}

} // namespace audio
