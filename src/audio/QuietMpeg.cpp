// libsndfile makes its MPEG decoders without asking them to be quiet, and libmpg123 then writes a
// line to the terminal for every damaged frame or odd header it meets (a truncated take, a
// prompt cut by hand). The engine tells the user about unreadable files itself, so every MPEG
// decoder made in this process is made quiet: on ELF systems this definition comes before
// libmpg123's in the symbol lookup, and it calls libmpg123's own.
#if defined(__ELF__)

#include <dlfcn.h>
#include <mpg123.h>

extern "C" mpg123_handle *mpg123_new(const char *decoder, int *error) {
    using New = mpg123_handle *(*)(const char *, int *);
    static const New real = reinterpret_cast<New>(dlsym(RTLD_NEXT, "mpg123_new"));
    if (!real) {
        if (error)
            *error = MPG123_ERR;
        return nullptr;
    }
    mpg123_handle *handle = real(decoder, error);
    if (handle)
        mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    return handle;
}

#endif
