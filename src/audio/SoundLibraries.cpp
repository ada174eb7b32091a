#include "audio/SoundLibraries.h"

namespace audio {

SharedLibrary &sdlLibrary() {
    static SharedLibrary library("libSDL2-2.0.so.0");
    return library;
}

SharedLibrary &sndfileLibrary() {
    static SharedLibrary library("libsndfile.so.1");
    return library;
}

SharedLibrary &mpegLibrary() {
    static SharedLibrary library("libmpg123.so.0");
    return library;
}

} // namespace audio
