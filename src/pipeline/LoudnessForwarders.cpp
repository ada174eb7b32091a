// libebur128's functions as the take analysis calls them, forwarded to the library opened on
// first use: the window needs no loudness meter until a take is recorded or a pack prepared.
#include "audio/SharedLibrary.h"

#include <ebur128.h>

namespace {
audio::SharedLibrary &loudness() {
    static audio::SharedLibrary library("libebur128.so.1");
    return library;
}
} // namespace

// Without the library no meter is made, and the analysis reports no loudness.
PARLOTTE_FORWARD(loudness(), ebur128_state *, ebur128_init,
                 (unsigned int channels, unsigned long rate, int mode), (channels, rate, mode),
                 nullptr)
PARLOTTE_FORWARD(loudness(), void, ebur128_destroy, (ebur128_state * *state), (state), )
PARLOTTE_FORWARD(loudness(), int, ebur128_add_frames_float,
                 (ebur128_state * state, const float *src, size_t frames), (state, src, frames),
                 EBUR128_ERROR_NOMEM)
PARLOTTE_FORWARD(loudness(), int, ebur128_loudness_global, (ebur128_state * state, double *out),
                 (state, out), EBUR128_ERROR_NOMEM)
PARLOTTE_FORWARD(loudness(), int, ebur128_loudness_window,
                 (ebur128_state * state, unsigned long window, double *out), (state, window, out),
                 EBUR128_ERROR_NOMEM)
PARLOTTE_FORWARD(loudness(), int, ebur128_true_peak,
                 (ebur128_state * state, unsigned int channel, double *out), (state, channel, out),
                 EBUR128_ERROR_NOMEM)
