#include "check/PackSources.h"

#include "audio/Decoder.h"

namespace check {

PromptLookup::PromptLookup(const QString &folder) : index_(folder) {}

QString PromptLookup::playedFile(const QString &sampleId) const {
    return index_.find(sampleId);
}

bool readSound(const QString &path, const std::function<void(int rate, int channels)> &begin,
               const std::function<void(const std::int16_t *samples, std::int64_t frames)> &chunk) {
    return audio::readInChunks(path, begin, [&](const std::int16_t *samples, std::int64_t frames) {
               chunk(samples, frames);
               return true;
           }) > 0;
}

} // namespace check
