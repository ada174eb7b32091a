#include "check/PackSources.h"

#include <vector>

#include "audio/Decoder.h"

namespace check {

PromptLookup::PromptLookup(const QString &folder) : index_(folder) {}

QString PromptLookup::playedFile(const QString &sampleId) const {
    return index_.find(sampleId);
}

bool readSound(const QString &path, const std::function<void(int rate, int channels)> &begin,
               const std::function<void(const std::int16_t *samples, std::int64_t frames)> &chunk) {
    constexpr std::int64_t ChunkFrames = 16384;
    audio::FileDecoder decoder;
    if (!decoder.open(path))
        return false;
    begin(decoder.rate(), decoder.channels());
    std::vector<std::int16_t> buffer(static_cast<std::size_t>(ChunkFrames * decoder.channels()));
    std::int64_t total = 0;
    for (std::int64_t got; (got = decoder.read(buffer.data(), ChunkFrames)) > 0; total += got)
        chunk(buffer.data(), got);
    return total > 0;
}

} // namespace check
