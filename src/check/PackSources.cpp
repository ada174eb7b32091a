#include "check/PackSources.h"

namespace check {

PromptLookup::PromptLookup(const QString &folder) : index_(folder) {}

QString PromptLookup::playedFile(const QString &sampleId) const {
    return index_.find(sampleId);
}

bool decode(const QString &path, audio::DecodedAudio &out) {
    return audio::decodeFile(path, out);
}

} // namespace check
