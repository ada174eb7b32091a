// libmpg123's functions as the MPEG reader calls them, forwarded to the library opened on first
// use.
#include "audio/SoundLibraries.h"

#include <mpg123.h>

namespace {
audio::SharedLibrary &mpeg() {
    return audio::mpegLibrary();
}
} // namespace

// libsndfile makes its MPEG decoders without asking them to be quiet, and libmpg123 then writes a
// line to the terminal for every damaged frame or odd header it meets (a truncated take, a
// prompt cut by hand). The engine tells the user about unreadable files itself, so every MPEG
// decoder made in this process is made quiet: the program exports this definition (see
// CMakeLists.txt), which libsndfile's lookup finds before libmpg123's own.
extern "C" mpg123_handle *mpg123_new(const char *decoder, int *error) {
    using Real = decltype(&::mpg123_new);
    using Param = decltype(&::mpg123_param);
    static const auto real = reinterpret_cast<Real>(mpeg().symbol(PARLOTTE_NAME_OF(mpg123_new)));
    static const auto param =
        reinterpret_cast<Param>(mpeg().symbol(PARLOTTE_NAME_OF(mpg123_param)));
    if (!real || !param) {
        if (error)
            *error = MPG123_ERR;
        return nullptr;
    }
    mpg123_handle *handle = real(decoder, error);
    if (handle)
        param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    return handle;
}

PARLOTTE_FORWARD(mpeg(), void, mpg123_delete, (mpg123_handle * h), (h), )
PARLOTTE_FORWARD(mpeg(), int, mpg123_param,
                 (mpg123_handle * h, int type, long value, double fvalue), (h, type, value, fvalue),
                 MPG123_ERR)
PARLOTTE_FORWARD(mpeg(), int, mpg123_format_none, (mpg123_handle * h), (h), MPG123_ERR)
PARLOTTE_FORWARD(mpeg(), int, mpg123_format,
                 (mpg123_handle * h, long rate, int channels, int encodings),
                 (h, rate, channels, encodings), MPG123_ERR)
PARLOTTE_FORWARD(mpeg(), int, mpg123_getformat,
                 (mpg123_handle * h, long *rate, int *channels, int *encoding),
                 (h, rate, channels, encoding), MPG123_ERR)
PARLOTTE_FORWARD(mpeg(), int, mpg123_replace_reader_handle,
                 (mpg123_handle * h, mpg123_ssize_t (*read)(void *, void *, size_t),
                  off_t (*seek)(void *, off_t, int), void (*cleanup)(void *)),
                 (h, read, seek, cleanup), MPG123_ERR)
PARLOTTE_FORWARD(mpeg(), int, mpg123_open_handle, (mpg123_handle * h, void *io), (h, io),
                 MPG123_ERR)
PARLOTTE_FORWARD(mpeg(), int, mpg123_close, (mpg123_handle * h), (h), MPG123_ERR)
PARLOTTE_FORWARD(mpeg(), int, mpg123_decode_frame,
                 (mpg123_handle * h, off_t *num, unsigned char **audio, size_t *bytes),
                 (h, num, audio, bytes), MPG123_ERR)
PARLOTTE_FORWARD(mpeg(), off_t, mpg123_tell_stream, (mpg123_handle * h), (h), MPG123_ERR)
PARLOTTE_FORWARD(mpeg(), off_t, mpg123_seek, (mpg123_handle * h, off_t offset, int whence),
                 (h, offset, whence), MPG123_ERR)
PARLOTTE_FORWARD(mpeg(), off_t, mpg123_length, (mpg123_handle * h), (h), MPG123_ERR)

// Without the library, no rate: nothing is decoded.
extern "C" void mpg123_rates(const long **list, size_t *number) {
    using Real = decltype(&::mpg123_rates);
    static const auto real = reinterpret_cast<Real>(mpeg().symbol(PARLOTTE_NAME_OF(mpg123_rates)));
    if (real) {
        real(list, number);
        return;
    }
    *list = nullptr;
    *number = 0;
}
