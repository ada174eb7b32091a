#include "audio/SdlCapture.h"

#include "audio/CaptureRing.h"

#include <SDL.h>

namespace audio {

namespace {

// About 23 ms: short enough for the meter, long enough to cost nothing.
constexpr int kPeriodFrames = 1024;

} // namespace

SdlCapture::~SdlCapture() {
    close();
    if (subsystemUp_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlCapture::subsystem() {
    if (subsystemUp_)
        return true;
    // Otherwise SDL takes over SIGINT/SIGTERM and the program no longer ends on them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Counted by SDL: the output's own init and quit are not disturbed.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error_ = QString::fromUtf8(SDL_GetError());
        return false;
    }
    subsystemUp_ = true;
    return true;
}

QStringList SdlCapture::devices() {
    QStringList names;
    if (!subsystem())
        return names;
    const int count = SDL_GetNumAudioDevices(1);
    for (int i = 0; i < count; ++i) {
        if (const char *name = SDL_GetAudioDeviceName(i, 1))
            names.append(QString::fromUtf8(name));
    }
    return names;
}

bool SdlCapture::open(CaptureRing &ring, const QString &device) {
    close();
    error_.clear();
    if (!subsystem())
        return false;
    ring_ = &ring;
    SDL_AudioSpec want{};
    want.freq = kRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = kPeriodFrames;
    want.callback = &SdlCapture::callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    const QByteArray name = device.toUtf8();
    // No changes allowed: SDL converts if the hardware wants another format.
    device_ =
        SDL_OpenAudioDevice(device.isEmpty() ? nullptr : name.constData(), 1, &want, &have, 0);
    if (device_ == 0) {
        error_ = QString::fromUtf8(SDL_GetError());
        return false;
    }
    periodFrames_ = have.samples;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void SdlCapture::close() {
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);
        device_ = 0;
    }
    ring_ = nullptr;
}

bool SdlCapture::lost() {
    // SDL marks a device that was removed or failed as no longer enabled: it reads stopped.
    if (device_ == 0 || SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_STOPPED)
        return false;
    const char *reason = SDL_GetError();
    error_ = reason && *reason ? QString::fromUtf8(reason)
                               : QStringLiteral("le périphérique ne répond plus");
    return true;
}

void SdlCapture::callback(void *user, std::uint8_t *stream, int len) {
    auto *self = static_cast<SdlCapture *>(user);
    self->ring_->write(reinterpret_cast<const std::int16_t *>(stream),
                       static_cast<std::size_t>(len) / 2);
}

} // namespace audio
