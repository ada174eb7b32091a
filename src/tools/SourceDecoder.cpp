#include "tools/SourceDecoder.h"

namespace tools {

bool decodeSound(const QString &path, audio::DecodedAudio &out) {
    return audio::decodeFile(path, out);
}

} // namespace tools
