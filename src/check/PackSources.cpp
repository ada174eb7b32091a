#include "check/PackSources.h"

#include "pack/FloatDecode.h"

namespace check {

PromptLookup::PromptLookup(const QString &folder) : index_(folder) {}

QString PromptLookup::playedFile(const QString &sampleId) const {
    return index_.find(sampleId);
}

bool readSound(const QString &path, const std::function<void(int rate, int channels)> &begin,
               const std::function<void(const float *samples, std::int64_t frames)> &chunk) {
    return pack::readFloatChunks(path, begin, chunk) > 0;
}

} // namespace check
