// libsndfile's functions as the decoders call them, forwarded to the library opened on first use.
#include "audio/SoundLibraries.h"

#include <sndfile.h>

namespace {
audio::SharedLibrary &sndfile() {
    return audio::sndfileLibrary();
}
} // namespace

// Without the library no file opens, and its version reads as 0.
PARLOTTE_FORWARD(sndfile(), const char *, sf_version_string, (void), (), "libsndfile-0")
PARLOTTE_FORWARD(sndfile(), SNDFILE *, sf_open, (const char *path, int mode, SF_INFO *info),
                 (path, mode, info), nullptr)
PARLOTTE_FORWARD(sndfile(), SNDFILE *, sf_open_virtual,
                 (SF_VIRTUAL_IO * io, int mode, SF_INFO *info, void *user), (io, mode, info, user),
                 nullptr)
PARLOTTE_FORWARD(sndfile(), int, sf_close, (SNDFILE * file), (file), SF_ERR_SYSTEM)
PARLOTTE_FORWARD(sndfile(), sf_count_t, sf_seek, (SNDFILE * file, sf_count_t frames, int whence),
                 (file, frames, whence), -1)
PARLOTTE_FORWARD(sndfile(), sf_count_t, sf_readf_float,
                 (SNDFILE * file, float *out, sf_count_t frames), (file, out, frames), 0)
PARLOTTE_FORWARD(sndfile(), sf_count_t, sf_readf_short,
                 (SNDFILE * file, short *out, sf_count_t frames), (file, out, frames), 0)
PARLOTTE_FORWARD(sndfile(), sf_count_t, sf_read_short,
                 (SNDFILE * file, short *out, sf_count_t items), (file, out, items), 0)
