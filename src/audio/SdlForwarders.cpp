// SDL's functions as the engine calls them, forwarded to the library opened on first use.
#include "audio/SoundLibraries.h"

#include <SDL.h>

namespace {
audio::SharedLibrary &sdl() {
    return audio::sdlLibrary();
}
} // namespace

PARLOTTE_FORWARD(sdl(), const char *, SDL_GetError, (void), (), sdl().errorText())
PARLOTTE_FORWARD(sdl(), SDL_bool, SDL_SetHint, (const char *name, const char *value), (name, value),
                 SDL_FALSE)
PARLOTTE_FORWARD(sdl(), int, SDL_InitSubSystem, (Uint32 flags), (flags), -1)
PARLOTTE_FORWARD(sdl(), void, SDL_QuitSubSystem, (Uint32 flags), (flags), )
PARLOTTE_FORWARD(sdl(), int, SDL_GetNumAudioDevices, (int capture), (capture), 0)
PARLOTTE_FORWARD(sdl(), const char *, SDL_GetAudioDeviceName, (int index, int capture),
                 (index, capture), nullptr)
PARLOTTE_FORWARD(sdl(), SDL_AudioDeviceID, SDL_OpenAudioDevice,
                 (const char *device, int capture, const SDL_AudioSpec *desired,
                  SDL_AudioSpec *obtained, int changes),
                 (device, capture, desired, obtained, changes), 0)
PARLOTTE_FORWARD(sdl(), SDL_AudioStatus, SDL_GetAudioDeviceStatus, (SDL_AudioDeviceID device),
                 (device), SDL_AUDIO_STOPPED)
PARLOTTE_FORWARD(sdl(), void, SDL_PauseAudioDevice, (SDL_AudioDeviceID device, int pause),
                 (device, pause), )
PARLOTTE_FORWARD(sdl(), void, SDL_CloseAudioDevice, (SDL_AudioDeviceID device), (device), )
PARLOTTE_FORWARD(sdl(), SDL_AudioStream *, SDL_NewAudioStream,
                 (const SDL_AudioFormat srcFormat, const Uint8 srcChannels, const int srcRate,
                  const SDL_AudioFormat dstFormat, const Uint8 dstChannels, const int dstRate),
                 (srcFormat, srcChannels, srcRate, dstFormat, dstChannels, dstRate), nullptr)
PARLOTTE_FORWARD(sdl(), int, SDL_AudioStreamPut,
                 (SDL_AudioStream * stream, const void *buf, int len), (stream, buf, len), -1)
PARLOTTE_FORWARD(sdl(), int, SDL_AudioStreamGet, (SDL_AudioStream * stream, void *buf, int len),
                 (stream, buf, len), -1)
PARLOTTE_FORWARD(sdl(), int, SDL_AudioStreamAvailable, (SDL_AudioStream * stream), (stream), 0)
PARLOTTE_FORWARD(sdl(), int, SDL_AudioStreamFlush, (SDL_AudioStream * stream), (stream), -1)
PARLOTTE_FORWARD(sdl(), void, SDL_FreeAudioStream, (SDL_AudioStream * stream), (stream), )

// Without the library, version 0.0.0: older than any the program was built for.
extern "C" void SDL_GetVersion(SDL_version *version) {
    using Real = decltype(&::SDL_GetVersion);
    static const auto real = reinterpret_cast<Real>(sdl().symbol("SDL_GetVersion"));
    if (real)
        real(version);
    else
        *version = SDL_version{0, 0, 0};
}
