#include "check/PackSources.h"

#include "audio/SampleLookup.h"

namespace check {

QString playedFile(const QString &folder, const QString &sampleId) {
    return audio::findSampleFile(folder, sampleId);
}

bool decode(const QString &path, audio::DecodedAudio &out) {
    return audio::decodeFile(path, out);
}

} // namespace check
