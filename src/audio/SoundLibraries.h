#pragma once

#include "audio/SharedLibrary.h"

// The sound libraries, each opened on its first use.
namespace audio {

SharedLibrary &sdlLibrary();
SharedLibrary &sndfileLibrary();
SharedLibrary &mpegLibrary();

} // namespace audio
